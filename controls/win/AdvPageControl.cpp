#include "controls/win/AdvPageControl.h"

#include <oleacc.h>

#include <commctrl.h>

#include <algorithm>

#include "framework/PropertyBuilders.h"

namespace ctl {

using namespace fw;

namespace {

void FillSolid(HDC dc, const RECT& r, TColor colour) {
    UniqueBrush brush(::CreateSolidBrush(ColorToRGB(colour)));
    ::FillRect(dc, &r, brush.Get());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TAdvTabSheet

TAdvTabSheet::TAdvTabSheet() {
    SetVisible(false);  // shown only by becoming the active page
    SetAlign(TAlign::alClient);
}

const ClassInfo& TAdvTabSheet::StaticClass() {
    static const ClassInfo info{
        "TAdvTabSheet",
        &TCustomControl::StaticClass(),
        {
            ColourProperty<TAdvTabSheet>("ColorTo", &TAdvTabSheet::ColorTo, &TAdvTabSheet::SetColorTo, clNone),
            ColourProperty<TAdvTabSheet>("TabColor", &TAdvTabSheet::TabColor, &TAdvTabSheet::SetTabColor, clBtnFace),
            ColourProperty<TAdvTabSheet>("TabColorTo", &TAdvTabSheet::TabColorTo, &TAdvTabSheet::SetTabColorTo, clNone),
            ColourProperty<TAdvTabSheet>("TextColor", &TAdvTabSheet::TextColor, &TAdvTabSheet::SetTextColor, clWindowText),
            BoolProperty<TAdvTabSheet>("TabVisible", &TAdvTabSheet::TabVisible, &TAdvTabSheet::SetTabVisible, true),
            BoolProperty<TAdvTabSheet>("TabEnable", &TAdvTabSheet::TabEnable, &TAdvTabSheet::SetTabEnable, true),
            // Pages are shown by the control, never by their own setting.
            BoolProperty<TAdvTabSheet>("Visible", &TAdvTabSheet::Visible, &TAdvTabSheet::SetVisible, false),
            EnumProperty<TAdvTabSheet, TAlign>("Align", AlignEnum(), &TAdvTabSheet::Align, &TAdvTabSheet::SetAlign, TAlign::alClient),
        }};
    return info;
}
const ClassInfo& TAdvTabSheet::Class() const { return StaticClass(); }

void TAdvTabSheet::SetColorTo(TColor value) {
    if (value == colorTo_) return;
    colorTo_ = value;
    Invalidate();
}

bool TAdvTabSheet::TabVisible() const { return pageControl_ ? pageControl_->pages_.TabVisible(pageIndex_) : tabVisible_; }
void TAdvTabSheet::SetTabVisible(bool value) {
    tabVisible_ = value;
    if (pageControl_) pageControl_->pages_.SetTabVisible(pageIndex_, value);
}
bool TAdvTabSheet::TabEnable() const { return pageControl_ ? pageControl_->pages_.TabEnable(pageIndex_) : tabEnable_; }
void TAdvTabSheet::SetTabEnable(bool value) {
    tabEnable_ = value;
    if (pageControl_) pageControl_->pages_.SetTabEnable(pageIndex_, value);
}

void TAdvTabSheet::SetParent(TWinControl* parent) {
    TCustomControl::SetParent(parent);
    if (auto* control = dynamic_cast<TAdvPageControl*>(parent); control && !pageControl_) {
        pageControl_ = control;
        pageIndex_ = control->AddSheet(this);
    }
}

long TAdvTabSheet::AccRole() const { return ROLE_SYSTEM_PROPERTYPAGE; }

long TAdvPageControl::AccRole() const { return ROLE_SYSTEM_PAGETABLIST; }

std::wstring TAdvPageControl::AccName() const {
    const TAdvTabSheet* page = ActivePage();
    return page ? page->AccName() : std::wstring();
}

std::vector<fw::AccessibleElement*> TAdvPageControl::AccChildren() const {
    return {sheets_.begin(), sheets_.end()};
}

void TAdvTabSheet::Paint(HDC dc) {
    const RECT client = ClientRect();
    if (colorTo_ == clNone) {
        FillSolid(dc, client, Color());
        return;
    }
    // A vertical gradient in 64 bands.
    const COLORREF from = ColorToRGB(Color()), to = ColorToRGB(colorTo_);
    const int height = client.bottom - client.top;
    for (int band = 0; band < 64; ++band) {
        auto channel = [&](int shift) {
            const int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
            return a + (band * (b - a) + (b - a >= 0 ? 32 : -32)) / 64;
        };
        const RECT r{client.left, client.top + band * height / 64, client.right, client.top + (band + 1) * height / 64};
        UniqueBrush brush(::CreateSolidBrush(RGB(channel(0), channel(8), channel(16))));
        ::FillRect(dc, &r, brush.Get());
    }
}

// ---------------------------------------------------------------------------------------------
// Settings kept for the tabs

const ClassInfo& TTabMargin::StaticClass() {
    static const ClassInfo info{
        "TTabMargin",
        nullptr,
        {
            Pixels(IntProperty<TTabMargin>("LeftMargin", [](const TTabMargin& m) { return m.LeftMargin; }, [](TTabMargin& m, int v) { m.LeftMargin = v; }, 0), PixelUnit::Length),
            Pixels(IntProperty<TTabMargin>("TopMargin", [](const TTabMargin& m) { return m.TopMargin; }, [](TTabMargin& m, int v) { m.TopMargin = v; }, 0), PixelUnit::Length),
            Pixels(IntProperty<TTabMargin>("RightMargin", [](const TTabMargin& m) { return m.RightMargin; }, [](TTabMargin& m, int v) { m.RightMargin = v; }, 2), PixelUnit::Length),
        }};
    return info;
}
const ClassInfo& TTabMargin::Class() const { return StaticClass(); }

const ClassInfo& TPersistence::StaticClass() {
    static const ClassInfo info{
        "TPersistence",
        nullptr,
        {
            BoolProperty<TPersistence>("Enabled", [](const TPersistence& p) { return p.Enabled; }, [](TPersistence& p, bool v) { p.Enabled = v; }, false),
            StringProperty<TPersistence>("Key", [](const TPersistence& p) { return p.Key; }, [](TPersistence& p, std::string v) { p.Key = std::move(v); }, std::string()),
            StringProperty<TPersistence>("Section", [](const TPersistence& p) { return p.Section; }, [](TPersistence& p, std::string v) { p.Section = std::move(v); }, std::string()),
        }};
    return info;
}
const ClassInfo& TPersistence::Class() const { return StaticClass(); }

// ---------------------------------------------------------------------------------------------
// TAdvPageControl

TAdvPageControl::TAdvPageControl() {
    pages_.SetHost(this);
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

const ClassInfo& TAdvPageControl::StaticClass() {
    static const ClassInfo info{
        "TAdvPageControl",
        &TWinControl::StaticClass(),
        {
            BoolProperty<TAdvPageControl>("TabStop", &TAdvPageControl::TabStop, &TAdvPageControl::SetTabStop, true),
            ColourProperty<TAdvPageControl>("TabBackGroundColor", &TAdvPageControl::TabBackGroundColor,
                                            &TAdvPageControl::SetTabBackGroundColor, clBtnFace),
            ColourProperty<TAdvPageControl>("TabSheetBorderColor", &TAdvPageControl::TabSheetBorderColor,
                                            &TAdvPageControl::SetTabSheetBorderColor, 0x808080),
            Pixels(IntProperty<TAdvPageControl>("TabOverlap", &TAdvPageControl::TabOverlap, &TAdvPageControl::SetTabOverlap, 2), PixelUnit::Length),
            ObjectProperty<TAdvPageControl, TTabMargin>("TabMargin", &TAdvPageControl::TabMargin),
            ObjectProperty<TAdvPageControl, TFont>("ActiveFont", &TAdvPageControl::ActiveFont),
            ObjectProperty<TAdvPageControl, TPersistence>("PersistPagesState", &TAdvPageControl::PersistPagesState),
            [] {
                PropertyInfo p{"ActivePage", PropertyType::Reference};
                p.get = [](const Persistent& o) {
                    const TAdvTabSheet* page = static_cast<const TAdvPageControl&>(o).ActivePage();
                    return Value{Identifier{page ? page->Name() : std::string()}};
                };
                p.setReference = [](Persistent& o, Component* page) {
                    auto& control = static_cast<TAdvPageControl&>(o);
                    control.designActivePage_ = dynamic_cast<TAdvTabSheet*>(page);
                    control.SetActivePage(control.designActivePage_);
                };
                return p;
            }(),
        }};
    return info;
}
const ClassInfo& TAdvPageControl::Class() const { return StaticClass(); }

int TAdvPageControl::AddSheet(TAdvTabSheet* sheet) {
    sheets_.push_back(sheet);
    const int index = pages_.AddPage(sheet->Caption());
    if (!sheet->tabVisible_) pages_.SetTabVisible(index, false);
    if (!sheet->tabEnable_) pages_.SetTabEnable(index, false);
    const RECT area = ClientRectForChildren();
    sheet->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
    return index;
}

TAdvTabSheet* TAdvPageControl::ActivePage() const {
    const int index = pages_.ActivePage();
    return index < 0 ? nullptr : sheets_[static_cast<std::size_t>(index)];
}

void TAdvPageControl::SetActivePage(TAdvTabSheet* page) {
    if (page && page->pageControl_ != this) return;  // a page of another control
    pages_.SetActivePage(page ? page->pageIndex_ : -1);
}

void TAdvPageControl::SetTabBackGroundColor(TColor value) {
    tabBackGroundColor_ = value;
    Invalidate();
}
void TAdvPageControl::SetTabSheetBorderColor(TColor value) {
    tabSheetBorderColor_ = value;
    Invalidate();
}

void TAdvPageControl::Loaded() {
    if (designActivePage_) SetActivePage(designActivePage_);
}

RECT TAdvPageControl::ClientRectForChildren() const {
    PageRect area = PageAreaWithoutTabs(Width(), Height(), PixelsPerInch());
    if (!pages_.TabPages().empty() && HandleAllocated()) {
        RECT display = ClientRect();
        TabCtrl_AdjustRect(Handle(), FALSE, &display);
        area = PageAreaWithTabs({display.left, display.top, display.right, display.bottom}, PixelsPerInch());
    }
    return {area.left, area.top, area.right, area.bottom};
}

void TAdvPageControl::CreateParams(WindowParams& params) {
    TWinControl::CreateParams(params);
    params.className = WC_TABCONTROLW;
    params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

void TAdvPageControl::HandleCreated() {
    itemPages_.clear();  // a new tab control holds no entries
    TabsChanged();
}

void TAdvPageControl::TabsChanged() {
    if (!HandleAllocated()) return;
    SyncTabItems();
    if (TabCtrl_GetCurSel(Handle()) != pages_.SelectedTab()) TabCtrl_SetCurSel(Handle(), pages_.SelectedTab());
    AlignControls();
    Invalidate();
}

// The platform's entries follow the model's tab list, entry by entry: the list changes one tab at
// a time, and each entry removed or inserted makes the tab control lay its row out again.
void TAdvPageControl::SyncTabItems() {
    const std::vector<int> wanted = pages_.TabPages();
    auto shows = [&](int page) { return std::find(wanted.begin(), wanted.end(), page) != wanted.end(); };
    for (std::size_t i = itemPages_.size(); i-- > 0;) {
        if (shows(itemPages_[i])) continue;
        TabCtrl_DeleteItem(Handle(), static_cast<int>(i));
        itemPages_.erase(itemPages_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    // The entries left keep the model's order (tabs stay in page order); should they not, the
    // list is built again.
    auto next = wanted.begin();
    for (int page : itemPages_) {
        next = std::find(next, wanted.end(), page);
        if (next == wanted.end()) {
            TabCtrl_DeleteAllItems(Handle());
            itemPages_.clear();
            break;
        }
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (i < itemPages_.size() && itemPages_[i] == wanted[i]) continue;
        std::wstring text = Widen(pages_.Caption(wanted[i]));
        TCITEMW entry{};
        entry.mask = TCIF_TEXT | TCIF_PARAM;
        entry.pszText = text.data();
        entry.lParam = wanted[i];
        ::SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&entry));
        itemPages_.insert(itemPages_.begin() + static_cast<std::ptrdiff_t>(i), wanted[i]);
    }
}

bool TAdvPageControl::FocusOnPage(int page) {
    HWND focus = ::GetFocus();
    HWND sheet = Page(page)->Handle();
    return focus && sheet && (focus == sheet || ::IsChild(sheet, focus));
}
bool TAdvPageControl::MoveFocusToPage(int page) {
    Page(page)->SetFocus();
    return Page(page)->HandleAllocated() && ::GetFocus() == Page(page)->Handle();
}
bool TAdvPageControl::FocusIsPage(int page) {
    return Page(page)->HandleAllocated() && ::GetFocus() == Page(page)->Handle();
}
bool TAdvPageControl::PageCanFocus(int page) { return Page(page)->CanFocus(); }
void TAdvPageControl::FocusPage(int page) { Page(page)->SetFocus(); }
void TAdvPageControl::FocusControl() { SetFocus(); }
void TAdvPageControl::FocusFirstChild(int page) {
    if (TForm* form = ParentForm()) {
        for (TWinControl* control : form->TabOrderList()) {
            if (::IsChild(Page(page)->Handle(), control->Handle()) && control->TabStop() && control->CanFocus()) {
                control->SetFocus();
                return;
            }
        }
    }
}
void TAdvPageControl::ShowPage(int page) {
    TAdvTabSheet* sheet = Page(page);
    // On top of the other pages, raised while still hidden where it has a window: raising a shown
    // page has the platform erase it and its controls once more (a few milliseconds under Wine).
    auto raise = [&] {
        if (sheet->HandleAllocated())
            ::SetWindowPos(sheet->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    };
    const bool hadWindow = sheet->HandleAllocated();
    raise();
    sheet->SetVisible(true);  // without a window yet, its window and its controls' are made now
    if (!hadWindow) raise();
    if (!Loading()) AccNotify(EVENT_OBJECT_NAMECHANGE);
}
void TAdvPageControl::HidePage(int page) { Page(page)->SetVisible(false); }

bool TAdvPageControl::DialogKey(WPARAM key) {
    if (key != VK_TAB || !(::GetKeyState(VK_CONTROL) & 0x8000)) return false;
    // Ctrl+Tab / Ctrl+Shift+Tab cycle the pages whose tabs show; with none showing, nothing moves.
    const std::vector<int> tabs = pages_.TabPages();
    if (tabs.empty()) return true;
    const bool back = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const int n = static_cast<int>(tabs.size());
    const int at = pages_.SelectedTab();
    const int next = at < 0 ? 0 : ((at + (back ? -1 : 1)) % n + n) % n;
    pages_.SelectPage(tabs[static_cast<std::size_t>(next)]);
    return true;
}

LRESULT TAdvPageControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && OverlayCoversPlatformPaint()) {
        fw::PaintDc paint(Handle());
        PaintOverlay(paint.Get());
        return 0;
    }
    if (message == WM_PAINT || message == WM_PRINTCLIENT) {
        // The platform paints the empty tab control first; our frame goes over it.
        const LRESULT result = TWinControl::WndProc(message, wParam, lParam);
        if (message == WM_PRINTCLIENT) {
            PaintOverlay(reinterpret_cast<HDC>(wParam));
        } else {
            WindowDc dc(Handle());
            PaintOverlay(dc.Get());
        }
        return result;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// With no tab showing and a coloured page, the page's window and our frame with its bands cover
// every pixel of the control: what the platform would paint first (a themed pane, over its
// parent's background) would not be seen, and is not painted.
bool TAdvPageControl::OverlayCoversPlatformPaint() const {
    const TAdvTabSheet* active = ActivePage();
    return pages_.TabPages().empty() && active && active->HandleAllocated() && active->Visible() &&
           (active->Color() != clNone || active->ColorTo() != clNone);
}

void TAdvPageControl::PaintOverlay(HDC dc) {
    // At 96 DPI: the strip is 2 pixels high, the outline 1 pixel, the band out to the page area
    // (framework/Scaling.h scales them; the band is whatever lies between outline and page).
    const fw::DpiScale scale(PixelsPerInch());
    const int w = Width(), h = Height(), strip = scale.Length(2), o = scale.Line(1);
    FillSolid(dc, RECT{0, 0, w, strip}, tabBackGroundColor_);
    const TAdvTabSheet* active = ActivePage();
    const bool coloured = active && (active->Color() != clNone || active->ColorTo() != clNone);
    if (coloured) {
        // The band between the outline and the page, on every side.
        const PageRect page = PageAreaWithoutTabs(w, h, PixelsPerInch());
        for (const RECT& band : {RECT{o, strip, page.left, h - o}, RECT{o, strip, w - o, page.top},
                                 RECT{page.right, strip, w - o, h - o}, RECT{o, page.bottom, w - o, h - o}}) {
            FillSolid(dc, band, active->Color());
        }
    }
    // The outline, o pixels thick, around everything below the strip.
    for (const RECT& side : {RECT{0, strip, w, strip + o}, RECT{0, h - o, w, h}, RECT{0, strip, o, h},
                             RECT{w - o, strip, w, h}}) {
        FillSolid(dc, side, tabSheetBorderColor_);
    }
    if (!coloured) {
        FillSolid(dc, RECT{o, h - 2 * o, w - o, h - o}, Color());
        FillSolid(dc, RECT{w - 2 * o, strip + o, w - o, h - o}, Color());
    }
}

void RegisterPageControlClasses(ClassRegistry& registry) {
    registry.Register(TAdvPageControl::StaticClass(), [] { return std::make_unique<TAdvPageControl>(); });
    registry.Register(TAdvTabSheet::StaticClass(), [] { return std::make_unique<TAdvTabSheet>(); });
}

}  // namespace ctl
