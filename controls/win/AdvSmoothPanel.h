#pragma once
// TAdvSmoothPanel: a container window that paints its client area with a gradient fill, a
// one-line caption drawn with a GDI+ brush (with an optional band behind it and a line under
// it) and a caption in HTML-like mark-up. The wizard's background panel holds every other
// control of the window.
//
// Painting: the whole face is rendered once into a cached 32-bit ARGB bitmap (a premultiplied
// DIB section: GDI+ renders into its pixels, and paints alpha-blend it in one GDI call; no GDI+
// object outlives a paint), which later paints only copy, until a change (of the fill, the caption, Transparent, or the size) sets the
// repaint-needed flag. When Transparent, the parent paints itself under the panel first, so that
// alpha below 255 in the bitmap blends with it. OnDraw follows every paint.
//
// Messages: WM_PAINT and WM_PRINTCLIENT (through the framework), WM_MOUSEMOVE and WM_SETCURSOR
// (hand cursor over a link of the HTML caption), WM_LBUTTONDOWN (OnAnchorClick), WM_MOUSELEAVE
// (OnMouseLeave), WM_NCHITTEST (CanMove: the top 20 pixels drag the window), WM_EXITSIZEMOVE
// (OnEndMoveSize), WM_WINDOWPOSCHANGED (repaint for an active shadow).
//
// After creation: 256 x 128, Transparent, the fill and caption at their initial values.

#include <objidl.h>
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controls/AdvGDIP.h"
#include "controls/AdvSmoothPanel.h"
#include "controls/GDIPFill.h"
#include "controls/GDIPPictureContainer.h"
#include "controls/HtmlCaption.h"
#include "controls/win/GDIPFill.h"
#include "framework/win/Controls.h"
#include "framework/win/Gdi.h"

namespace ctl {

class TAdvSmoothPanel;

// The panel's captions. Every effective change of a property, of a font or of the picture
// refreshes the owning panel.
class TAdvSmoothPanelCaption : public fw::Persistent {
public:
    explicit TAdvSmoothPanelCaption(TAdvSmoothPanel& panel);
    TAdvSmoothPanelCaption(const TAdvSmoothPanelCaption&) = delete;
    TAdvSmoothPanelCaption& operator=(const TAdvSmoothPanelCaption&) = delete;
    virtual ~TAdvSmoothPanelCaption() = default;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // From another caption: Text, Location, Left, Top, ColorStart, ColorEnd, GradientType,
    // HatchStyle, the opacities, Picture, the HTML properties and fonts, Font and Line (not
    // LineColor, the band colours or TextRendering), then one refresh. Other classes are ignored.
    void Assign(const fw::Persistent* source);

    const std::string& Text() const { return text_; }
    void SetText(std::string v) { Set(text_, std::move(v)); }
    TAdvSmoothPanelLocation Location() const { return location_; }
    void SetLocation(TAdvSmoothPanelLocation v) { Set(location_, v); }
    HatchStyle GetHatchStyle() const { return hatchStyle_; }
    void SetHatchStyle(HatchStyle v) { Set(hatchStyle_, v); }
    fw::TFont& HTMLFont() { return htmlFont_; }
    const fw::TFont& HTMLFont() const { return htmlFont_; }
    const std::string& HTMLText() const { return htmlText_; }
    void SetHTMLText(std::string v) { Set(htmlText_, std::move(v)); }
    TAdvSmoothPanelLocation HTMLLocation() const { return htmlLocation_; }
    void SetHTMLLocation(TAdvSmoothPanelLocation v) { Set(htmlLocation_, v); }
    std::int32_t HTMLLeft() const { return htmlLeft_; }
    void SetHTMLLeft(std::int32_t v) { Set(htmlLeft_, v); }
    std::int32_t HTMLTop() const { return htmlTop_; }
    void SetHTMLTop(std::int32_t v) { Set(htmlTop_, v); }
    fw::TColor HTMLURLColor() const { return htmlUrlColor_; }
    void SetHTMLURLColor(fw::TColor v) { Set(htmlUrlColor_, v); }
    fw::TColor HTMLShadowColor() const { return htmlShadowColor_; }
    void SetHTMLShadowColor(fw::TColor v) { Set(htmlShadowColor_, v); }
    std::int32_t HTMLShadowOffset() const { return htmlShadowOffset_; }
    void SetHTMLShadowOffset(std::int32_t v) { Set(htmlShadowOffset_, v); }
    fw::TFont& Font() { return font_; }
    const fw::TFont& Font() const { return font_; }
    std::int32_t Left() const { return left_; }
    void SetLeft(std::int32_t v) { Set(left_, v); }
    std::int32_t Top() const { return top_; }
    void SetTop(std::int32_t v) { Set(top_, v); }
    TAdvGDIPPicture& Picture() { return picture_; }
    const TAdvGDIPPicture& Picture() const { return picture_; }
    void SetPicture(const TAdvGDIPPicture& v) { picture_.Assign(&v); }
    fw::TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(fw::TColor v) { Set(backgroundColor_, v); }
    fw::TColor BackgroundColorTo() const { return backgroundColorTo_; }
    void SetBackgroundColorTo(fw::TColor v) { Set(backgroundColorTo_, v); }
    fw::TColor ColorStart() const { return colorStart_; }
    void SetColorStart(fw::TColor v) { Set(colorStart_, v); }
    fw::TColor ColorEnd() const { return colorEnd_; }
    void SetColorEnd(fw::TColor v) { Set(colorEnd_, v); }
    std::uint8_t OpacityStart() const { return opacityStart_; }
    void SetOpacityStart(std::uint8_t v) { Set(opacityStart_, v); }
    std::uint8_t OpacityEnd() const { return opacityEnd_; }
    void SetOpacityEnd(std::uint8_t v) { Set(opacityEnd_, v); }
    TAdvGradientType GradientType() const { return gradientType_; }
    void SetGradientType(TAdvGradientType v) { Set(gradientType_, v); }
    fw::TColor LineColor() const { return lineColor_; }
    virtual void SetLineColor(fw::TColor v) { Set(lineColor_, v); }
    bool Line() const { return line_; }
    void SetLine(bool v) { Set(line_, v); }
    TAdvSmoothPanelTextRenderingHint TextRendering() const { return textRendering_; }
    void SetTextRendering(TAdvSmoothPanelTextRenderingHint v) { Set(textRendering_, v); }

    TAdvSmoothPanel& Panel() const { return *panel_; }

private:
    template <class T>
    void Set(T& field, T value) {
        if (field == value) return;
        field = std::move(value);
        Changed();
    }
    void Changed();

    TAdvSmoothPanel* panel_;
    std::string text_;
    TAdvSmoothPanelLocation location_ = TAdvSmoothPanelLocation::plTopLeft;
    HatchStyle hatchStyle_ = HatchStyle::HatchStyleHorizontal;
    fw::TFont htmlFont_;
    std::string htmlText_;
    TAdvSmoothPanelLocation htmlLocation_ = TAdvSmoothPanelLocation::plCenterCenter;
    std::int32_t htmlLeft_ = 0;
    std::int32_t htmlTop_ = 0;
    fw::TColor htmlUrlColor_ = 0xFF0000;
    fw::TColor htmlShadowColor_ = 0x808080;
    std::int32_t htmlShadowOffset_ = 5;
    fw::TFont font_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    TAdvGDIPPicture picture_;
    fw::TColor backgroundColor_ = fw::clNone;
    fw::TColor backgroundColorTo_ = fw::clNone;
    fw::TColor colorStart_ = 0xB0721C;
    fw::TColor colorEnd_ = 0x9F661A;
    std::uint8_t opacityStart_ = 255;
    std::uint8_t opacityEnd_ = 255;
    TAdvGradientType gradientType_ = TAdvGradientType::gtVertical;
    fw::TColor lineColor_ = 0xB0721C;
    bool line_ = true;
    TAdvSmoothPanelTextRenderingHint textRendering_ = TAdvSmoothPanelTextRenderingHint::tAntiAliasGridFit;
};

class TAdvSmoothPanel : public fw::TCustomControl {
public:
    static constexpr std::uint32_t kVersionNumber = 0x01020100;

    TAdvSmoothPanel();
    ~TAdvSmoothPanel() override;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // From another smooth panel: the caption's content, the fill and Transparent, then a refresh.
    // Each panel keeps its own caption and fill objects. Other classes are ignored.
    void Assign(const fw::Persistent* source);

    // Marks the cached face stale and asks for a repaint (of the children too: they show the
    // panel through their translucent parts).
    void Changed();

    // Paints everything onto `graphics`, in the panel's client coordinates (`blank`: the pixels
    // under it, when they are the caller's and not yet drawn on).
    virtual void DrawPanel(Gdiplus::Graphics& graphics, std::optional<win::BlankPixels> blank = std::nullopt);
    virtual std::uint32_t GetVersionNr() const { return kVersionNumber; }

    void Paint(HDC dc) override;

    bool CanMove() const { return canMove_; }
    void SetCanMove(bool v) { canMove_ = v; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    TAdvSmoothPanelCaption& Caption() { return caption_; }
    const TAdvSmoothPanelCaption& Caption() const { return caption_; }
    void SetCaption(const TAdvSmoothPanelCaption& v) { caption_.Assign(&v); }
    TGDIPFill& Fill() { return fill_; }
    const TGDIPFill& Fill() const { return fill_; }
    void SetFill(const TGDIPFill& v) { fill_.Assign(&v); }
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST v);
    TAdvHintInfo& OfficeHint() { return officeHint_; }
    TGDIPPictureContainer* PictureContainer() const { return pictureContainer_; }
    void SetPictureContainer(TGDIPPictureContainer* v);
    std::string Version() const { return VersionNumberText(GetVersionNr()); }
    void SetVersion(std::string_view) {}  // read-only: writing has no effect

    // A removed component must not stay referenced (the picture container, say).
    void ComponentRemoved(const fw::Component& component);

    std::function<void(TAdvSmoothPanel& sender, const std::string& anchor)> OnAnchorClick;
    std::function<void(TAdvSmoothPanel& sender, HDC canvas, const RECT& rect)> OnDraw;
    fw::NotifyEvent OnMouseEnter;
    fw::NotifyEvent OnMouseLeave;
    fw::NotifyEvent OnEndMoveSize;

    // State, for tests and benchmarks.
    bool RepaintNeeded() const { return repaintNeeded_; }
    int CacheBuilds() const { return cacheBuilds_; }
    bool LinkHover() const { return linkHover_; }
    int CaptionLayouts() const { return captionLayout_.Builds(); }
    // Where the HTML caption goes at the panel's size (left, top, right, bottom).
    RectL HtmlCaptionRect() const { return LaidOutCaptions().htmlRect; }
    // The link of the HTML caption under a client point, as it is painted; empty when none.
    std::string AnchorAt(int x, int y) const;
    // What the mouse does at a client point (hover state and cursor; a press raises OnAnchorClick).
    void MouseMoveAt(int x, int y);
    void MouseDownAt(int x, int y);

    // To readers the HTML caption is static text holding its plain text (after the plain caption's
    // text), a child of the panel before its controls, present while it says something or holds
    // a link; each link is a link child of it whose default action is the anchor click.
    std::vector<fw::AccessibleElement*> AccChildren() const override;
    // The HTML caption laid out at the panel's size, every line kept.
    const HtmlLayout& CaptionLayout() const;

protected:
    void CreateParams(fw::WindowParams& params) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void BoundsChanged() override;
    void PixelsPerInchChanged() override { Changed(); }
    void AccessibleAction(WPARAM part) override;  // part: link index + 1

private:
    class CaptionElement;
    class LinkElement;
    CaptionElement& AccCaption() const;
    void RebuildCache();
    void PaintParent(HDC dc);
    void DrawPlainCaption(Gdiplus::Graphics& graphics, const PanelCaptionLayout& layout);
    PanelCaptionInputs CaptionInputs() const;
    // The captions' layout at the panel's size and DPI, made on `painting` when one is due (else
    // on a scratch graphics set up as painting sets up its own).
    const PanelCaptionLayout& LaidOutCaptions(Gdiplus::Graphics* painting = nullptr) const;

    bool canMove_ = false;
    bool transparent_ = true;
    TGDIPFill fill_;
    TAdvSmoothPanelCaption caption_;
    TAdvHintInfo officeHint_;
    HIMAGELIST images_ = nullptr;
    TGDIPPictureContainer* pictureContainer_ = nullptr;

    bool repaintNeeded_ = true;
    std::unique_ptr<fw::OffscreenBitmap> cache_;
    int cacheBuilds_ = 0;
    bool linkHover_ = false;
    bool mouseInside_ = false;
    std::uint64_t changes_ = 0;  // effective changes so far: a caption layout is made for one count
    mutable PanelCaptionCache captionLayout_;
    int lastWidth_ = 0, lastHeight_ = 0;
    // Made when a reader first asks for the panel's children.
    mutable std::unique_ptr<CaptionElement> accCaption_;
};

void RegisterSmoothPanelClasses(fw::ClassRegistry& registry);

}  // namespace ctl
