#include "controls/win/AdvSmoothPanel.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "controls/GDIPFillTable.h"
#include "controls/win/AdvGDIP.h"
#include "controls/win/GDIPFill.h"
#include "controls/win/HtmlCaptionGdip.h"
#include "framework/Colour.h"

namespace ctl {

using fw::clNone;
using fw::ToArgb;

namespace {

int Round(float v) { return static_cast<int>(std::lround(v)); }

// The canvas font of a framework font, at the font's DPI: bold, italic and underline (strike-out
// is dropped).
TextFont CanvasFont(const fw::TFont& font) {
    int style = 0;
    if (font.Style() & fw::fsBold) style |= Gdiplus::FontStyleBold;
    if (font.Style() & fw::fsItalic) style |= Gdiplus::FontStyleItalic;
    if (font.Style() & fw::fsUnderline) style |= Gdiplus::FontStyleUnderline;
    return {font.Name(), std::max(1.0f, font.DrawingPoints()), style};
}

HtmlFont ToHtmlFont(const fw::TFont& font) {
    HtmlFont f;
    f.name = font.Name();
    f.size = font.Size();
    f.colour = font.Color();
    f.bold = font.Style() & fw::fsBold;
    f.italic = font.Style() & fw::fsItalic;
    f.underline = font.Style() & fw::fsUnderline;
    f.strikeOut = font.Style() & fw::fsStrikeOut;
    return f;
}

Gdiplus::TextRenderingHint ToHint(TAdvSmoothPanelTextRenderingHint hint) {
    switch (hint) {
    case TAdvSmoothPanelTextRenderingHint::tAntiAlias: return Gdiplus::TextRenderingHintAntiAlias;
    case TAdvSmoothPanelTextRenderingHint::tAntiAliasGridFit: return Gdiplus::TextRenderingHintAntiAliasGridFit;
    case TAdvSmoothPanelTextRenderingHint::tClearType: return Gdiplus::TextRenderingHintClearTypeGridFit;
    }
    return Gdiplus::TextRenderingHintAntiAliasGridFit;
}

// Premultiplied "source over" of the cached face onto the target context's own pixels, when the
// target is a plain top-down 32-bit DIB with an untouched origin and a rectangular clip (the
// framework's double buffer). Returns false, having drawn nothing, for any other context.
bool BlendOntoDib(HDC dc, const fw::OffscreenBitmap& face) {
    DIBSECTION dib{};
    auto* bitmap = static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP));
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return false;
    if (dib.dsBm.bmBitsPixel != 32 || dib.dsBm.bmBits == nullptr) return false;
    POINT window{}, viewport{};
    ::GetWindowOrgEx(dc, &window);
    ::GetViewportOrgEx(dc, &viewport);
    // A moved window origin is allowed (a glass button has its parent paint into the button's
    // own bitmap that way): logical (x, y) is the bitmap's pixel (x - window.x, y - window.y).
    if (viewport.x || viewport.y || ::GetGraphicsMode(dc) != GM_COMPATIBLE) return false;
    RECT clip{};
    const int kind = ::GetClipBox(dc, &clip);
    if (kind == NULLREGION) return true;
    if (kind != SIMPLEREGION) return false;
    const int right = std::min<int>({clip.right, face.Width(), window.x + dib.dsBm.bmWidth});
    const int bottom = std::min<int>({clip.bottom, face.Height(), window.y + dib.dsBm.bmHeight});
    const int left = std::max<int>({clip.left, 0, window.x}), top = std::max<int>({clip.top, 0, window.y});
    ::GdiFlush();
    auto* target = static_cast<std::uint32_t*>(dib.dsBm.bmBits);
    const int stride = dib.dsBm.bmWidthBytes / 4;
    // The reported header does not reliably tell a top-down DIB from a bottom-up one: flip the
    // first stored pixel and see whether GDI's pixel (0, 0) follows.
    const std::uint32_t first = target[0];
    const COLORREF before = ::GetPixel(dc, window.x, window.y);
    target[0] = first ^ 0x00FFFFFF;
    const bool topDown = ::GetPixel(dc, window.x, window.y) != before || dib.dsBm.bmHeight == 1;
    target[0] = first;
    for (int y = top; y < bottom; ++y) {
        const std::uint32_t* s = face.Pixels() + static_cast<std::size_t>(y) * face.Width();
        const int row = topDown ? y - window.y : dib.dsBm.bmHeight - 1 - (y - window.y);
        std::uint32_t* d = target + static_cast<std::size_t>(row) * stride - window.x;
        for (int x = left; x < right; ++x) {
            const std::uint32_t src = s[x];
            const std::uint32_t a = src >> 24;
            if (a == 255) {
                d[x] = src;
            } else if (src != 0) {
                // Each channel: src + dst * (255 - a) / 255, two channels per multiply, rounded.
                const std::uint32_t inv = 255 - a, dst = d[x];
                std::uint32_t rb = (dst & 0x00FF00FF) * inv + 0x00800080;
                rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
                std::uint32_t ag = ((dst >> 8) & 0x00FF00FF) * inv + 0x00800080;
                ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
                d[x] = src + rb + ag;
            }
        }
    }
    return true;
}

}  // namespace

// ---- Caption -----------------------------------------------------------------------------------

TAdvSmoothPanelCaption::TAdvSmoothPanelCaption(TAdvSmoothPanel& panel) : panel_(&panel) {
    font_.SetName("Tahoma");
    font_.SetSize(12);
    htmlFont_.SetName("Tahoma");
    font_.OnChange = [this] { Changed(); };
    htmlFont_.OnChange = [this] { Changed(); };
    picture_.OnChange = [this](fw::Persistent&) { Changed(); };
}

void TAdvSmoothPanelCaption::Changed() { panel_->Changed(); }

void TAdvSmoothPanelCaption::Assign(const fw::Persistent* source) {
    auto* s = dynamic_cast<const TAdvSmoothPanelCaption*>(source);
    if (s == nullptr || s == this) return;
    // Everything but the line's colour, the background colours and the text rendering.
    fw::CopyValueProperties(*s, *this, {"LineColor", "BackgroundColor", "BackgroundColorTo", "TextRendering"});
    picture_.Assign(&s->picture_);
    htmlFont_.Assign(s->htmlFont_);
    font_.Assign(s->font_);
    Changed();
}

const fw::ClassInfo& TAdvSmoothPanelCaption::Class() const { return StaticClass(); }

const fw::ClassInfo& TAdvSmoothPanelCaption::StaticClass() {
    using C = TAdvSmoothPanelCaption;
    using namespace table;
    using fw::TColor;
    using std::uint8_t;
    using enum TAdvSmoothPanelLocation;
    static const fw::ClassInfo info{
        "TAdvSmoothPanelCaption",
        nullptr,
        {
            Property("Text", &C::Text, &C::SetText, std::nullopt),
            Property("Location", &C::Location, &C::SetLocation, plTopLeft, &SmoothPanelLocationEnum()),
            Property("HatchStyle", &C::GetHatchStyle, &C::SetHatchStyle, HatchStyle::HatchStyleHorizontal,
                     &HatchStyleEnum()),
            Object<C, fw::TFont>("HTMLFont", &C::HTMLFont, fw::TFont::StaticClass()),
            Property("HTMLText", &C::HTMLText, &C::SetHTMLText, std::nullopt),
            Property("HTMLLocation", &C::HTMLLocation, &C::SetHTMLLocation, plCenterCenter,
                     &SmoothPanelLocationEnum()),
            fw::Pixels(Property("HTMLLeft", &C::HTMLLeft, &C::SetHTMLLeft, 0), fw::PixelUnit::Position),
            fw::Pixels(Property("HTMLTop", &C::HTMLTop, &C::SetHTMLTop, 0), fw::PixelUnit::Position),
            Colour<C, TColor>("HTMLURLColor", &C::HTMLURLColor, &C::SetHTMLURLColor, 0xFF0000),
            Colour<C, TColor>("HTMLShadowColor", &C::HTMLShadowColor, &C::SetHTMLShadowColor, 0x808080),
            fw::Pixels(Property("HTMLShadowOffset", &C::HTMLShadowOffset, &C::SetHTMLShadowOffset, 5), fw::PixelUnit::Length),
            Object<C, fw::TFont>("Font", &C::Font, fw::TFont::StaticClass()),
            fw::Pixels(Property("Left", &C::Left, &C::SetLeft, 0), fw::PixelUnit::Position),
            fw::Pixels(Property("Top", &C::Top, &C::SetTop, 0), fw::PixelUnit::Position),
            Object<C, TAdvGDIPPicture>("Picture", &C::Picture, TAdvGDIPPicture::StaticClass()),
            Colour<C, TColor>("BackgroundColor", &C::BackgroundColor, &C::SetBackgroundColor, clNone),
            Colour<C, TColor>("BackgroundColorTo", &C::BackgroundColorTo, &C::SetBackgroundColorTo, clNone),
            Colour<C, TColor>("ColorStart", &C::ColorStart, &C::SetColorStart, 0xB0721C),
            Colour<C, TColor>("ColorEnd", &C::ColorEnd, &C::SetColorEnd, 0x9F661A),
            Property<C, uint8_t>("OpacityStart", &C::OpacityStart, &C::SetOpacityStart, 255),
            Property<C, uint8_t>("OpacityEnd", &C::OpacityEnd, &C::SetOpacityEnd, 255),
            Property("GradientType", &C::GradientType, &C::SetGradientType, TAdvGradientType::gtVertical,
                     &AdvGradientTypeEnum()),
            Colour<C, TColor>("LineColor", &C::LineColor, &C::SetLineColor, 0xB0721C),
            Property("Line", &C::Line, &C::SetLine, true),
            Property("TextRendering", &C::TextRendering, &C::SetTextRendering,
                     TAdvSmoothPanelTextRenderingHint::tAntiAliasGridFit, &SmoothPanelTextRenderingHintEnum()),
        }};
    return info;
}

// ---- Panel -------------------------------------------------------------------------------------

TAdvSmoothPanel::TAdvSmoothPanel() : caption_(*this) {
    fill_.OnChange = [this](fw::Persistent&) { Changed(); };
    SetBounds(0, 0, 256, 128);
    lastWidth_ = Width();
    lastHeight_ = Height();
}

TAdvSmoothPanel::~TAdvSmoothPanel() {
    AccDisconnect();
    fill_.OnChange = nullptr;
    cache_.reset();
}

void TAdvSmoothPanel::Changed() {
    repaintNeeded_ = true;
    ++changes_;
    if (HandleAllocated() && !FormSettingUp()) ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TAdvSmoothPanel::SetTransparent(bool v) {
    if (transparent_ == v) return;
    transparent_ = v;
    Changed();
}

void TAdvSmoothPanel::SetImages(HIMAGELIST v) {
    if (images_ == v) return;
    images_ = v;
    Changed();
}

void TAdvSmoothPanel::SetPictureContainer(TGDIPPictureContainer* v) {
    if (pictureContainer_ == v) return;
    pictureContainer_ = v;
    Changed();
}

void TAdvSmoothPanel::ComponentRemoved(const fw::Component& component) {
    if (&component == pictureContainer_) SetPictureContainer(nullptr);
}

void TAdvSmoothPanel::Assign(const fw::Persistent* source) {
    auto* s = dynamic_cast<const TAdvSmoothPanel*>(source);
    if (s == nullptr || s == this) return;
    caption_.Assign(&s->caption_);
    fill_.Assign(&s->fill_);
    transparent_ = s->transparent_;
    Changed();
}

void TAdvSmoothPanel::CreateParams(fw::WindowParams& params) {
    fw::TCustomControl::CreateParams(params);
    params.style &= ~static_cast<DWORD>(WS_BORDER);
}

void TAdvSmoothPanel::BoundsChanged() {
    fw::TCustomControl::BoundsChanged();
    if (Width() != lastWidth_ || Height() != lastHeight_) {
        lastWidth_ = Width();
        lastHeight_ = Height();
        Changed();
    }
}

void TAdvSmoothPanel::RebuildCache() {
    repaintNeeded_ = false;
    cache_.reset();
    cache_ = std::make_unique<fw::OffscreenBitmap>(nullptr, Width(), Height());
    std::fill_n(cache_->Pixels(), static_cast<std::size_t>(Width()) * Height(), 0u);  // all transparent
    {
        // GDI+ renders straight into the DIB's premultiplied pixels; the wrapper goes at once.
        Gdiplus::Bitmap pixels(Width(), Height(), Width() * 4, PixelFormat32bppPARGB,
                               reinterpret_cast<BYTE*>(cache_->Pixels()));
        Gdiplus::Graphics graphics(&pixels);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetTextRenderingHint(ToHint(caption_.TextRendering()));
        DrawPanel(graphics, win::BlankPixels{cache_->Pixels(), Width(), Height()});
    }
    ::GdiFlush();
    ++cacheBuilds_;
}

void TAdvSmoothPanel::PaintParent(HDC dc) {
    // The parent paints itself (background and non-windowed children) into our context, its
    // origin moved so that the panel's top-left is at (0, 0).
    fw::ScopedSaveDc saved(dc);
    POINT origin{};
    ::GetWindowOrgEx(dc, &origin);
    ::SetWindowOrgEx(dc, origin.x + Left(), origin.y + Top(), nullptr);
    Parent()->PaintWindow(dc);
}

void TAdvSmoothPanel::Paint(HDC dc) {
    if (transparent_ && Parent()) PaintParent(dc);
    else PaintBackground(dc);
    if (Width() > 1 && Height() > 1) {
        if (repaintNeeded_ || !cache_ || cache_->Width() != Width() || cache_->Height() != Height()) RebuildCache();
        if (!BlendOntoDib(dc, *cache_)) {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            ::GdiAlphaBlend(dc, 0, 0, Width(), Height(), cache_->Dc(), 0, 0, Width(), Height(), blend);
        }
    }
    if (OnDraw) OnDraw(*this, dc, ClientRect());
}

void TAdvSmoothPanel::DrawPanel(Gdiplus::Graphics& graphics, std::optional<win::BlankPixels> blank) {
    const PanelCaptionLayout& layout = LaidOutCaptions(&graphics);
    win::GdiplusCanvas canvas(graphics, blank);
    fill_.Fill(&canvas, PanelFillRect(Width(), Height(), fill_.BorderColor(), fill_.BorderWidth()));
    if (!caption_.Text().empty()) DrawPlainCaption(graphics, layout);
    if (!caption_.HTMLText().empty()) {
        GdipHtmlCanvas html(graphics, pictureContainer_, images_, layout.htmlOptions.dpi);
        PaintHtml(layout.drawn, html, layout.htmlOptions);
    }
}

void TAdvSmoothPanel::DrawPlainCaption(Gdiplus::Graphics& graphics, const PanelCaptionLayout& layout) {
    const TAdvSmoothPanelCaption& cap = caption_;
    const TextFont font = CanvasFont(cap.Font());
    const RectF t = layout.area.area;
    const float r = layout.area.reserve;
    const float tw = layout.textBounds.width, th = layout.textBounds.height;
    const PointL at = layout.at;
    const float x = static_cast<float>(at.x), y = static_cast<float>(at.y);
    win::GdiplusCanvas canvas(graphics);
    const TextFormat format;  // the graphics layer's defaults

    if (cap.BackgroundColor() != clNone) {
        TGDIPFill band;  // the initial fill, recoloured, without a mirror or a border
        band.SetColor(cap.BackgroundColor());
        band.SetColorTo(cap.BackgroundColorTo());
        band.SetBorderColor(clNone);
        band.SetBorderWidth(0);
        band.Fill(&canvas, {0, 0, static_cast<float>(Round(t.width - r)), th});
    }

    const Argb start = ToArgb(cap.OpacityStart(), cap.ColorStart());
    const Argb end = cap.ColorEnd() == clNone ? start : ToArgb(cap.OpacityEnd(), cap.ColorEnd());
    std::optional<Brush> brush;
    using enum TAdvGradientType;
    switch (cap.GradientType()) {
    case gtSolid: brush = SolidBrush{start}; break;
    case gtVertical: brush = LineGradientBrush{{x, y}, {x, y + th}, start, end}; break;
    case gtHorizontal: brush = LineGradientBrush{{x, y}, {x + tw, y}, start, end}; break;
    case gtForwardDiagonal: brush = LineGradientBrush{{x, y}, {x + tw, y + th}, start, end}; break;
    case gtBackwardDiagonal: brush = LineGradientBrush{{x, y + th}, {x + tw, y}, end, start}; break;
    case gtHatch: brush = HatchBrush{static_cast<std::int32_t>(cap.GetHatchStyle()), start, end}; break;
    case gtTexture:
        if (!cap.Picture().Empty()) brush = TextureBrush{&cap.Picture()};
        break;
    default: break;  // no brush, no text
    }
    if (brush) {
        const RectF box{x, y, static_cast<float>(Round(t.width - 2 - r)), static_cast<float>(Height() - layout.shadow - 1)};
        canvas.DrawString(cap.Text(), font, box, format, *brush);
    }

    if (cap.LineColor() != clNone && cap.Line()) {
        const float ly = CaptionLineY(cap.Location(), at.y, th);
        canvas.DrawLine({static_cast<float>(Round(t.x + 2)), ly}, {static_cast<float>(Round(t.width - 2)), ly},
                        Pen{ToArgb(255, cap.LineColor()), static_cast<float>(fw::DpiScale(PixelsPerInch()).Line(1))});
    }
}

PanelCaptionInputs TAdvSmoothPanel::CaptionInputs() const {
    const TAdvSmoothPanelCaption& cap = caption_;
    PanelCaptionInputs in;
    in.width = Width();
    in.height = Height();
    in.fill = const_cast<TGDIPFill*>(&fill_);  // its picture's size is refreshed by decoding
    in.text = cap.Text();
    in.font = CanvasFont(cap.Font());
    in.location = cap.Location();
    in.left = cap.Left();
    in.top = cap.Top();
    in.html = cap.HTMLText();
    in.options.font = ToHtmlFont(cap.HTMLFont());
    in.options.lineSpacing = fw::DpiScale(PixelsPerInch()).Length(2);
    in.options.dpi = PixelsPerInch();
    in.options.linkColour = cap.HTMLURLColor();
    in.options.shadowColour = cap.HTMLShadowColor();
    in.options.shadowOffset = cap.HTMLShadowOffset();
    in.htmlLocation = cap.HTMLLocation();
    in.htmlLeft = cap.HTMLLeft();
    in.htmlTop = cap.HTMLTop();
    return in;
}

const PanelCaptionLayout& TAdvSmoothPanel::LaidOutCaptions(Gdiplus::Graphics* painting) const {
    const PanelCaptionCache::Key key{Width(), Height(), PixelsPerInch(), changes_};
    return captionLayout_.Get(key, [&] {
        // Measured as painting measures: on the paint's graphics, or on a scratch one set up alike.
        std::optional<Gdiplus::Bitmap> scratch;
        std::optional<Gdiplus::Graphics> scratchGraphics;
        if (!painting) {
            scratch.emplace(1, 1, PixelFormat32bppARGB);
            scratchGraphics.emplace(&*scratch);
            scratchGraphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            scratchGraphics->SetTextRenderingHint(ToHint(caption_.TextRendering()));
        }
        Gdiplus::Graphics& graphics = painting ? *painting : *scratchGraphics;
        win::GdiplusCanvas canvas(graphics);
        const PanelCaptionInputs in = CaptionInputs();
        const GdipTextMeasurer measurer(graphics, in.options.dpi);
        const GdipHtmlImages sources(pictureContainer_, images_);
        return LayoutPanelCaptions(in, canvas, measurer, sources.Sources());
    });
}

std::string TAdvSmoothPanel::AnchorAt(int x, int y) const {
    if (caption_.HTMLText().empty()) return {};
    const auto hit = HitTestHtml(LaidOutCaptions().drawn, x, y);
    return hit && hit->link >= 0 ? hit->target : std::string{};
}

// ---- The caption to readers ---------------------------------------------------------------------

namespace {

std::wstring Trimmed(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n') c = L' ';  // a line break reads as a pause
    }
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

}  // namespace

class TAdvSmoothPanel::LinkElement : public fw::AccessibleElement {
public:
    LinkElement(TAdvSmoothPanel& panel, int index) : panel_(panel), index_(index) {}

    long AccRole() const override { return ROLE_SYSTEM_LINK; }
    std::wstring AccName() const override {
        std::string text;
        const HtmlLayout& layout = panel_.CaptionLayout();
        for (const HtmlInstr& instr : layout.instrs) {
            if (instr.link == index_ && instr.kind == HtmlInstrKind::Text) text += instr.text;
        }
        return Trimmed(fw::Widen(text));
    }
    HRESULT AccValue(std::wstring& value) const override {
        const HtmlLayout& layout = panel_.CaptionLayout();
        if (static_cast<std::size_t>(index_) >= layout.links.size()) return DISP_E_MEMBERNOTFOUND;
        value = fw::Widen(layout.links[static_cast<std::size_t>(index_)]);
        return S_OK;
    }
    DWORD AccState() const override {
        return (panel_.AccState() & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)) | STATE_SYSTEM_LINKED;
    }
    bool AccScreenRect(RECT& rect) const override {
        if (!panel_.HandleAllocated()) return false;
        const HtmlLayout& layout = panel_.CaptionLayout();
        bool any = false;
        for (const HtmlInstr& instr : layout.instrs) {
            if (instr.link != index_) continue;
            const RECT box{instr.box.left, instr.box.top, instr.box.right, instr.box.bottom};
            if (!any) {
                rect = box;
            } else {
                ::UnionRect(&rect, &rect, &box);
            }
            any = true;
        }
        if (any) ::MapWindowPoints(panel_.Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return any;
    }
    std::wstring AccDefaultAction() const override { return L"Jump"; }
    HRESULT AccDoDefaultAction() override { return panel_.PostAccessibleAction(static_cast<WPARAM>(index_) + 1); }
    fw::AccessibleElement* AccParent() const override;

private:
    TAdvSmoothPanel& panel_;
    int index_;
};

class TAdvSmoothPanel::CaptionElement : public fw::AccessibleElement {
public:
    explicit CaptionElement(TAdvSmoothPanel& panel) : panel_(panel) {}

    long AccRole() const override { return ROLE_SYSTEM_STATICTEXT; }
    std::wstring AccName() const override { return Text(panel_.CaptionLayout()); }
    DWORD AccState() const override {
        return (panel_.AccState() & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)) | STATE_SYSTEM_READONLY;
    }
    bool AccScreenRect(RECT& rect) const override {
        if (!panel_.HandleAllocated()) return false;
        const RectL r = panel_.HtmlCaptionRect();
        rect = {r.left, r.top, r.right, r.bottom};
        ::MapWindowPoints(panel_.Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return true;
    }
    std::vector<fw::AccessibleElement*> AccChildren() const override {
        Refresh();
        std::vector<fw::AccessibleElement*> children;
        for (const auto& link : links_) children.push_back(link.get());
        return children;
    }
    fw::AccessibleElement* AccParent() const override { return &panel_; }

    // Whether the caption says anything; the link children follow the caption's links (a link
    // that went takes its object's link along).
    bool Refresh() const {
        const HtmlLayout& layout = panel_.CaptionLayout();
        const std::size_t count = layout.links.size();
        while (links_.size() > count) links_.pop_back();
        while (links_.size() < count) links_.push_back(std::make_unique<LinkElement>(panel_, static_cast<int>(links_.size())));
        return count > 0 || !Text(layout).empty();
    }

private:
    std::wstring Text(const HtmlLayout& layout) const {
        return Trimmed(fw::Widen(panel_.Caption().Text()) + L" " + fw::Widen(layout.plainText));
    }

    TAdvSmoothPanel& panel_;
    mutable std::vector<std::unique_ptr<LinkElement>> links_;
};

fw::AccessibleElement* TAdvSmoothPanel::LinkElement::AccParent() const { return &panel_.AccCaption(); }

TAdvSmoothPanel::CaptionElement& TAdvSmoothPanel::AccCaption() const {
    if (!accCaption_) accCaption_ = std::make_unique<CaptionElement>(const_cast<TAdvSmoothPanel&>(*this));
    return *accCaption_;
}

const HtmlLayout& TAdvSmoothPanel::CaptionLayout() const { return LaidOutCaptions().lines; }

std::vector<fw::AccessibleElement*> TAdvSmoothPanel::AccChildren() const {
    std::vector<fw::AccessibleElement*> children;
    if (AccCaption().Refresh()) children.push_back(&AccCaption());
    const std::vector<fw::AccessibleElement*> controls = fw::TCustomControl::AccChildren();
    children.insert(children.end(), controls.begin(), controls.end());
    return children;
}

void TAdvSmoothPanel::AccessibleAction(WPARAM part) {
    // The link is looked up again: the caption may have changed since the action was asked for.
    const HtmlLayout& layout = CaptionLayout();
    if (part == 0 || part > layout.links.size()) return;
    if (OnAnchorClick) OnAnchorClick(*this, layout.links[part - 1]);
}

void TAdvSmoothPanel::MouseMoveAt(int x, int y) {
    const bool hover = !AnchorAt(x, y).empty();
    if (hover == linkHover_) return;
    linkHover_ = hover;
    // The remembered cursor comes back when the link is left (WM_SETCURSOR asks again).
    if (HandleAllocated()) ::SetCursor(::LoadCursorW(nullptr, hover ? IDC_HAND : IDC_ARROW));
}

void TAdvSmoothPanel::MouseDownAt(int x, int y) {
    if (!linkHover_) return;
    const std::string anchor = AnchorAt(x, y);
    if (!anchor.empty() && OnAnchorClick) OnAnchorClick(*this, anchor);
}

LRESULT TAdvSmoothPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            ::TrackMouseEvent(&track);
            OnMouseEnter(*this);
        }
        MouseMoveAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        linkHover_ = false;
        OnMouseLeave(*this);
        break;
    case WM_LBUTTONDOWN:
        MouseDownAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_SETCURSOR:
        if (linkHover_ && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_NCHITTEST: {
        const LRESULT hit = fw::TCustomControl::WndProc(message, wParam, lParam);
        if (canMove_ && hit == HTCLIENT) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ScreenToClient(Handle(), &p);
            if (p.y < 20 && p.x > 0 && p.x < Width()) {
                MouseMoveAt(p.x, p.y);
                return HTCAPTION;
            }
        }
        return hit;
    }
    case WM_EXITSIZEMOVE:
        OnEndMoveSize(*this);
        break;
    case WM_WINDOWPOSCHANGED:
        if (fill_.ShadowActive()) Invalidate();
        break;
    case WM_SIZE:
        Invalidate();
        break;
    default:
        break;
    }
    return fw::TCustomControl::WndProc(message, wParam, lParam);
}

const fw::ClassInfo& TAdvSmoothPanel::Class() const { return StaticClass(); }

namespace {

fw::PropertyInfo Event(std::string_view name, fw::NotifyEvent TAdvSmoothPanel::*member) {
    fw::PropertyInfo info;
    info.name = name;
    info.type = fw::PropertyType::Event;
    info.setEvent = [member](fw::Persistent& p, fw::NotifyEvent e) { static_cast<TAdvSmoothPanel&>(p).*member = e; };
    info.get = [member](const fw::Persistent& p) -> fw::Value {
        return fw::Identifier{(static_cast<const TAdvSmoothPanel&>(p).*member).name};
    };
    return info;
}

}  // namespace

const fw::ClassInfo& TAdvSmoothPanel::StaticClass() {
    using C = TAdvSmoothPanel;
    using namespace table;
    static const fw::ClassInfo info{
        "TAdvSmoothPanel",
        &fw::TCustomControl::StaticClass(),
        [] {
            std::vector<fw::PropertyInfo> p{
                Property("CanMove", &C::CanMove, &C::SetCanMove, false),
                Property("Transparent", &C::Transparent, &C::SetTransparent, true),
                Object<C, TAdvSmoothPanelCaption>("Caption", &C::Caption, TAdvSmoothPanelCaption::StaticClass()),
                Object<C, TGDIPFill>("Fill", &C::Fill, TGDIPFill::StaticClass()),
                Object<C, TAdvHintInfo>("OfficeHint", &C::OfficeHint, TAdvHintInfo::StaticClass()),
                Event("OnMouseEnter", &C::OnMouseEnter),
                Event("OnMouseLeave", &C::OnMouseLeave),
                Event("OnEndMoveSize", &C::OnEndMoveSize),
            };
            fw::PropertyInfo container;
            container.name = "PictureContainer";
            container.type = fw::PropertyType::Reference;
            container.setReference = [](fw::Persistent& o, fw::Component* c) {
                static_cast<C&>(o).SetPictureContainer(dynamic_cast<TGDIPPictureContainer*>(c));
            };
            container.get = [](const fw::Persistent& o) -> fw::Value {
                const TGDIPPictureContainer* c = static_cast<const C&>(o).PictureContainer();
                return fw::Identifier{c ? c->Name() : std::string{}};
            };
            p.push_back(container);
            fw::PropertyInfo version;  // read-only text: writing it has no effect
            version.name = "Version";
            version.type = fw::PropertyType::String;
            version.declaredDefault = fw::Value{VersionNumberText(kVersionNumber)};
            version.set = [](fw::Persistent&, const fw::Value&) {};
            version.get = [](const fw::Persistent& o) -> fw::Value { return static_cast<const C&>(o).Version(); };
            p.push_back(version);
            return p;
        }()};
    return info;
}

void RegisterSmoothPanelClasses(fw::ClassRegistry& registry) {
    registry.Register(TAdvSmoothPanel::StaticClass(), [] { return std::make_unique<TAdvSmoothPanel>(); });
    registry.Register(TGDIPPictureContainer::StaticClass(), [] { return std::make_unique<TGDIPPictureContainer>(); });
}

}  // namespace ctl
