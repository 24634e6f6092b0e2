// Keyboard and mouse on a form of the framework's controls, with real input: Tab order across
// nested containers, radio groups, check boxes, accelerators, and where the focus goes after a
// message box or a switch to another window. Keys go through the application's navigation filter
// as in the program (RealInput.h).
//
// The form (client coordinates; tab order as listed, edLast created second but ordered last):
//   lblName "&Nome:" -> edName
//   edName
//   gbKind "Tipo":         rbAlpha "&Alfa", rbBeta "&Beta", rbGamma "&Gama"
//   pnlOptions (panel):    cbDemo "&Demo"
//                          gbSize "Tamanho": rbSmall "&Pequeno", rbLarge "G&rande"
//                          edNote, edOff (disabled)
//   edHidden (hidden)
//   edLast

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "RealInput.h"
#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "framework/win/Dialogs.h"
#include "framework/win/StdCtrls.h"

namespace {

using fwtest::BoxAnswerer;
using fwtest::Click;
using fwtest::Press;
using fwtest::Settles;

fw::Application& App() {
    static fw::Application application;
    return application;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

std::string FocusedName() {
    const fw::TWinControl* focused = fwtest::FocusedControl();
    return focused ? focused->Name() : "(no control)";
}

// A check box's or radio button's state, as Settles reads it.
auto CheckedOf(const fw::TButtonControl* button) {
    return [button] { return button->Checked(); };
}

// The form above, shown by Show(); the application's main form while it lives.
struct InputForm {
    InputForm() {
        App().SetMainForm(&form);
        form.SetName("form");
        form.SetClientWidth(380);
        form.SetClientHeight(225);
        form.SetCaption("Teste");
        lblName = &Add<fw::TLabel>(form, "lblName", "&Nome:", 10, 14, 50, 13);
        edName = &Add<fw::TEdit>(form, "edName", "", 70, 10, 120, 21);
        edLast = &Add<fw::TEdit>(form, "edLast", "", 10, 195, 170, 21);
        gbKind = &Add<fw::TGroupBox>(form, "gbKind", "Tipo", 10, 45, 170, 100);
        rbAlpha = &Add<fw::TRadioButton>(*gbKind, "rbAlpha", "&Alfa", 10, 20, 140, 20);
        rbBeta = &Add<fw::TRadioButton>(*gbKind, "rbBeta", "&Beta", 10, 45, 140, 20);
        rbGamma = &Add<fw::TRadioButton>(*gbKind, "rbGamma", "&Gama", 10, 70, 140, 20);
        pnlOptions = &Add<fw::TCustomControl>(form, "pnlOptions", "", 190, 45, 180, 170);
        cbDemo = &Add<fw::TCheckBox>(*pnlOptions, "cbDemo", "&Demo", 10, 5, 150, 20);
        gbSize = &Add<fw::TGroupBox>(*pnlOptions, "gbSize", "Tamanho", 10, 30, 160, 75);
        rbSmall = &Add<fw::TRadioButton>(*gbSize, "rbSmall", "&Pequeno", 10, 20, 130, 20);
        rbLarge = &Add<fw::TRadioButton>(*gbSize, "rbLarge", "G&rande", 10, 45, 130, 20);
        edNote = &Add<fw::TEdit>(*pnlOptions, "edNote", "", 10, 115, 150, 21);
        edOff = &Add<fw::TEdit>(*pnlOptions, "edOff", "", 10, 142, 150, 21);
        edOff->SetEnabled(false);
        edHidden = &Add<fw::TEdit>(form, "edHidden", "", 10, 160, 100, 21);
        edHidden->SetVisible(false);
        edLast->SetTabOrder(4);
        lblName->SetFocusControl(edName);
        for (fw::TButtonControl* button : {static_cast<fw::TButtonControl*>(rbAlpha), static_cast<fw::TButtonControl*>(rbBeta),
                                           static_cast<fw::TButtonControl*>(rbGamma), static_cast<fw::TButtonControl*>(rbSmall),
                                           static_cast<fw::TButtonControl*>(rbLarge), static_cast<fw::TButtonControl*>(cbDemo)}) {
            button->OnClick = {"Clicked", [this](fw::Component& sender) { ++clicks[sender.Name()]; }};
        }
    }
    ~InputForm() { App().SetMainForm(nullptr); }

    template <typename T>
    T& Add(fw::TWinControl& parent, const char* name, const char* caption, int left, int top, int width, int height) {
        auto* control = static_cast<T*>(form.Own(std::make_unique<T>()));
        control->SetName(name);
        control->SetParent(&parent);
        control->SetBounds(left, top, width, height);
        control->SetCaption(caption);
        return *control;
    }

    void Show() {
        form.Show();
        fwtest::BringToFront(form.Handle());
    }

    std::string ActiveName() const {
        const fw::TWinControl* active = form.ActiveControl();
        return active ? active->Name() : "(none)";
    }

    // Whether presses of Tab (Shift+Tab when backward), one for each name in `expected`, take the
    // focus to those controls in turn, each also becoming the form's active control. Each press
    // waits for the focus to come to its control; where it went instead is taken once the wait
    // ends, and the walk goes on from there.
    testing::AssertionResult Walks(const std::string& expected, bool backward = false) {
        std::vector<std::string> visited;
        std::istringstream names(expected);
        for (std::string name; names >> name;) {
            if (backward) {
                Press(form, VK_TAB, {VK_SHIFT});
            } else {
                Press(form, VK_TAB);
            }
            static_cast<void>(Settles(FocusedName, name));
            visited.push_back(FocusedName());
            EXPECT_TRUE(Settles([this] { return ActiveName(); }, visited.back()))
                << "the active control follows the focus";
        }
        if (Joined(visited) == expected) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the focus went " << Joined(visited);
    }

    fw::TForm form;
    fw::TLabel* lblName;
    fw::TEdit *edName, *edLast, *edNote, *edOff, *edHidden;
    fw::TGroupBox *gbKind, *gbSize;
    fw::TCustomControl* pnlOptions;
    fw::TRadioButton *rbAlpha, *rbBeta, *rbGamma, *rbSmall, *rbLarge;
    fw::TCheckBox* cbDemo;
    std::map<std::string, int> clicks;
};

// --- Tab order ----------------------------------------------------------------------------------

TEST(FormInput, TabWalksNestedContainersDepthFirstInTabOrderAndShiftTabWalksBack) {
    InputForm f;
    f.Show();
    Click(*f.edName);
    ASSERT_TRUE(Settles(FocusedName, "edName"));
    EXPECT_TRUE(f.Walks("rbAlpha cbDemo rbSmall edNote edLast edName"));
    EXPECT_TRUE(f.Walks("edLast edNote rbSmall cbDemo rbAlpha edName", true));
}

TEST(FormInput, TabSkipsDisabledAndHiddenControlsAndEverythingInDisabledOrHiddenContainers) {
    struct Case {
        const char* change;
        std::function<void(InputForm&)> apply;
        const char* cycle;  // from edName round to edName
    };
    const Case cases[] = {
        {"inner group box disabled", [](InputForm& f) { f.gbSize->SetEnabled(false); },
         "rbAlpha cbDemo edNote edLast edName"},
        {"panel hidden", [](InputForm& f) { f.pnlOptions->SetVisible(false); }, "rbAlpha edLast edName"},
        {"edit disabled, hidden edit shown", [](InputForm& f) {
             f.edNote->SetEnabled(false);
             f.edHidden->SetVisible(true);
         },
         "rbAlpha cbDemo rbSmall edHidden edLast edName"},
        {"first radio button disabled (the next one is the group's stop)",
         [](InputForm& f) { f.rbAlpha->SetEnabled(false); }, "rbBeta cbDemo rbSmall edNote edLast edName"},
        {"checked radio button disabled (the first enabled one is the group's stop, so the keyboard can "
         "still choose another)",
         [](InputForm& f) {
             f.rbGamma->SetChecked(true);
             f.rbGamma->SetEnabled(false);
         },
         "rbAlpha cbDemo rbSmall edNote edLast edName"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        InputForm f;  // a form of its own for each case
        f.Show();
        c.apply(f);
        Click(*f.edName);
        ASSERT_TRUE(Settles(FocusedName, "edName"));
        EXPECT_TRUE(f.Walks(c.cycle));
    }
}

// --- Windows made when a control first shows ---------------------------------------------------

// The form's child windows from the top of their stacking down, by control name.
std::string StackedChildren(const fw::TWinControl& parent) {
    std::vector<std::string> names;
    for (HWND w = ::GetWindow(parent.Handle(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        const fw::TWinControl* control = fw::ControlFromHandle(w);
        names.push_back(control ? control->Name() : "(other)");
    }
    return Joined(names);
}

// A container hidden when the form shows (a page not shown) has no window, nor have its controls,
// until it first shows; then they are made with what was set on them meanwhile, stacked where
// windows made with the form's would be, and Tab reaches them.
TEST(FormInput, AControlHiddenAtTheStartGetsItsWindowWhenItFirstShowsWithWhatWasSetMeanwhile) {
    InputForm f;
    f.pnlOptions->SetVisible(false);
    f.Show();
    for (const fw::TWinControl* control : {static_cast<fw::TWinControl*>(f.pnlOptions), static_cast<fw::TWinControl*>(f.cbDemo),
                                           static_cast<fw::TWinControl*>(f.rbLarge), static_cast<fw::TWinControl*>(f.edNote),
                                           static_cast<fw::TWinControl*>(f.edHidden)})
        EXPECT_FALSE(control->HandleAllocated()) << control->Name() << " has a window before it shows";
    EXPECT_EQ(StackedChildren(f.form), "edName gbKind edLast");

    // Set while they have no window.
    f.edNote->SetText("nota");
    f.cbDemo->SetChecked(true);
    f.rbLarge->SetChecked(true);
    f.edNote->SetEnabled(false);

    RECT told{};  // a reader asking for the place of a control without a window yet
    ASSERT_TRUE(f.edNote->AccScreenRect(told));

    f.pnlOptions->SetVisible(true);
    ASSERT_TRUE(f.pnlOptions->HandleAllocated());
    RECT window{};
    ::GetWindowRect(f.edNote->Handle(), &window);
    EXPECT_TRUE(::EqualRect(&told, &window)) << "the place told before is where the window came";
    for (const fw::TWinControl* control : {static_cast<fw::TWinControl*>(f.cbDemo), static_cast<fw::TWinControl*>(f.gbSize),
                                           static_cast<fw::TWinControl*>(f.rbLarge), static_cast<fw::TWinControl*>(f.edNote)})
        EXPECT_TRUE(control->HandleAllocated() && ::IsWindowVisible(control->Handle())) << control->Name();
    EXPECT_FALSE(f.edHidden->HandleAllocated()) << "still hidden";
    EXPECT_EQ(StackedChildren(f.form), "edName gbKind pnlOptions edLast") << "in tab order, as if made with the form";
    EXPECT_EQ(StackedChildren(*f.pnlOptions), "cbDemo gbSize edNote edOff");
    EXPECT_EQ(f.edNote->Text(), "nota") << "read from its window";
    EXPECT_EQ(::SendMessageW(f.cbDemo->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(f.rbLarge->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(::IsWindowEnabled(f.edNote->Handle()));
    EXPECT_EQ(::SendMessageW(f.edNote->Handle(), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(f.edNote->Font().Handle()));

    Click(*f.edName);
    EXPECT_TRUE(f.Walks("rbAlpha cbDemo rbLarge edLast"));
}

// A password box made late is given its own mask character, not left to the platform's.
TEST(FormInput, APasswordBoxMadeWhenItFirstShowsMasksWithItsOwnCharacter) {
    InputForm f;
    f.edNote->SetPasswordChar("#");  // not the platform's own mask ('*' under Wine, a dot on Windows)
    f.pnlOptions->SetVisible(false);
    f.Show();
    ASSERT_FALSE(f.edNote->HandleAllocated());
    f.pnlOptions->SetVisible(true);
    ASSERT_TRUE(f.edNote->HandleAllocated());
    EXPECT_EQ(::SendMessageW(f.edNote->Handle(), EM_GETPASSWORDCHAR, 0, 0), LRESULT{L'#'});
}

// Focus asked for a control that has no window yet, while the form is on the screen, goes to it
// once its window is made.
TEST(FormInput, FocusAskedForAControlWithoutAWindowIsGivenOnceItsWindowIsMade) {
    InputForm f;
    f.pnlOptions->SetVisible(false);
    f.Show();
    Click(*f.edName);
    ASSERT_TRUE(Settles(FocusedName, "edName"));
    f.edNote->SetFocus();
    ASSERT_FALSE(f.edNote->HandleAllocated());
    f.pnlOptions->SetVisible(true);
    EXPECT_TRUE(Settles(FocusedName, "edNote"));
    Press(f.form, VK_TAB);
    EXPECT_TRUE(Settles(FocusedName, "edLast")) << "Tab goes on from there";
}

// After the form's first paint, each idle turn of the loop makes the window of one hidden control
// ahead, hidden, stacked where a window made at its show would be; nothing before. Its first show
// then gives what a window made at that show gives: the focus asked for meanwhile.
TEST(FormInput, HiddenControlsGetTheirWindowsAheadOnePerIdleTurnAfterTheFirstPaint) {
    InputForm f;
    f.pnlOptions->SetVisible(false);
    EXPECT_FALSE(App().IdleTurn()) << "nothing is made ahead before the form shows";
    f.Show();
    ASSERT_FALSE(f.pnlOptions->HandleAllocated()) << "nor by Show";
    ASSERT_TRUE(App().IdleTurn());
    ASSERT_TRUE(f.pnlOptions->HandleAllocated());
    EXPECT_FALSE(::IsWindowVisible(f.pnlOptions->Handle()));
    EXPECT_TRUE(f.edNote->HandleAllocated()) << "with the windows of its visible controls";
    EXPECT_FALSE(f.edHidden->HandleAllocated()) << "one control per turn";
    ASSERT_TRUE(App().IdleTurn());
    EXPECT_TRUE(f.edHidden->HandleAllocated());
    EXPECT_FALSE(App().IdleTurn()) << "nothing left to make";
    EXPECT_EQ(StackedChildren(f.form), "edName gbKind pnlOptions edHidden edLast");

    Click(*f.edName);
    ASSERT_TRUE(Settles(FocusedName, "edName"));
    f.edNote->SetFocus();
    EXPECT_TRUE(Settles(FocusedName, "edName")) << "a hidden window made ahead does not take the focus";
    f.pnlOptions->SetVisible(true);
    EXPECT_TRUE(Settles(FocusedName, "edNote")) << "given at its first show";
    Press(f.form, VK_TAB);
    EXPECT_TRUE(Settles(FocusedName, "edLast")) << "Tab goes on from there";
}

// --- Windowless controls and the mouse ----------------------------------------------------------

// A windowless control that records the presses and releases its parent forwards to it.
class PressRecorder : public fw::TGraphicControl {
public:
    void MouseDown(int, int) override { seen += "down "; }
    void MouseUp(int, int) override { seen += "up "; }
    std::string seen;
};

// A press on a windowless control captures the mouse for it until the release. When the capture
// is lost in the middle of the press (another window takes it and gets the release, or the
// platform cancels it and the button is released outside the window), the press is over: the next
// click goes to the control under the pointer, not to the one pressed before.
TEST(FormInput, AWindowlessControlsPressEndsWhenTheMouseCaptureIsLost) {
    struct Loss {
        const char* name;
        bool toAnotherWindow;  // else cancelled, released outside
    };
    for (const Loss& loss : {Loss{"another window takes the capture", true}, Loss{"the capture is cancelled", false}}) {
        SCOPED_TRACE(loss.name);
        fw::TForm form;
        App().SetMainForm(&form);
        form.SetClientWidth(300);
        form.SetClientHeight(120);
        auto add = [&](int left) {
            auto* control = static_cast<PressRecorder*>(form.Own(std::make_unique<PressRecorder>()));
            control->SetParent(&form);
            control->SetBounds(left, 20, 100, 60);
            return control;
        };
        PressRecorder& pressed = *add(20);
        PressRecorder& next = *add(180);
        form.Show();
        const HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);

        const POINT at = fwtest::ScreenCentre(pressed);
        fwtest::BringToFront(form.Handle());
        fwtest::Send({fwtest::MouseEvent(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
        const int presses = fwtest::Taken().buttonPresses;
        fwtest::Send({fwtest::MouseButtonAt(MOUSEEVENTF_LEFTDOWN, at)});
        fwtest::PumpUntilOrThrow([&] { return fwtest::Taken().buttonPresses > presses; }, "the press");
        ASSERT_EQ(pressed.seen, "down ");
        ASSERT_EQ(::GetCapture(), form.Handle());

        RECT window{};
        ::GetWindowRect(form.Handle(), &window);
        if (loss.toAnotherWindow) {
            ::SetCapture(other);
        } else {
            ::ReleaseCapture();
        }
        const POINT release = loss.toAnotherWindow ? at : POINT{window.right + 40, at.y};
        fwtest::Send({fwtest::MouseButtonAt(MOUSEEVENTF_LEFTUP, release)});
        fwtest::PumpUntil([] { return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0; });
        if (::GetCapture() == other) ::ReleaseCapture();

        Click(next);
        EXPECT_EQ(next.seen, "down up ") << "the click reaches the control under the pointer";
        EXPECT_EQ(pressed.seen, "down ");
        ::DestroyWindow(other);
        App().SetMainForm(nullptr);
    }
}

// --- Radio groups -------------------------------------------------------------------------------

TEST(FormInput, ARadioGroupIsOneTabStopAtItsCheckedButton) {
    InputForm f;
    f.Show();
    Click(*f.rbBeta);
    Click(*f.edName);
    EXPECT_TRUE(f.Walks("rbBeta cbDemo"));
    EXPECT_TRUE(f.Walks("rbBeta edName", true));
    Click(*f.rbLarge);
    Click(*f.cbDemo);
    EXPECT_TRUE(f.Walks("rbLarge edNote")) << "the other group's stop moved to its checked button";
}

TEST(FormInput, ClickingARadioButtonChecksItAloneInItsGroupAndClicksOnlyOnAChange) {
    InputForm f;
    f.Show();
    Click(*f.rbLarge);
    Click(*f.rbAlpha);
    Click(*f.rbGamma);
    EXPECT_TRUE(Settles(CheckedOf(f.rbAlpha), false));
    EXPECT_TRUE(Settles(CheckedOf(f.rbBeta), false));
    EXPECT_TRUE(Settles(CheckedOf(f.rbGamma), true));
    EXPECT_TRUE(Settles(CheckedOf(f.rbLarge), true)) << "a group in another container keeps its choice";
    const auto windowCheck = [](const fw::TButtonControl* button) {
        return [button] { return ::SendMessageW(button->Handle(), BM_GETCHECK, 0, 0); };
    };
    EXPECT_TRUE(Settles(windowCheck(f.rbAlpha), LRESULT{BST_UNCHECKED})) << "the window shows the state";
    EXPECT_TRUE(Settles(windowCheck(f.rbGamma), LRESULT{BST_CHECKED}));
    EXPECT_TRUE(Settles(FocusedName, "rbGamma"));
    Click(*f.rbBeta);
    Click(*f.rbBeta, {3, 0});  // again, a little aside (not a double click): already checked
    EXPECT_TRUE(Settles([&] { return f.clicks["rbAlpha"]; }, 1));
    EXPECT_TRUE(Settles([&] { return f.clicks["rbGamma"]; }, 1));
    EXPECT_TRUE(Settles([&] { return f.clicks["rbBeta"]; }, 1));
}

TEST(FormInput, ArrowsMoveTheCheckAndTheFocusWithinTheGroupSkippingDisabledButtonsAndWrapping) {
    InputForm f;
    f.rbGamma->SetEnabled(false);
    f.Show();
    Click(*f.rbLarge);
    Click(*f.rbAlpha);
    struct Step {
        WORD key;
        const char* checked;
    };
    const Step steps[] = {{VK_DOWN, "rbBeta"}, {VK_DOWN, "rbAlpha"}, {VK_UP, "rbBeta"},
                          {VK_RIGHT, "rbAlpha"}, {VK_LEFT, "rbBeta"}};
    for (const Step& step : steps) {
        Press(f.form, step.key);
        EXPECT_TRUE(Settles(FocusedName, step.checked)) << "after key " << step.key;
        EXPECT_TRUE(Settles(CheckedOf(&dynamic_cast<fw::TRadioButton&>(*f.form.FindComponent(step.checked))), true))
            << step.checked;
        const auto checkedInGroup = [&] {
            return int(f.rbAlpha->Checked()) + int(f.rbBeta->Checked()) + int(f.rbGamma->Checked());
        };
        EXPECT_TRUE(Settles(checkedInGroup, 1));
    }
    EXPECT_TRUE(Settles(CheckedOf(f.rbGamma), false));
    EXPECT_TRUE(Settles(CheckedOf(f.rbLarge), true)) << "arrows never leave the group";
    // In an edit the arrows move the caret, not the focus.
    Click(*f.edName);
    fwtest::TypeText(f.form, L"abc");
    const auto caret = [&] {
        DWORD start = 0, end = 0;
        ::SendMessageW(f.edName->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start;
    };
    Press(f.form, VK_LEFT);
    EXPECT_TRUE(Settles(caret, DWORD{2}));
    Press(f.form, VK_UP);
    EXPECT_TRUE(Settles(caret, DWORD{1}));
    Press(f.form, VK_DOWN);
    EXPECT_TRUE(Settles(caret, DWORD{2}));
    EXPECT_TRUE(Settles(FocusedName, "edName"));
}

// --- Check boxes --------------------------------------------------------------------------------

TEST(FormInput, ACheckBoxTogglesOnAClickOnSpaceAndOnItsAccelerator) {
    InputForm f;
    f.Show();
    Click(*f.cbDemo);
    EXPECT_TRUE(Settles(CheckedOf(f.cbDemo), true));
    EXPECT_TRUE(Settles(FocusedName, "cbDemo"));
    Press(f.form, VK_SPACE);
    EXPECT_TRUE(Settles(CheckedOf(f.cbDemo), false));
    Click(*f.edNote);
    Press(f.form, 'D', {VK_MENU});
    EXPECT_TRUE(Settles(CheckedOf(f.cbDemo), true));
    EXPECT_TRUE(Settles(FocusedName, "cbDemo"));
    Press(f.form, 'D');  // the letter alone: a check box takes no characters
    EXPECT_TRUE(Settles(CheckedOf(f.cbDemo), false));
    EXPECT_TRUE(Settles([&] { return f.clicks["cbDemo"]; }, 4));
    EXPECT_TRUE(Settles([&] { return ::SendMessageW(f.cbDemo->Handle(), BM_GETCHECK, 0, 0); }, LRESULT{BST_UNCHECKED}));

    f.cbDemo->SetEnabled(false);
    Click(*f.cbDemo);
    Press(f.form, 'D', {VK_MENU});
    EXPECT_TRUE(Settles(CheckedOf(f.cbDemo), false)) << "a disabled check box takes neither clicks nor its accelerator";
    EXPECT_TRUE(Settles([&] { return f.clicks["cbDemo"]; }, 4));
}

// --- Accelerators -------------------------------------------------------------------------------

TEST(FormInput, AcceleratorsFocusOrChooseTheirControlWhileLettersGoIntoTheFocusedEdit) {
    InputForm f;
    f.Show();
    Click(*f.edNote);
    Press(f.form, 'N', {VK_MENU});
    EXPECT_TRUE(Settles(FocusedName, "edName")) << "a label's accelerator focuses its control";

    fwtest::TypeText(f.form, L"bg");
    EXPECT_TRUE(Settles([&] { return f.edName->Text(); }, "bg"));
    EXPECT_TRUE(Settles(CheckedOf(f.rbBeta), false)) << "letters typed into an edit are no accelerators";

    Press(f.form, 'B', {VK_MENU});
    EXPECT_TRUE(Settles(CheckedOf(f.rbBeta), true));
    EXPECT_TRUE(Settles(FocusedName, "rbBeta"));
    Press(f.form, 'G');  // the letter alone, from a radio button
    EXPECT_TRUE(Settles(CheckedOf(f.rbGamma), true));
    EXPECT_TRUE(Settles(CheckedOf(f.rbBeta), false));
    Press(f.form, 'R', {VK_MENU});  // "G&rande": the marked letter, not the first
    EXPECT_TRUE(Settles(CheckedOf(f.rbLarge), true));
    EXPECT_TRUE(Settles(CheckedOf(f.rbGamma), true));
    EXPECT_TRUE(Settles(FocusedName, "rbLarge"));

    f.rbSmall->SetEnabled(false);
    f.gbKind->SetVisible(false);
    Press(f.form, 'P', {VK_MENU});
    Press(f.form, 'A', {VK_MENU});
    EXPECT_TRUE(Settles(CheckedOf(f.rbSmall), false)) << "a disabled control's accelerator does nothing";
    EXPECT_TRUE(Settles(CheckedOf(f.rbAlpha), false)) << "nor one of a control in a hidden container";
    EXPECT_TRUE(Settles(FocusedName, "rbLarge"));
}

// --- Focus after a message box and after another window ---------------------------------------

TEST(FormInput, AMessageBoxGivesTheFocusBackToTheControlThatHadIt) {
    InputForm f;
    f.Show();
    struct Case {
        fw::TWinControl* focused;
        UINT buttons;
        BoxAnswerer::Answer answer;
        int expected;
    };
    const Case cases[] = {
        {f.edNote, MB_YESNO | MB_ICONQUESTION, BoxAnswerer::Enter(), IDYES},
        {f.rbBeta, MB_YESNO | MB_ICONQUESTION, BoxAnswerer::AltForButton(IDNO), IDNO},
        {f.cbDemo, MB_OKCANCEL, BoxAnswerer::Escape(), IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focused->Name());
        Click(*c.focused);
        ASSERT_TRUE(Settles(fwtest::FocusedControl, c.focused)) << "focused: " << FocusedName();
        BoxAnswerer answerer(c.answer);
        const int answer = fw::ShowMessageBox(&f.form, "Continuar?", "Teste", c.buttons);
        answerer.Join();
        EXPECT_EQ(answerer.Failure(), "");
        EXPECT_EQ(answer, c.expected);
        EXPECT_TRUE(Settles(fwtest::FocusedControl, c.focused)) << "focused: " << FocusedName();
        EXPECT_TRUE(Settles([&] { return f.form.ActiveControl(); }, c.focused)) << "active: " << f.ActiveName();
        EXPECT_TRUE(Settles(::GetForegroundWindow, f.form.Handle()));
    }

    // A box opened by a click handler: the focus goes back to the control clicked.
    int answer = 0;
    f.cbDemo->OnClick = {"Ask", [&](fw::Component&) { answer = fw::ShowMessageBox(&f.form, "Demo?", "Teste", MB_YESNO); }};
    BoxAnswerer answerer(BoxAnswerer::AltForButton(IDYES));
    Click(*f.cbDemo);
    answerer.Join();
    EXPECT_EQ(answerer.Failure(), "");
    EXPECT_EQ(answer, IDYES);
    EXPECT_TRUE(Settles(fwtest::FocusedControl, static_cast<fw::TWinControl*>(f.cbDemo)))
        << "focused: " << FocusedName();
    Press(f.form, VK_TAB);
    EXPECT_TRUE(Settles(FocusedName, "rbSmall")) << "Tab goes on from there";
}

TEST(FormInput, SwitchingToAnotherWindowAndBackGivesTheFocusBackToTheControlThatHadIt) {
    InputForm f;
    f.Show();
    RECT formRect{};
    ::GetWindowRect(f.form.Handle(), &formRect);
    // Another top-level window beside the form, with a focusable edit of its own.
    HWND other = ::CreateWindowExW(0, L"EDIT", L"outra", WS_POPUP | WS_BORDER | WS_VISIBLE, formRect.left,
                                   formRect.top - 60 > 0 ? formRect.top - 60 : formRect.bottom + 10, 160, 30, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    RECT otherRect{};
    ::GetWindowRect(other, &otherRect);
    const POINT inOther{(otherRect.left + otherRect.right) / 2, (otherRect.top + otherRect.bottom) / 2};
    POINT formBackground{300, 20};  // no control there
    ::ClientToScreen(f.form.Handle(), &formBackground);

    for (fw::TWinControl* focused : {static_cast<fw::TWinControl*>(f.edNote), static_cast<fw::TWinControl*>(f.rbAlpha)}) {
        SCOPED_TRACE(focused->Name());
        if (focused == f.rbAlpha) {
            Click(*f.edName);
            Press(f.form, VK_TAB);  // reached by the keyboard this time
        } else {
            Click(*focused);
        }
        ASSERT_TRUE(Settles(fwtest::FocusedControl, focused)) << "focused: " << FocusedName();
        fwtest::ClickAt(nullptr, inOther);
        // (foreground, focus)
        EXPECT_TRUE(Settles([] { return std::pair(::GetForegroundWindow(), ::GetFocus()); }, std::pair(other, other)))
            << "the other window took the focus";
        EXPECT_TRUE(Settles([&] { return f.form.ActiveControl(); }, focused))
            << "the form remembers its control meanwhile; active: " << f.ActiveName();
        fwtest::ClickAt(nullptr, formBackground);
        EXPECT_TRUE(Settles(::GetForegroundWindow, f.form.Handle()));
        EXPECT_TRUE(Settles(fwtest::FocusedControl, focused)) << "focused: " << FocusedName();
        EXPECT_TRUE(Settles([&] { return f.form.ActiveControl(); }, focused)) << "active: " << f.ActiveName();
    }
    ::DestroyWindow(other);
}

TEST(FormInput, AFocusedControlThatGoesLeavesNothingStaleBehindForTabOrTheWindowsReturn) {
    InputForm f;
    f.edOff->SetVisible(false);  // its place is taken below
    // Controls of the form's tree that are not the form's own components, so that the test can
    // destroy them while the form lives: an edit on the panel, and a panel with an edit inside.
    auto loose = std::make_unique<fw::TEdit>();
    loose->SetName("loose");
    loose->SetParent(f.pnlOptions);
    loose->SetBounds(10, 142, 150, 21);
    auto box = std::make_unique<fw::TCustomControl>();
    box->SetParent(&f.form);
    box->SetBounds(10, 150, 170, 40);
    auto inner = std::make_unique<fw::TEdit>();
    inner->SetName("inner");
    inner->SetParent(box.get());
    inner->SetBounds(5, 5, 100, 21);
    f.Show();
    HWND other = ::CreateWindowExW(0, L"EDIT", L"outra", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 160, 30, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    POINT formBackground{300, 20};  // no control there
    ::ClientToScreen(f.form.Handle(), &formBackground);

    struct Case {
        const char* what;
        fw::TWinControl* focused;
        std::function<void()> destroy;
        const char* focusedAfter;  // the platform hands the focus to the parent of what went
        const char* afterTab;
    };
    const Case cases[] = {
        {"the control destroyed", loose.get(), [&] { loose.reset(); }, "pnlOptions", "cbDemo"},
        {"its container destroyed", inner.get(), [&] { box.reset(); }, "form", "edName"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Click(*c.focused);
        ASSERT_TRUE(Settles(fwtest::FocusedControl, c.focused)) << "focused: " << FocusedName();
        const auto gone = reinterpret_cast<std::uintptr_t>(c.focused);
        c.destroy();
        EXPECT_NE(reinterpret_cast<std::uintptr_t>(f.form.ActiveControl()), gone);
        for (const fw::TWinControl* control : f.form.TabOrderList()) {
            EXPECT_NE(reinterpret_cast<std::uintptr_t>(control), gone) << "still in the tab order";
        }
        fwtest::ClickAt(nullptr, {80, 15});  // the other window, and back
        ASSERT_TRUE(Settles(::GetForegroundWindow, other));
        fwtest::ClickAt(nullptr, formBackground);
        EXPECT_TRUE(Settles(::GetForegroundWindow, f.form.Handle()));
        EXPECT_TRUE(Settles(FocusedName, c.focusedAfter));
        Press(f.form, VK_TAB);
        EXPECT_TRUE(Settles(FocusedName, c.afterTab));
    }
    EXPECT_TRUE(Settles(::GetForegroundWindow, f.form.Handle()));
    ::DestroyWindow(other);
}

}  // namespace
