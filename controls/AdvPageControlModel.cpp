#include "controls/AdvPageControlModel.h"

#include <algorithm>

#include "framework/Scaling.h"

namespace ctl {

int PageList::AddPage(std::string caption) {
    pages_.push_back(Page{std::move(caption)});
    const int page = Count() - 1;
    tabs_.push_back(page);  // a new page's tab shows, after every other page's
    host_->TabsChanged();
    return page;
}

int PageList::TabIndex(int page) const {
    const auto it = std::find(tabs_.begin(), tabs_.end(), page);
    return it == tabs_.end() ? -1 : static_cast<int>(it - tabs_.begin());
}

void PageList::SetActivePage(int page) {
    if (page < 0) {
        ClearActivePage();
    } else {
        ChangeActivePage(page);
        if (page == active_) selected_ = TabIndex(page);
    }
    host_->TabsChanged();
}

void PageList::ClearActivePage() {
    // A control without an active page shows none: the page that was active is hidden, the focus
    // leaving it for the control first.
    const int old = active_;
    if (old >= 0) {
        if (host_->FocusOnPage(old)) host_->FocusControl();
        host_->HidePage(old);
    }
    selected_ = -1;
    active_ = -1;
}

void PageList::ChangeActivePage(int page) {
    if (page == active_ || page < 0 || page >= Count() || !TabEnable(page)) return;
    const int old = active_;
    if (old >= 0 && host_->FocusOnPage(old) && !host_->MoveFocusToPage(old)) {
        selected_ = TabIndex(old);  // the focus cannot leave: the old page stays
        return;
    }
    host_->ShowPage(page);
    if (old >= 0 && host_->FocusIsPage(old)) {
        if (host_->PageCanFocus(page)) {
            host_->FocusPage(page);
        } else {
            host_->FocusControl();
        }
    }
    if (old >= 0) host_->HidePage(old);
    active_ = page;
    if (host_->FocusIsPage(page)) host_->FocusFirstChild(page);
}

void PageList::SetTabVisible(int page, bool visible) {
    Page& entry = pages_.at(static_cast<std::size_t>(page));
    if (entry.tabVisible == visible) return;
    if (visible) {
        entry.tabVisible = true;
        // Its place: after every showing tab of an earlier page.
        const auto at = std::count_if(tabs_.begin(), tabs_.end(), [&](int p) { return p < page; });
        tabs_.insert(tabs_.begin() + at, page);
        if (selected_ >= at) ++selected_;
    } else {
        const int index = TabIndex(page);
        entry.tabVisible = false;
        tabs_.erase(tabs_.begin() + index);
        if (page == active_) {
            // The tab at the same place, or the last one, or none.
            selected_ = tabs_.empty() ? -1 : std::min(index, static_cast<int>(tabs_.size()) - 1);
        } else if (selected_ > index) {
            --selected_;
        }
    }
    host_->TabsChanged();
    Resynchronise();
}

void PageList::Resynchronise() {
    SetActivePage(selected_ < 0 ? -1 : tabs_[static_cast<std::size_t>(selected_)]);
}

PageRect PageAreaWithoutTabs(int width, int height, int dpi) {
    const fw::DpiScale s(dpi);
    return {s.Length(4), s.Length(6), width - s.Length(4), height - s.Length(4)};
}

PageRect PageAreaWithTabs(PageRect display, int dpi) {
    return {display.left, display.top + fw::DpiScale(dpi).Length(2), display.right, display.bottom};
}

}  // namespace ctl
