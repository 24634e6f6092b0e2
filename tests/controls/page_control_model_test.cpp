#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/AdvPageControlModel.h"

namespace {

// Records what the page windows were asked to do.
struct RecordingHost : ctl::PageHost {
    std::vector<std::string> calls;
    void ShowPage(int page) override { calls.push_back("show " + std::to_string(page)); }
    void HidePage(int page) override { calls.push_back("hide " + std::to_string(page)); }
};

ctl::PageList FivePages(RecordingHost& host) {
    ctl::PageList pages(&host);
    for (const char* caption : {"1", "2", "3", "4", "5"}) pages.AddPage(caption);
    return pages;
}

TEST(PageControlModel, SelectingTheActivePageChangesNothing) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(2);
    host.calls.clear();
    pages.SelectPage(2);
    EXPECT_EQ(pages.ActivePage(), 2);
    EXPECT_EQ(pages.SelectedTab(), 2);
    EXPECT_TRUE(host.calls.empty());
}

TEST(PageControlModel, AnIndexOutOfRangeLeavesNoActivePageAndNoSelectedTab) {
    for (int index : {-1, 5, 1000}) {
        RecordingHost host;
        auto pages = FivePages(host);
        pages.SelectPage(1);
        pages.SelectPage(index);
        EXPECT_EQ(pages.ActivePage(), -1) << "index " << index;
        EXPECT_EQ(pages.SelectedTab(), -1) << "index " << index;
    }
}

TEST(PageControlModel, APageWhoseTabIsDisabledCannotBecomeActive) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(0);
    pages.SetTabEnable(3, false);
    pages.SelectPage(3);
    EXPECT_EQ(pages.ActivePage(), 0);
}

TEST(PageControlModel, HidingEveryTabInIndexOrderHandsThePageOnAndEndsWithNone) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(0);
    std::vector<int> activeAfterEach;
    for (int page = 0; page < 5; ++page) {
        pages.SetTabVisible(page, false);
        activeAfterEach.push_back(pages.ActivePage());
    }
    EXPECT_EQ(activeAfterEach, (std::vector<int>{1, 2, 3, 4, -1}));
    EXPECT_TRUE(pages.TabPages().empty());
    EXPECT_EQ(pages.SelectedTab(), -1);

    // The wizard then selects page 0: it shows although no tab does, with no tab selected.
    pages.SelectPage(0);
    EXPECT_EQ(pages.ActivePage(), 0);
    EXPECT_EQ(pages.SelectedTab(), -1);
}

TEST(PageControlModel, HidingTheOnlyShowingTabOfTheActivePageLeavesNoActivePage) {
    RecordingHost host;
    auto pages = FivePages(host);
    for (int page : {0, 1, 3, 4}) pages.SetTabVisible(page, false);
    pages.SelectPage(2);
    pages.SetTabVisible(2, false);
    EXPECT_EQ(pages.ActivePage(), -1);
}

TEST(PageControlModel, HidingTheLastTabOfTheActivePageSelectsTheNewLastTab) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(4);
    pages.SetTabVisible(4, false);
    EXPECT_EQ(pages.ActivePage(), 3);
    EXPECT_EQ(pages.SelectedTab(), 3);
}

TEST(PageControlModel, HidingAnEarlierTabKeepsTheActivePageAndItsSelection) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(3);
    pages.SetTabVisible(1, false);
    EXPECT_EQ(pages.ActivePage(), 3);
    EXPECT_EQ(pages.SelectedTab(), 2);
    pages.SetTabVisible(1, true);
    EXPECT_EQ(pages.TabPages(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(pages.SelectedTab(), 3);
}

TEST(PageControlModel, ChangingPageShowsTheNewOneBeforeHidingTheOld) {
    RecordingHost host;
    auto pages = FivePages(host);
    pages.SelectPage(0);
    host.calls.clear();
    pages.SelectPage(1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show 1", "hide 0"}));
}

TEST(PageControlModel, TheFocusThatCannotLeaveThePageKeepsIt) {
    struct StuckFocus : RecordingHost {
        bool FocusOnPage(int) override { return true; }
        bool MoveFocusToPage(int) override { return false; }
    } host;
    auto pages = FivePages(host);
    pages.SelectPage(0);
    pages.SelectPage(1);
    EXPECT_EQ(pages.ActivePage(), 0);
    EXPECT_EQ(pages.SelectedTab(), 0);
}

// The pages the host was last told to show, from its calls.
std::vector<int> ShownPages(const RecordingHost& host) {
    std::vector<int> shown;
    for (const std::string& call : host.calls) {
        const int page = std::stoi(call.substr(5));
        std::erase(shown, page);
        if (call.starts_with("show")) shown.push_back(page);
    }
    return shown;
}

TEST(PageControlModel, WithoutAnActivePageNoPageShows) {
    struct Way {
        const char* name;
        void (*apply)(ctl::PageList&);
    };
    const Way ways[] = {
        {"every tab hidden in index order", [](ctl::PageList& p) { for (int i = 0; i < 5; ++i) p.SetTabVisible(i, false); }},
        {"index -1", [](ctl::PageList& p) { p.SelectPage(-1); }},
        {"index past the end", [](ctl::PageList& p) { p.SelectPage(5); }},
        {"active page set to none", [](ctl::PageList& p) { p.SetActivePage(-1); }},
    };
    for (const Way& way : ways) {
        RecordingHost host;
        auto pages = FivePages(host);
        pages.SelectPage(0);
        way.apply(pages);
        EXPECT_EQ(pages.ActivePage(), -1) << way.name;
        EXPECT_EQ(ShownPages(host), std::vector<int>{}) << way.name;
        // As the wizard does after hiding every tab: only the selected page shows.
        pages.SelectPage(0);
        EXPECT_EQ(ShownPages(host), std::vector<int>{0}) << way.name;
    }
}

TEST(PageControlModel, TheFocusLeavesAPageBeforeItIsHiddenForNone) {
    struct FocusedPage : RecordingHost {
        bool FocusOnPage(int) override { return true; }
        void FocusControl() override { calls.push_back("focus control"); }
    } host;
    auto pages = FivePages(host);
    pages.SelectPage(2);
    host.calls.clear();
    pages.SelectPage(-1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"focus control", "hide 2"}));
}

TEST(PageControlModel, PageAreaWithoutTabsIsInsetFourAndSixAtTheTop) {
    // The wizard's control: 341 x 261 gives 333 x 251 at (4, 6).
    const ctl::PageRect area = ctl::PageAreaWithoutTabs(341, 261);
    EXPECT_EQ(area, (ctl::PageRect{4, 6, 337, 257}));
    EXPECT_EQ(area.right - area.left, 333);
    EXPECT_EQ(area.bottom - area.top, 251);
}

TEST(PageControlModel, PageAreaInsetsAreScaledToTheDpi) {
    struct Case {
        int dpi, width, height;
        ctl::PageRect area;
    } const cases[] = {
        {120, 426, 326, {5, 8, 421, 321}},
        {144, 512, 392, {6, 9, 506, 386}},   // the wizard's control at 150 %
        {192, 682, 522, {8, 12, 674, 514}},
    };
    for (const Case& c : cases) EXPECT_EQ(ctl::PageAreaWithoutTabs(c.width, c.height, c.dpi), c.area) << c.dpi << " DPI";
    EXPECT_EQ(ctl::PageAreaWithTabs({0, 20, 100, 80}, 144), (ctl::PageRect{0, 23, 100, 80}));
}

}  // namespace
