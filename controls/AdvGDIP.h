#pragma once
// Encoded pictures. A picture keeps an image exactly as the bytes of its file (PNG, JPEG, GIF,
// BMP, TIFF, icon, ...) and only decodes it when it is measured or drawn. The bytes stream as
// the binary property "Data", unchanged, so a window description round-trips them byte for byte.
//
// This header is portable: it holds the data, loading, saving, assigning and the change events.
// Decoding and drawing through GDI+ live in controls/win/AdvGDIP.h (DecodePicture,
// DrawToGraphics, FillPathWithTexture, FillRectWithTexture).
//
// Events: OnChange reports every change of content (loading, assigning, clearing); OnClear is
// raised when the picture is cleared or loaded from a file. Both are raised after the change.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "controls/AdvGDIPImageHeader.h"
#include "framework/Colour.h"
#include "framework/Properties.h"

namespace ctl {

using TColor = fw::TColor;

// Change events of the styled controls' sub-objects. The owner hooks them to chain the change
// upwards (picture → fill or caption → panel); the sender is the object that changed.
using NotifyHandler = std::function<void(fw::Persistent& sender)>;

// What a picture can take its bytes from: anything that can write itself as an image file
// (both picture classes; framework bitmaps and icons when they exist).
class TGraphic : public fw::Persistent {
public:
    virtual bool GetEmpty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int) {}
    virtual void SetHeight(int) {}
    // Appends the graphic as the bytes of an image file.
    virtual void SaveToStream(fw::Bytes& out) const = 0;
    // Copies another object's content; the rules are the derived class's.
    virtual void Assign(const fw::Persistent* source) = 0;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    NotifyHandler OnChange;

protected:
    void Changed();

private:
    bool transparent_ = false;
};

// Measures encoded bytes: nullopt when the bytes cannot be decoded.
using SizeDecoder = std::optional<ImageSize> (*)(ByteView bytes);

// The data and behaviour both picture classes share. Not published by itself.
class TEncodedPicture : public TGraphic {
public:
    TEncodedPicture() = default;
    TEncodedPicture(const TEncodedPicture&) = delete;
    TEncodedPicture& operator=(const TEncodedPicture&) = delete;

    bool GetEmpty() const override { return empty_; }
    bool Empty() const { return empty_; }
    // Size of the decoded image, refreshed by every decode; 0 x 0 before the first.
    int GetWidth() const override { return size_.width; }
    int GetHeight() const override { return size_.height; }
    ImageSize Size() const { return size_; }
    // The encoded bytes, as loaded.
    const fw::Bytes& Data() const { return data_; }
    bool HasBytes() const { return !empty_ && !data_.empty(); }

    // Refreshes the size from the bytes. Decode() reads it from the file header (no graphics
    // layer needed); the GDI+ layer decodes through DecodeWith. Bytes that cannot be decoded
    // leave the size as it was.
    void Decode() { DecodeWith(&ReadImageSize); }
    void DecodeWith(SizeDecoder decoder);
    // For the graphics layer, which learns the size whenever it decodes the image to draw it.
    void SetDecodedSize(ImageSize size) { size_ = size; }

    // The binary property "Data": the bytes as they are.
    void ReadData(ByteView bytes);
    fw::Bytes WriteData() const { return data_; }

    // Nothing for no bytes; else takes a copy, decodes, and raises OnChange.
    void LoadFromStream(ByteView bytes);
    void SaveToStream(fw::Bytes& out) const override;
    // Takes the file's bytes and the size from its header (by extension), raising OnClear then
    // OnChange. A file that cannot be read leaves the picture empty; nothing is thrown.
    void LoadFromFile(const std::filesystem::path& fileName);
    // Clipboard transfer is not supported: these do nothing.
    void LoadFromClipboardFormat() {}
    void SaveToClipboardFormat() const {}

    // Empties the picture (raises OnChange, then OnClear).
    void Clear();

    NotifyHandler OnClear;

protected:
    // Takes bytes from another graphic (Assign's common part).
    void TakeBytes(fw::Bytes bytes, bool emptyWhenNone);

    // Assign for a picture class Self: from nothing, empties; from a Self, its bytes; from any
    // other graphic, the bytes it saves; any other class is ignored.
    template <typename Self>
    void AssignAs(const fw::Persistent* source) {
        if (source == nullptr) {
            Clear();
        } else if (auto* picture = dynamic_cast<const Self*>(source)) {
            TakeBytes(picture->Data(), true);
        } else if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
            fw::Bytes bytes;
            graphic->SaveToStream(bytes);
            TakeBytes(std::move(bytes), false);
        }
    }

    // The published binary property "Data" of a picture class.
    static fw::PropertyInfo DataProperty() {
        return {.name = "Data",
                .type = fw::PropertyType::Binary,
                .declaredDefault = fw::Value{fw::Bytes{}},
                .set = [](fw::Persistent& p, const fw::Value& v) {
                    static_cast<TEncodedPicture&>(p).ReadData(std::get<fw::Bytes>(v));
                },
                .get = [](const fw::Persistent& p) -> fw::Value {
                    return static_cast<const TEncodedPicture&>(p).WriteData();
                }};
    }
    void Cleared();

private:
    fw::Bytes data_;
    bool empty_ = true;
    ImageSize size_;
};

enum class TTransparentMode : std::uint8_t { tmAuto, tmFixed };

// The picture of the gradient fill, the smooth panel's caption and the picture container.
class TAdvGDIPPicture : public TEncodedPicture {
public:
    TAdvGDIPPicture() = default;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // From nothing: empties the picture (OnChange and OnClear). From another picture: its bytes.
    // From any other graphic: the bytes it saves. Other classes are ignored, the picture
    // untouched.
    void Assign(const fw::Persistent* source) override;

    // The colour key of a transparent in-memory bitmap: the bottom-left pixel's colour
    // (automatic) or TransparentColor (fixed).
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor colour) { transparentColor_ = colour; }

private:
    TTransparentMode transparentMode_ = TTransparentMode::tmAuto;
    TColor transparentColor_ = 0xFFFFFF;
};

}  // namespace ctl
