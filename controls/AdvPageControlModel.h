#pragma once
// The page list of a page control without any window: pages in the order they were added, the
// active page, and the platform tab list (one entry per page whose tab shows, in page order) with
// its selected entry. The Win32 control mirrors this state into its windows through PageHost.

#include <functional>
#include <string>
#include <vector>

namespace ctl {

// What the model asks of the view while the active page changes (focus and page windows).
class PageHost {
public:
    virtual ~PageHost() = default;
    virtual bool FocusOnPage(int /*page*/) { return false; }       // focused control lies on the page
    virtual bool MoveFocusToPage(int /*page*/) { return true; }    // false: the focus would not move
    virtual bool FocusIsPage(int /*page*/) { return false; }       // the page itself has the focus
    virtual bool PageCanFocus(int /*page*/) { return false; }
    virtual void FocusPage(int /*page*/) {}
    virtual void FocusControl() {}                                 // the page control itself
    virtual void FocusFirstChild(int /*page*/) {}
    virtual void ShowPage(int /*page*/) {}                         // bring to front and show
    virtual void HidePage(int /*page*/) {}
    virtual void TabsChanged() {}                                  // tab texts or selection changed
};

class PageList {
public:
    explicit PageList(PageHost* host = nullptr) : host_(host ? host : &noHost_) {}
    void SetHost(PageHost* host) { host_ = host ? host : &noHost_; }

    int AddPage(std::string caption);  // returns its index; the tab shows when TabVisible
    int Count() const { return static_cast<int>(pages_.size()); }

    int ActivePage() const { return active_; }    // -1 for none
    int SelectedTab() const { return selected_; }  // -1 for none
    std::vector<int> TabPages() const { return tabs_; }  // the page of each tab entry
    int TabIndex(int page) const;                  // -1 when its tab does not show

    bool TabVisible(int page) const { return pages_.at(static_cast<std::size_t>(page)).tabVisible; }
    void SetTabVisible(int page, bool visible);
    bool TabEnable(int page) const { return pages_.at(static_cast<std::size_t>(page)).tabEnable; }
    void SetTabEnable(int page, bool enable) { pages_.at(static_cast<std::size_t>(page)).tabEnable = enable; }
    const std::string& Caption(int page) const { return pages_.at(static_cast<std::size_t>(page)).caption; }

    // The page at index, or none when the index lies outside 0..Count()-1.
    void SelectPage(int index) { SetActivePage(index >= 0 && index < Count() ? index : -1); }
    void SetActivePage(int page);

private:
    struct Page {
        std::string caption;
        bool tabVisible = true;
        bool tabEnable = true;
    };
    void ChangeActivePage(int page);
    void ClearActivePage();
    void Resynchronise();

    std::vector<Page> pages_;
    std::vector<int> tabs_;
    int active_ = -1;
    int selected_ = -1;
    PageHost noHost_;
    PageHost* host_;
};

// The rectangle (left, top, right, bottom; right and bottom exclusive) the active page fills in a
// control of the given client size. With no tab showing the tab row has no height.
struct PageRect {
    int left, top, right, bottom;
    friend bool operator==(const PageRect&, const PageRect&) = default;
};
// At 96 DPI: inset 4 pixels, 6 at the top (the strip of 2 above the frame's outline, the outline
// and a band of 3); at another DPI those insets are scaled (fw::DpiScale::Length).
PageRect PageAreaWithoutTabs(int width, int height, int dpi = 96);
// With tabs on top: the platform's display rectangle moved down by 2 more pixels (at 96 DPI).
PageRect PageAreaWithTabs(PageRect display, int dpi = 96);

}  // namespace ctl
