#include "controls/win/AdvProgressBar.h"

#include <oleacc.h>

#include <algorithm>
#include <map>
#include <memory>

#include "controls/win/GdipFont.h"

namespace ctl {
namespace {

RECT ToRect(const BarRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// A solid rectangle in one colour, as a rectangle drawn with pen and brush of that colour.
void FillSolid(HDC dc, const BarRect& rect, std::uint32_t colour) {
    const RECT r = ToRect(rect);
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void DrawFrame(HDC dc, const BarInstruction& frame) {
    fw::UniquePen pen(::CreatePen(frame.penWidth > 1 ? PS_INSIDEFRAME : PS_SOLID, frame.penWidth, frame.pen));
    fw::ScopedSelect selectPen(dc, pen.Get());
    ::SetDCBrushColor(dc, frame.colour);
    fw::ScopedSelect selectBrush(dc, ::GetStockObject(DC_BRUSH));
    const RECT r = ToRect(frame.rect);
    if (frame.rounded) {
        ::RoundRect(dc, r.left, r.top, r.right, r.bottom, frame.corner, frame.corner);
    } else {
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ProgressBarPainter

std::wstring ProgressBarPainter::AvailableFace(const std::string& requested) {
    // Looked up once per face: enumerating fonts on every tick would cost more than the paint.
    static std::map<std::string, std::wstring> known;
    if (const auto it = known.find(requested); it != known.end()) return it->second;
    std::wstring face = fw::Widen(requested);
    if (!win::FaceInstalled(face)) {
        for (const wchar_t* fallback : {L"Arial", L"Tahoma"}) {
            if (win::FaceInstalled(fallback)) {
                face = fallback;
                break;
            }
        }
    }
    known.emplace(requested, face);
    return face;
}

HFONT ProgressBarPainter::FontFor(const fw::TFont& font, bool rotated) {
    if (!cacheValid_ || !cachedFor_.SameAs(font)) {
        cachedFor_.Assign(font);
        cacheValid_ = true;
        fonts_[0].Reset();
        fonts_[1].Reset();
    }
    fw::UniqueFont& slot = fonts_[rotated ? 1 : 0];
    if (!slot) {
        LOGFONTW lf{};
        lf.lfHeight = font.Height();
        lf.lfWeight = (font.Style() & fw::fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (font.Style() & fw::fsItalic) ? 1 : 0;
        lf.lfUnderline = (font.Style() & fw::fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (font.Style() & fw::fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        if (rotated) lf.lfEscapement = lf.lfOrientation = 900;
        const std::wstring face = AvailableFace(font.Name());
        wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        slot.Reset(::CreateFontIndirectW(&lf));
    }
    return slot.Get();
}

void ProgressBarPainter::Paint(HDC target, int x, int y, int width, int height, const ProgressBarSnapshot& bar,
                               const fw::TFont& font, int dpi) {
    if (width <= 0 || height <= 0) return;
    fw::OffscreenBitmap buffer(target, width, height);
    const HDC dc = buffer.Dc();
    fw::ScopedSelect plainFont(dc, FontFor(font, false));
    const BarTextMeasure measure = [dc](std::string_view text) {
        const std::wstring wide = fw::Widen(text);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return BarSize{size.cx, size.cy};
    };
    const ProgressBarDrawing drawing = LayoutProgressBar(bar, {0, 0, width, height}, measure, dpi);

    for (const BarInstruction& instruction : drawing.instructions) {
        if (instruction.part == BarPart::Frame) {
            DrawFrame(dc, instruction);
        } else {
            FillSolid(dc, instruction.rect, instruction.colour);
        }
    }
    if (drawing.text) {
        const std::wstring text = fw::Widen(drawing.text->text);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, fw::ColorToRGB(font.Color()) & 0xFFFFFF);
        ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        fw::ScopedSelect textFont(dc, FontFor(font, drawing.text->rotated));
        ::TextOutW(dc, drawing.text->x, drawing.text->y, text.c_str(), static_cast<int>(text.size()));
    }

    if (drawing.transparentCorners) {
        // The corners outside the round frame still hold the key colour: leave them out. (The
        // key itself, not whatever pixel lies in the corner, so that a bar too small to have
        // corners does not lose its frame colour instead.)
        ::GdiTransparentBlt(target, x, y, width, height, dc, 0, 0, width, height, kTransparentKey);
    } else {
        buffer.CopyTo(target, x, y);
    }
}

// ---------------------------------------------------------------------------------------------
// TAdvProgressBar

TAdvProgressBar::TAdvProgressBar() {
    SetBounds(0, 0, ProgressBarModel::kConstructorWidth, ProgressBarModel::kConstructorHeight);
    Font().SetName("Verdana");
    Font().SetSize(10);
    timer_.OnTimer = [this] { model_.Step(); };
    timer_.SetInterval(static_cast<unsigned>(model_.InfiniteInterval()));
}

TAdvProgressBar::~TAdvProgressBar() = default;

const fw::ClassInfo& TAdvProgressBar::StaticClass() {
    static const fw::ClassInfo info{
        "TAdvProgressBar", &fw::TGraphicControl::StaticClass(),
        ProgressBarModelProperties([](fw::Persistent& object) -> ProgressBarModel& {
            return static_cast<TAdvProgressBar&>(object).Model();
        })};
    return info;
}
const fw::ClassInfo& TAdvProgressBar::Class() const { return StaticClass(); }

void TAdvProgressBar::View::AnimationTimer(bool enabled, int intervalMs) {
    // An interval of 0 or less never ticks.
    bar_.timer_.SetInterval(static_cast<unsigned>(std::max(intervalMs, 0)));
    bar_.timer_.SetEnabled(enabled);
}

void TAdvProgressBar::Paint(HDC dc) {
    painter_.Paint(dc, 0, 0, Width(), Height(), model_.Snapshot(), Font(), PixelsPerInch());
}

void TAdvProgressBar::PaintNow() {
    if (!Visible() || !Parent() || !Parent()->HandleAllocated()) return;
    const HWND parent = Parent()->Handle();
    if (!::IsWindowVisible(parent)) return;
    fw::WindowDc dc(parent);
    if (!dc.Get()) return;
    fw::ScopedSaveDc saved(dc.Get());
    ::IntersectClipRect(dc.Get(), Left(), Top(), Left() + Width(), Top() + Height());
    ::SetWindowOrgEx(dc.Get(), -Left(), -Top(), nullptr);
    Paint(dc.Get());
}

void TAdvProgressBar::SetAnimated(bool value) {
    const bool was = model_.Animated();
    model_.SetAnimated(value);
    if (model_.Animated() != was) AccNotify(EVENT_OBJECT_STATECHANGE);
}

void TAdvProgressBar::SetPosition(int value) {
    const int was = model_.Percentage();
    model_.SetPosition(value);
    if (model_.Percentage() != was) AccNotify(EVENT_OBJECT_VALUECHANGE);
}

long TAdvProgressBar::AccRole() const { return ROLE_SYSTEM_PROGRESSBAR; }

HRESULT TAdvProgressBar::AccValue(std::wstring& value) const {
    value = std::to_wstring(model_.Percentage()) + L"%";
    return S_OK;
}

DWORD TAdvProgressBar::AccState() const {
    DWORD state = fw::TGraphicControl::AccState() | STATE_SYSTEM_READONLY;
    if (model_.Animated()) state |= STATE_SYSTEM_ANIMATED;
    return state;
}

std::optional<LRESULT> TAdvProgressBar::Perform(UINT message, WPARAM, LPARAM) {
    if (message == WM_ERASEBKGND) return 0;
    return std::nullopt;
}

void RegisterProgressBarClass(fw::ClassRegistry& registry) {
    registry.Register(TAdvProgressBar::StaticClass(), [] { return std::make_unique<TAdvProgressBar>(); });
}

}  // namespace ctl
