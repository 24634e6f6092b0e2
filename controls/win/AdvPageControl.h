#pragma once
// TAdvPageControl stacks TAdvTabSheet pages in one area and shows the active one. It wraps the
// platform's tab control; the page list and tab rules live in the portable PageList.
//
// Messages handled: WM_PAINT and WM_PRINTCLIENT (the platform paints the empty tab control, then
// the strip above the page frame, the frame band and the outline are drawn over it), Ctrl+Tab
// (cycles pages whose tabs show). Selecting a page from code fires no event of the control.

#include "controls/AdvPageControlModel.h"
#include "framework/win/Controls.h"

namespace ctl {

class TAdvPageControl;

class TAdvTabSheet : public fw::TCustomControl {
public:
    TAdvTabSheet();
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    TAdvPageControl* PageControl() const { return pageControl_; }
    int PageIndex() const { return pageIndex_; }

    fw::TColor ColorTo() const { return colorTo_; }
    void SetColorTo(fw::TColor value);
    fw::TColor TabColor() const { return tabColor_; }
    void SetTabColor(fw::TColor value) { tabColor_ = value; }
    fw::TColor TabColorTo() const { return tabColorTo_; }
    void SetTabColorTo(fw::TColor value) { tabColorTo_ = value; }
    fw::TColor TextColor() const { return textColor_; }
    void SetTextColor(fw::TColor value) { textColor_ = value; }
    bool TabVisible() const;
    void SetTabVisible(bool value);
    bool TabEnable() const;
    void SetTabEnable(bool value);

    void SetParent(fw::TWinControl* parent) override;
    void Paint(HDC dc) override;
    // A property page named by its caption; invisible unless active.
    long AccRole() const override;

private:
    friend class TAdvPageControl;
    TAdvPageControl* pageControl_ = nullptr;
    int pageIndex_ = -1;
    bool tabVisible_ = true;  // kept while the page belongs to no control
    bool tabEnable_ = true;
    fw::TColor colorTo_ = fw::clNone;
    fw::TColor tabColor_ = fw::clBtnFace;
    fw::TColor tabColorTo_ = fw::clNone;
    fw::TColor textColor_ = fw::clWindowText;
};

// Settings that act only while tabs show; stored so that the description keeps them.
class TTabMargin : public fw::Persistent {
public:
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();
    int LeftMargin = 0, TopMargin = 0, RightMargin = 2;
};

class TPersistence : public fw::Persistent {
public:
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();
    bool Enabled = false;
    std::string Key, Section;
};

class TAdvPageControl : public fw::TWinControl, private PageHost {
public:
    TAdvPageControl();
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    int PageCount() const { return pages_.Count(); }
    TAdvTabSheet* Page(int index) const { return sheets_.at(static_cast<std::size_t>(index)); }
    TAdvTabSheet* ActivePage() const;
    int ActivePageIndex() const { return pages_.ActivePage(); }
    void SetActivePage(TAdvTabSheet* page);
    void SelectPage(int index) { pages_.SelectPage(index); }
    const PageList& Pages() const { return pages_; }

    fw::TColor TabBackGroundColor() const { return tabBackGroundColor_; }
    void SetTabBackGroundColor(fw::TColor value);
    fw::TColor TabSheetBorderColor() const { return tabSheetBorderColor_; }
    void SetTabSheetBorderColor(fw::TColor value);
    int TabOverlap() const { return tabOverlap_; }
    void SetTabOverlap(int value) { tabOverlap_ = value; }
    TTabMargin& TabMargin() { return tabMargin_; }
    fw::TFont& ActiveFont() { return activeFont_; }
    TPersistence& PersistPagesState() { return persistence_; }

    RECT ClientRectForChildren() const override;
    bool DialogKey(WPARAM key) override;
    // A list of pages to readers: its pages in page order, only the active one visible. It takes
    // the focus (Tab stops on it even with its tabs hidden), so it is named by the active page,
    // and the name changes with the page.
    long AccRole() const override;
    std::wstring AccName() const override;
    std::vector<fw::AccessibleElement*> AccChildren() const override;
    void Loaded() override;

protected:
    void CreateParams(fw::WindowParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The page area's insets are the DPI's.
    void PixelsPerInchChanged() override {
        AlignControls();
        Invalidate();
    }

private:
    friend class TAdvTabSheet;
    int AddSheet(TAdvTabSheet* sheet);
    void PaintOverlay(HDC dc);
    bool OverlayCoversPlatformPaint() const;
    // PageHost
    bool FocusOnPage(int page) override;
    bool MoveFocusToPage(int page) override;
    bool FocusIsPage(int page) override;
    bool PageCanFocus(int page) override;
    void FocusPage(int page) override;
    void FocusControl() override;
    void FocusFirstChild(int page) override;
    void ShowPage(int page) override;
    void HidePage(int page) override;
    void TabsChanged() override;
    void SyncTabItems();

    PageList pages_;
    std::vector<int> itemPages_;  // the page of each entry the platform's tab control holds
    std::vector<TAdvTabSheet*> sheets_;
    TAdvTabSheet* designActivePage_ = nullptr;
    fw::TColor tabBackGroundColor_ = fw::clBtnFace;
    fw::TColor tabSheetBorderColor_ = 0x808080;
    int tabOverlap_ = 2;
    TTabMargin tabMargin_;
    fw::TFont activeFont_;
    TPersistence persistence_;
};

void RegisterPageControlClasses(fw::ClassRegistry& registry);

}  // namespace ctl
