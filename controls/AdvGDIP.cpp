#include "controls/AdvGDIP.h"

#include <fstream>
#include <iterator>

namespace ctl {

void TGraphic::SetTransparent(bool value) {
    if (transparent_ == value) return;
    transparent_ = value;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange) OnChange(*this);
}

void TEncodedPicture::DecodeWith(SizeDecoder decoder) {
    if (!HasBytes() || decoder == nullptr) return;
    if (auto size = decoder(data_)) size_ = *size;
}

void TEncodedPicture::ReadData(ByteView bytes) {
    data_.assign(bytes.begin(), bytes.end());
    // No bytes read means no image: an empty picture streams as an empty property.
    empty_ = data_.empty();
    if (empty_) size_ = {};
    Decode();
    Changed();
}

void TEncodedPicture::LoadFromStream(ByteView bytes) {
    if (bytes.empty()) return;
    data_.assign(bytes.begin(), bytes.end());
    empty_ = false;
    Decode();
    Changed();
}

void TEncodedPicture::SaveToStream(fw::Bytes& out) const { out.insert(out.end(), data_.begin(), data_.end()); }

void TEncodedPicture::LoadFromFile(const std::filesystem::path& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    fw::Bytes bytes;
    if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file && !file.eof()) {
        // Unreadable: the picture is empty, and the caller hears nothing of it.
        empty_ = true;
        return;
    }
    data_ = std::move(bytes);
    empty_ = false;
    Cleared();
    size_ = ImageSizeByExtension(data_, fileName.filename().string());
    Changed();
}

void TEncodedPicture::Clear() {
    data_.clear();
    empty_ = true;
    size_ = {};
    Changed();
    Cleared();
}

void TEncodedPicture::TakeBytes(fw::Bytes bytes, bool emptyWhenNone) {
    data_ = std::move(bytes);
    empty_ = emptyWhenNone && data_.empty();
    if (empty_) size_ = {};
    Decode();  // before the event, so that listeners read the new size
    Changed();
}

void TEncodedPicture::Cleared() {
    if (OnClear) OnClear(*this);
}

void TAdvGDIPPicture::Assign(const fw::Persistent* source) { AssignAs<TAdvGDIPPicture>(source); }

const fw::ClassInfo& TAdvGDIPPicture::Class() const { return StaticClass(); }

const fw::ClassInfo& TAdvGDIPPicture::StaticClass() {
    static const fw::ClassInfo info{
        "TAdvGDIPPicture",
        nullptr,
        {
            DataProperty(),
        }};
    return info;
}

}  // namespace ctl
