// The page control's platform tab entries follow its page list through every change of the tabs
// that show and of the active page: one entry per showing tab, in page order, with the page's
// caption and index, and the platform's selection on the model's selected tab. A page whose window
// could not be made when it was first shown gets it when it is shown again.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/win/AdvPageControl.h"
#include "framework/win/Controls.h"

namespace {

using ctl::TAdvPageControl;
using ctl::TAdvTabSheet;

struct Entry {
    int page;
    std::wstring text;
    friend bool operator==(const Entry&, const Entry&) = default;
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << "{page " << entry.page << ", " << std::string(entry.text.begin(), entry.text.end()) << "}";
}

class PageControlTabs : public ::testing::Test {
protected:
    void SetUp() override {
        form_.SetBounds(0, 0, 400, 300);
        control_ = static_cast<TAdvPageControl*>(form_.Own(std::make_unique<TAdvPageControl>()));
        control_->SetBounds(10, 10, 300, 200);
        control_->SetParent(&form_);
        for (const char* caption : {"Produto", "Servidor", "Resumo", "Fim"}) {
            auto* sheet = static_cast<TAdvTabSheet*>(form_.Own(std::make_unique<TAdvTabSheet>()));
            sheet->SetCaption(caption);
            sheet->SetParent(control_);
        }
        form_.CreateHandle();
        ASSERT_TRUE(control_->HandleAllocated());
    }

    std::vector<Entry> Entries() const {
        std::vector<Entry> entries;
        const int count = TabCtrl_GetItemCount(control_->Handle());
        for (int i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT | TCIF_PARAM;
            item.pszText = text;
            item.cchTextMax = 64;
            EXPECT_TRUE(::SendMessageW(control_->Handle(), TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)));
            entries.push_back({static_cast<int>(item.lParam), text});
        }
        return entries;
    }

    // What the page list says the platform control must hold.
    std::vector<Entry> Expected() const {
        static const wchar_t* const kCaptions[] = {L"Produto", L"Servidor", L"Resumo", L"Fim"};
        std::vector<Entry> entries;
        for (int page : control_->Pages().TabPages()) entries.push_back({page, kCaptions[page]});
        return entries;
    }

    void ExpectInStep(const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(Entries(), Expected());
        EXPECT_EQ(TabCtrl_GetCurSel(control_->Handle()), control_->Pages().SelectedTab());
    }

    fw::TForm form_;
    TAdvPageControl* control_ = nullptr;
};

TEST_F(PageControlTabs, EntriesFollowTheTabsThatShowAndTheSelection) {
    ExpectInStep("created");
    EXPECT_EQ(Entries().size(), 4u);

    control_->SelectPage(2);
    ExpectInStep("third page active");
    control_->Page(1)->SetTabVisible(false);
    ExpectInStep("second tab hidden");
    control_->Page(2)->SetTabVisible(false);
    ExpectInStep("active page's tab hidden");
    control_->Page(0)->SetTabVisible(false);
    ExpectInStep("first tab hidden");
    control_->Page(1)->SetTabVisible(true);
    ExpectInStep("second tab shown again, before the last");
    control_->Page(3)->SetTabVisible(false);
    control_->Page(1)->SetTabVisible(false);
    ExpectInStep("no tab left");
    EXPECT_TRUE(Entries().empty());
    control_->Page(3)->SetTabVisible(true);
    control_->Page(0)->SetTabVisible(true);
    control_->Page(2)->SetTabVisible(true);
    ExpectInStep("tabs shown again out of order");
    control_->SelectPage(0);
    ExpectInStep("first page active");
    control_->SelectPage(-1);
    ExpectInStep("no page active");
}

// The wizard's start: every tab hidden, one page after the other, then the first page selected.
TEST_F(PageControlTabs, HidingEveryTabLeavesNoEntry) {
    for (int page = 0; page < control_->PageCount(); ++page) {
        control_->Page(page)->SetTabVisible(false);
        ExpectInStep(("tab hidden: " + std::to_string(page)).c_str());
    }
    control_->SelectPage(0);
    ExpectInStep("first page selected");
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(control_->ActivePageIndex(), 0);
}

// The platform out of windows the first time the page is shown (a window class that does not
// exist stands for it), not the next.
class TSheetFailingOnce : public TAdvTabSheet {
protected:
    void CreateParams(fw::WindowParams& params) override {
        TAdvTabSheet::CreateParams(params);
        if (!failed_) params.className = L"NoSuchWindowClass";
        failed_ = true;
    }

private:
    bool failed_ = false;
};

TEST(PageControlPages, APageWhoseWindowCouldNotBeMadeGetsItWhenShownAgain) {
    fw::TForm form;
    form.SetVisible(false);  // nothing on the screen
    form.SetBounds(0, 0, 400, 300);
    auto* control = static_cast<TAdvPageControl*>(form.Own(std::make_unique<TAdvPageControl>()));
    control->SetBounds(10, 10, 300, 200);
    control->SetParent(&form);
    auto* first = static_cast<TAdvTabSheet*>(form.Own(std::make_unique<TAdvTabSheet>()));
    first->SetParent(control);
    auto* second = static_cast<TAdvTabSheet*>(form.Own(std::make_unique<TSheetFailingOnce>()));
    second->SetParent(control);
    form.CreateHandle();
    control->SelectPage(0);
    ASSERT_TRUE(first->HandleAllocated());

    EXPECT_THROW(control->SelectPage(1), std::runtime_error);
    ASSERT_FALSE(second->HandleAllocated());
    control->SelectPage(1);
    ASSERT_TRUE(second->HandleAllocated()) << "made at its next show";
    EXPECT_TRUE(::GetWindowLongPtrW(second->Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(::GetWindowLongPtrW(first->Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(control->ActivePageIndex(), 1);
}

}  // namespace
