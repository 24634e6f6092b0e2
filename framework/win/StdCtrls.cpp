#include "framework/win/StdCtrls.h"

#include "framework/Action.h"

#include <objbase.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "framework/PngPixels.h"
#include "framework/PropertyBuilders.h"

namespace fw {
namespace {

// Width and height from a PNG's header; 0 x 0 for anything else.
std::pair<int, int> PngSize(const Bytes& data) {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 24 || !std::equal(std::begin(kSignature), std::end(kSignature), data.begin())) return {0, 0};
    auto be32 = [&](std::size_t at) {
        return static_cast<int>((data[at] << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3]);
    };
    return {be32(16), be32(20)};
}

}  // namespace

const EnumInfo& EllipsisPositionEnum() {
    static const EnumInfo info{"TEllipsisPosition", {"epNone", "epPathEllipsis", "epEndEllipsis", "epWordEllipsis"}};
    return info;
}

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel() { SetParentColor(true); }

const ClassInfo& TLabel::StaticClass() {
    static const ClassInfo info{
        "TLabel",
        &TGraphicControl::StaticClass(),
        {
            BoolProperty<TLabel>("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor, true),
            EnumProperty<TLabel, TAlignment>("Alignment", AlignmentEnum(), &TLabel::Alignment, &TLabel::SetAlignment,
                                             TAlignment::taLeftJustify),
            BoolProperty<TLabel>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true),
            BoolProperty<TLabel>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false),
            EnumProperty<TLabel, TEllipsisPosition>("EllipsisPosition", EllipsisPositionEnum(),
                                                    &TLabel::EllipsisPosition, &TLabel::SetEllipsisPosition,
                                                    TEllipsisPosition::epNone),
            BoolProperty<TLabel>("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false),
            BoolProperty<TLabel>("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, true),
            [] {
                PropertyInfo p{"FocusControl", PropertyType::Reference};
                p.get = [](const Persistent& o) {
                    const TWinControl* target = static_cast<const TLabel&>(o).FocusControl();
                    return Value{Identifier{target ? target->Name() : std::string()}};
                };
                p.setReference = [](Persistent& o, Component* target) {
                    static_cast<TLabel&>(o).SetFocusControl(dynamic_cast<TWinControl*>(target));
                };
                return p;
            }(),
        }};
    return info;
}
const ClassInfo& TLabel::Class() const { return StaticClass(); }

void TLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}
void TLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}
void TLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}
void TLabel::SetEllipsisPosition(TEllipsisPosition value) {
    if (value == ellipsis_) return;
    ellipsis_ = value;
    Invalidate();
}
void TLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}
void TLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}
void TLabel::CaptionChanged() {
    AdjustBounds();
    Invalidate();
    if (!Loading()) AccNotify(EVENT_OBJECT_NAMECHANGE);
}

UINT TLabel::DrawFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (alignment_ == TAlignment::taRightJustify) flags |= DT_RIGHT;
    if (alignment_ == TAlignment::taCenter) flags |= DT_CENTER;
    switch (ellipsis_) {
        case TEllipsisPosition::epPathEllipsis: flags |= DT_PATH_ELLIPSIS; break;
        case TEllipsisPosition::epEndEllipsis: flags |= DT_END_ELLIPSIS; break;
        case TEllipsisPosition::epWordEllipsis: flags |= DT_WORD_ELLIPSIS; break;
        case TEllipsisPosition::epNone: break;
    }
    return flags;
}

void TLabel::AdjustBounds() {
    if (!autoSize_ || Loading()) return;  // sized once loaded, from its final settings
    WindowDc screen(nullptr);
    ScopedSelect font(screen.Get(), Font().Handle());
    std::wstring text = Widen(Caption());
    if (text.empty()) text = L" ";
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    ::DrawTextW(screen.Get(), text.c_str(), -1, &r, (DrawFlags() & ~UINT(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    int left = Left();
    const int width = wordWrap_ ? Width() : static_cast<int>(r.right);
    if (alignment_ == TAlignment::taRightJustify && !wordWrap_) left += Width() - width;
    SetBounds(left, Top(), width, static_cast<int>(r.bottom));
}

void TLabel::Paint(HDC dc) {
    RECT r{0, 0, Width(), Height()};
    if (!transparent_) {
        UniqueBrush brush(::CreateSolidBrush(ColorToRGB(Color())));
        ::FillRect(dc, &r, brush.Get());
    }
    ScopedSelect font(dc, Font().Handle());
    ::SetBkMode(dc, TRANSPARENT);
    const std::wstring text = Widen(Caption());
    if (Enabled()) {
        ::SetTextColor(dc, ColorToRGB(Font().Color()));
        ::DrawTextW(dc, text.c_str(), -1, &r, DrawFlags());
    } else {
        // The platform's disabled look: a highlight copy one pixel down-right, then the shadow.
        RECT shifted = r;
        const int step = DpiScale(PixelsPerInch()).Line(1);
        ::OffsetRect(&shifted, step, step);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, text.c_str(), -1, &shifted, DrawFlags());
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextW(dc, text.c_str(), -1, &r, DrawFlags());
    }
}

bool TLabel::DialogChar(wchar_t ch) {
    if (!showAccelChar_ || !focusControl_ || !fw::IsAccelerator(Caption(), ch) || !focusControl_->CanFocus()) {
        return false;
    }
    focusControl_->SetFocus();
    return true;
}

// ---------------------------------------------------------------------------------------------
// TEdit

TEdit::TEdit() {
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

const ClassInfo& TEdit::StaticClass() {
    static const ClassInfo info{
        "TEdit",
        &TWinControl::StaticClass(),
        {
            ColourProperty<TEdit>("Color", &TEdit::Color, &TEdit::SetColor, clWindow),
            BoolProperty<TEdit>("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true),
            StringProperty<TEdit>("Text", &TEdit::Text, &TEdit::SetText, std::string()),
            BoolProperty<TEdit>("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false),
            StringProperty<TEdit>("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar, std::string()),
        }};
    return info;
}
const ClassInfo& TEdit::Class() const { return StaticClass(); }

std::string TEdit::Text() const {
    if (!HandleAllocated()) return Caption();
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void TEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HandleAllocated()) ::SendMessageW(Handle(), EM_SETREADONLY, value, 0);
}

void TEdit::SetPasswordChar(std::string value) {
    passwordChar_ = value.substr(0, 1);
    if (HandleAllocated()) {
        SendPasswordChar();
        Invalidate();
    }
}

void TEdit::SendPasswordChar() {
    const std::wstring wide = Widen(passwordChar_);
    ::SendMessageW(Handle(), EM_SETPASSWORDCHAR, wide.empty() ? 0 : wide[0], 0);
}

void TEdit::HandleCreated() {
    // ES_PASSWORD alone masks with the platform's own character (a dot with the common controls
    // 6), not the one asked for.
    if (!passwordChar_.empty()) SendPasswordChar();
}

void TEdit::CreateParams(WindowParams& params) {
    TWinControl::CreateParams(params);
    params.className = L"EDIT";
    params.style = WS_CHILD | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_LEFT;
    if (readOnly_) params.style |= ES_READONLY;
    if (!passwordChar_.empty()) params.style |= ES_PASSWORD;
    params.exStyle = WS_EX_CLIENTEDGE;
}

bool TEdit::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
        auto dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, ColorToRGB(Font().Color()));
        ::SetBkColor(dc, ColorToRGB(Color()));
        result = reinterpret_cast<LRESULT>(ColourBrush());
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        CaptionFromWindow(Text());  // the stored text follows what was typed
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TButtonControl, TRadioButton, TCheckBox

const ClassInfo& TButtonControl::StaticClass() {
    static const ClassInfo info{
        "TButtonControl",
        &TWinControl::StaticClass(),
        {
            BoolProperty<TButtonControl>("ParentColor", &TButtonControl::ParentColor, &TButtonControl::SetParentColor, true),
            BoolProperty<TButtonControl>("Checked", &TButtonControl::Checked,
                                         [](TButtonControl& b, bool v) { b.SetChecked(v); }, false),
        }};
    return info;
}
const ClassInfo& TButtonControl::Class() const { return StaticClass(); }

void TButtonControl::StoreChecked(bool value) {
    const bool changed = value != checked_;
    checked_ = value;
    if (HandleAllocated()) ::SendMessageW(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (changed) AccNotify(EVENT_OBJECT_STATECHANGE);
}

void TButtonControl::HandleCreated() {
    ::SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TButtonControl::AcceleratedBy(wchar_t ch) const { return fw::IsAccelerator(Caption(), ch) && CanFocus(); }

bool TButtonControl::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
        auto dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, ColorToRGB(Font().Color()));
        ::SetBkColor(dc, ColorToRGB(Color()));
        result = reinterpret_cast<LRESULT>(ColourBrush());
        return true;
    }
    if (message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED)) {
        Clicked();
        return true;
    }
    return false;
}

const ClassInfo& TRadioButton::StaticClass() {
    static const ClassInfo info{"TRadioButton", &TButtonControl::StaticClass(), {}};
    return info;
}
const ClassInfo& TRadioButton::Class() const { return StaticClass(); }

void TRadioButton::CreateParams(WindowParams& params) {
    TWinControl::CreateParams(params);
    params.className = L"BUTTON";
    params.style = WS_CHILD | WS_CLIPSIBLINGS | BS_RADIOBUTTON;
}

void TRadioButton::SetChecked(bool value) {
    if (value == Checked()) return;
    StoreChecked(value);
    SetTabStop(value);
    if (HandleAllocated()) {
        LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        ::SetWindowLongPtrW(Handle(), GWL_STYLE, style);
    }
    if (!value) return;
    if (Parent()) {
        for (TControl* sibling : Parent()->Controls()) {
            if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this) radio->SetChecked(false);
        }
    }
    Click();
}

bool TRadioButton::IsTabStop() const {
    if (TabStop() || !Parent()) return TabStop();
    const TRadioButton* first = nullptr;
    for (TWinControl* sibling : Parent()->TabList()) {
        const auto* radio = dynamic_cast<const TRadioButton*>(sibling);
        if (!radio) continue;
        // The group has its stop, unless that button cannot take the focus (a checked button that
        // was disabled): then the first one that can is the stop, or the keyboard could not reach
        // the group at all.
        if ((radio->Checked() || radio->TabStop()) && radio->CanFocus()) return false;
        if (!first && radio->CanFocus()) first = radio;
    }
    return first == this;
}

bool TRadioButton::DialogKey(WPARAM key) {
    if (!Parent() || (key != VK_LEFT && key != VK_RIGHT && key != VK_UP && key != VK_DOWN)) return false;
    std::vector<TRadioButton*> group;
    for (TWinControl* sibling : Parent()->TabList()) {
        if (auto* radio = dynamic_cast<TRadioButton*>(sibling)) group.push_back(radio);
    }
    const auto n = static_cast<std::ptrdiff_t>(group.size());
    const std::ptrdiff_t at = std::find(group.begin(), group.end(), this) - group.begin();
    const bool forward = key == VK_RIGHT || key == VK_DOWN;
    for (std::ptrdiff_t step = 1; step < n; ++step) {
        TRadioButton* next = group[static_cast<std::size_t>(((at + (forward ? step : -step)) % n + n) % n)];
        if (next->CanFocus()) {
            next->SetFocus();
            next->SetChecked(true);
            return true;
        }
    }
    return true;
}

bool TRadioButton::DialogChar(wchar_t ch) {
    if (!AcceleratedBy(ch)) return false;
    SetFocus();
    SetChecked(true);
    return true;
}

TCheckBox::TCheckBox() { SetTabStop(true); }

const ClassInfo& TCheckBox::StaticClass() {
    static const ClassInfo info{
        "TCheckBox",
        &TButtonControl::StaticClass(),
        {BoolProperty<TCheckBox>("TabStop", &TCheckBox::TabStop, &TCheckBox::SetTabStop, true)}};
    return info;
}
const ClassInfo& TCheckBox::Class() const { return StaticClass(); }

void TCheckBox::CreateParams(WindowParams& params) {
    TWinControl::CreateParams(params);
    params.className = L"BUTTON";
    params.style = WS_CHILD | WS_CLIPSIBLINGS | BS_CHECKBOX;
}

void TCheckBox::SetChecked(bool value) {
    if (value == Checked()) return;
    StoreChecked(value);
    Click();
}

bool TCheckBox::DialogChar(wchar_t ch) {
    if (!AcceleratedBy(ch)) return false;
    SetFocus();
    SetChecked(!Checked());
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox() { SetParentColor(true); }

const ClassInfo& TGroupBox::StaticClass() {
    static const ClassInfo info{
        "TGroupBox",
        &TCustomControl::StaticClass(),
        {BoolProperty<TGroupBox>("ParentColor", &TGroupBox::ParentColor, &TGroupBox::SetParentColor, true)}};
    return info;
}
const ClassInfo& TGroupBox::Class() const { return StaticClass(); }

void TGroupBox::Paint(HDC dc) {
    PaintBackground(dc);
    ScopedSelect font(dc, Font().Handle());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const DpiScale scale(PixelsPerInch());
    RECT frame{0, metrics.tmHeight / 2 - scale.Line(1), Width(), Height()};
    ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    const std::wstring text = Widen(Caption());
    if (text.empty()) return;
    // The caption over the frame, from 8 design pixels in, on a clear band 2 pixels wider each side.
    const int margin = scale.Length(2);
    RECT caption{scale.Length(8), 0, 0, 0};
    ::DrawTextW(dc, text.c_str(), -1, &caption, DT_CALCRECT | DT_SINGLELINE);
    caption.left -= margin;
    caption.right += margin;
    ::FillRect(dc, &caption, ColourBrush());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, Enabled() ? ColorToRGB(Font().Color()) : ::GetSysColor(COLOR_GRAYTEXT));
    caption.left += margin;
    ::DrawTextW(dc, text.c_str(), -1, &caption, DT_SINGLELINE);
}

// ---------------------------------------------------------------------------------------------
// TPicture, TImage

const ClassInfo& TPicture::StaticClass() {
    static const ClassInfo info{
        "TPicture",
        nullptr,
        {[] {
            PropertyInfo p{"Data", PropertyType::Binary};
            p.get = [](const Persistent& o) { return Value{static_cast<const TPicture&>(o).Data()}; };
            p.set = [](Persistent& o, const Value& v) { static_cast<TPicture&>(o).SetData(std::get<Bytes>(v)); };
            p.declaredDefault = Value{Bytes{}};
            return p;
        }()}};
    return info;
}
const ClassInfo& TPicture::Class() const { return StaticClass(); }

void TPicture::SetData(Bytes data) {
    data_ = std::move(data);
    std::tie(width_, height_) = PngSize(data_);
    if (OnChange) OnChange();
}

// GDI+ may read the stream or the pixels for as long as the bitmap lives: they go after it.
struct TImage::Decoded {
    IStream* stream = nullptr;
    std::vector<std::uint32_t> pixels;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    ~Decoded() {
        bitmap.reset();
        if (stream) stream->Release();
    }
};

TImage::TImage() {
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = [this] { PictureChanged(); };
}

TImage::~TImage() = default;

const ClassInfo& TImage::StaticClass() {
    static const ClassInfo info{
        "TImage",
        &TGraphicControl::StaticClass(),
        {
            ObjectProperty<TImage, TPicture>("Picture", &TImage::Picture),
            BoolProperty<TImage>("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false),
            BoolProperty<TImage>("Center", &TImage::Center, &TImage::SetCenter, false),
            BoolProperty<TImage>("Stretch", &TImage::Stretch, &TImage::SetStretch, false),
        }};
    return info;
}
const ClassInfo& TImage::Class() const { return StaticClass(); }

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged();
}
void TImage::SetCenter(bool value) {
    center_ = value;
    Invalidate();
}
void TImage::SetStretch(bool value) {
    stretch_ = value;
    Invalidate();
}

void TImage::PictureChanged() {
    decoded_.reset();
    undecodable_ = false;
    if (autoSize_ && !picture_.Empty()) {
        const DpiScale scale(PixelsPerInch());
        SetBounds(Left(), Top(), scale.Length(picture_.Width()), scale.Length(picture_.Height()));
    }
    Invalidate();
}

void TImage::Paint(HDC dc) {
    if (picture_.Empty() || undecodable_) return;
    if (!decoded_) {
        // Decoded once: the parent repaints its pictures with every change of its own.
        // A plain PNG is read without the platform's image codecs, whose loading would be the
        // largest cost of the window's first paint; the platform decodes any other picture.
        const Bytes& data = picture_.Data();
        auto decoded = std::make_unique<Decoded>();
        if (std::optional<PngPixels> png = ReadPlainPng(data)) {
            decoded->pixels = std::move(png->argb);
            decoded->bitmap = std::make_unique<Gdiplus::Bitmap>(png->width, png->height, png->width * 4,
                                                                PixelFormat32bppARGB,
                                                                reinterpret_cast<BYTE*>(decoded->pixels.data()));
        } else {
            decoded->stream = ::SHCreateMemStream(data.data(), static_cast<UINT>(data.size()));
            if (decoded->stream) decoded->bitmap = std::make_unique<Gdiplus::Bitmap>(decoded->stream);
        }
        if (!decoded->bitmap || decoded->bitmap->GetLastStatus() != Gdiplus::Ok) {
            undecodable_ = true;
            return;
        }
        decoded_ = std::move(decoded);
    }
    Gdiplus::Bitmap& bitmap = *decoded_->bitmap;
    // A picture's pixels are the design's: drawn as large as the DPI makes them, smoothly.
    const DpiScale scale(PixelsPerInch());
    int w = scale.Length(static_cast<int>(bitmap.GetWidth())), h = scale.Length(static_cast<int>(bitmap.GetHeight()));
    int x = 0, y = 0;
    if (stretch_) {
        w = Width(), h = Height();
    } else if (center_) {
        x = (Width() - w) / 2, y = (Height() - h) / 2;
    }
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.DrawImage(&bitmap, x, y, w, h);
}

}  // namespace fw

namespace fw {

void RegisterFrameworkClasses(ClassRegistry& registry) {
    registry.Register(TLabel::StaticClass(), [] { return std::make_unique<TLabel>(); });
    registry.Register(TEdit::StaticClass(), [] { return std::make_unique<TEdit>(); });
    registry.Register(TRadioButton::StaticClass(), [] { return std::make_unique<TRadioButton>(); });
    registry.Register(TCheckBox::StaticClass(), [] { return std::make_unique<TCheckBox>(); });
    registry.Register(TGroupBox::StaticClass(), [] { return std::make_unique<TGroupBox>(); });
    registry.Register(TImage::StaticClass(), [] { return std::make_unique<TImage>(); });
    RegisterActionClasses(registry);
}

}  // namespace fw
