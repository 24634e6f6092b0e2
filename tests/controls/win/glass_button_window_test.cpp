// The glass button as a window on a parent that paints a known backdrop, painted into bitmaps
// the way its own paint runs (the parent's image first, then body and content) and checked at
// pixels with tolerances: the half-transparent body over the backdrop, the shine, the glow only
// while a press would click, the disabled caption's grey, the smallest buttons without shine,
// the focus outline only when asked for. Then the messages a person's mouse and keyboard send,
// and 1,000 hover, press and release cycles that must leave no GDI or USER object behind.

#include "tests/controls/win/gdipfill_pixels.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "controls/win/AdvGlassButton.h"
#include "framework/win/Application.h"
#include "framework/win/Gdi.h"
#include "support/ResourceCounts.h"
#include "support/Settles.h"

namespace {

using ctl::TAdvGlassButton;
using testsupport::Settles;

fw::Application& App() {
    static fw::Application application;  // also starts GDI+
    return application;
}

// A parent whose face is known at every pixel: red grows from left to right, green and blue fixed.
class Backdrop : public fw::TCustomControl {
public:
    static std::uint32_t At(int x) { return RGB(std::min(255, x * 2), 200, 100); }
    void Paint(HDC dc) override {
        for (int x = 0; x < Width(); ++x) {
            const RECT column{x, 0, x + 1, Height()};
            ::SetDCBrushColor(dc, At(x));
            ::FillRect(dc, &column, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        }
    }
};

struct Rgb {
    int r, g, b;
};
Rgb Of(std::uint32_t colorref) { return {GetRValue(colorref), GetGValue(colorref), GetBValue(colorref)}; }

class GlassButtonWindow : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        form_.SetBounds(0, 0, 300, 120);
        backdrop_ = static_cast<Backdrop*>(form_.Own(std::make_unique<Backdrop>()));
        backdrop_->SetBounds(0, 0, 300, 120);
        backdrop_->SetParent(&form_);
        button_ = Add(20, 30, 81, 29, "Seguinte >>");
        form_.CreateHandle();
    }
    void TearDown() override { App().SetMainForm(nullptr); }

    // A button as the wizard sets it up.
    TAdvGlassButton* Add(int left, int top, int width, int height, const char* caption,
                         fw::TWinControl* parent = nullptr) {
        auto* b = static_cast<TAdvGlassButton*>(form_.Own(std::make_unique<TAdvGlassButton>()));
        b->SetBounds(left, top, width, height);
        b->SetCaption(caption);
        b->Apply(b->Model().SetOuterBorderColor(7105644));
        b->SetCornerRadius(12);
        b->SetParentFont(false);
        b->Font().SetName("Tahoma");
        b->Font().SetHeight(-11);
        b->Font().SetColor(fw::clWhite);
        b->SetParent(parent ? parent : backdrop_);
        b->Loaded();
        return b;
    }

    // The button's paint into a bitmap of its size; pixels as 0x00BBGGRR.
    struct Painted {
        std::vector<std::uint32_t> pixels;
        int width = 0;
        Rgb operator()(int x, int y) const {
            const std::uint32_t bgra = pixels[static_cast<std::size_t>(y) * width + x];
            return {static_cast<int>((bgra >> 16) & 0xFF), static_cast<int>((bgra >> 8) & 0xFF),
                    static_cast<int>(bgra & 0xFF)};
        }
        bool operator==(const Painted&) const = default;
    };
    static Painted Paint(TAdvGlassButton& b) {
        fw::WindowDc screen(nullptr);
        fw::OffscreenBitmap bitmap(screen.Get(), b.Width(), b.Height());
        b.Paint(bitmap.Dc());
        ::GdiFlush();
        Painted p;
        p.width = b.Width();
        p.pixels.assign(bitmap.Pixels(), bitmap.Pixels() + b.Width() * b.Height());
        return p;
    }
    static LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
    void Send(UINT message, int x, int y, WPARAM keys = 0) {
        ::SendMessageW(button_->Handle(), message, keys, At(x, y));
    }

    fw::TForm form_;
    Backdrop* backdrop_ = nullptr;
    TAdvGlassButton* button_ = nullptr;
};

// Puts the pointer at a point of the screen and waits until it is there (it moves asynchronously).
::testing::AssertionResult PointerAt(int x, int y) {
    ::SetCursorPos(x, y);
    return Settles(
        [] {
            POINT now{};
            ::GetCursorPos(&now);
            return std::pair<long, long>(now.x, now.y);
        },
        std::pair<long, long>(x, y));
}

::testing::AssertionResult Close(Rgb got, Rgb want, int tolerance) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "r" << got.r << " g" << got.g << " b" << got.b << ", expected r" << want.r
                                         << " g" << want.g << " b" << want.b << " +-" << tolerance;
}

TEST_F(GlassButtonWindow, HalfTransparentBlackBodyShowsTheParentsImageWithAShineAboveIt) {
    const Painted p = Paint(*button_);
    // Below the shine and away from the caption: the backdrop at half strength.
    for (int x : {14, 20, 60, 66}) {
        const Rgb under = Of(Backdrop::At(button_->Left() + x));
        EXPECT_TRUE(Close(p(x, 24), {under.r * 128 / 255, under.g * 128 / 255, under.b * 128 / 255}, 5))
            << "x " << x;
    }
    // Outside the rounded corner: the backdrop itself.
    EXPECT_TRUE(Close(p(0, 0), Of(Backdrop::At(button_->Left())), 3));
    // The shine lightens the upper half, most at the top.
    EXPECT_GT(p(14, 4).g, p(14, 24).g + 40);
    EXPECT_GT(p(14, 4).g, p(14, 13).g);
}

TEST_F(GlassButtonWindow, GlowOnlyWhileAPressWouldClick) {
    auto blueAtBottomMiddle = [&] {
        const Painted p = Paint(*button_);
        return p(40, 25).b - p(40, 25).g;
    };
    const int resting = blueAtBottomMiddle();
    Send(WM_LBUTTONDOWN, 40, 15, MK_LBUTTON);
    const int pressed = blueAtBottomMiddle();
    EXPECT_GT(pressed, resting + 25) << "the glow tints the bottom middle while pressed";
    Send(WM_MOUSEMOVE, 200, 15, MK_LBUTTON);
    EXPECT_LT(blueAtBottomMiddle(), resting + 5) << "dragged off: the unpressed body";
    Send(WM_MOUSEMOVE, 40, 29, MK_LBUTTON);  // the row just below still counts as inside
    EXPECT_GT(blueAtBottomMiddle(), resting + 25);
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    Send(WM_LBUTTONUP, 40, 29);
    EXPECT_EQ(clicks, 1) << "a release at y equal to the height is inside";
    EXPECT_LT(blueAtBottomMiddle(), resting + 5) << "released: no glow";
    EXPECT_EQ(::GetCapture(), nullptr) << "the capture ends with the release";

    Send(WM_LBUTTONDOWN, 40, 15, MK_LBUTTON);
    button_->SetEnabled(false);
    EXPECT_LT(blueAtBottomMiddle(), resting + 5) << "disabled while held: no glow";
    Send(WM_LBUTTONUP, 40, 15);
    EXPECT_EQ(clicks, 1) << "a press cut off by disabling does not click";
}

TEST_F(GlassButtonWindow, ReleaseOutsideOrAfterLosingTheCaptureDoesNotClick) {
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
    EXPECT_EQ(::GetCapture(), button_->Handle());
    Send(WM_LBUTTONUP, -3, 10);
    EXPECT_EQ(clicks, 0);
    Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
    ::SetCapture(backdrop_->Handle());  // another window takes the mouse mid-press
    ::ReleaseCapture();
    Send(WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button_->Model().State(), ctl::glass::GlassState::gbsUp);
}

// Space clicks on the character; Enter only as a dialog key of the focused button without
// modifiers; the caption's accelerator.
TEST_F(GlassButtonWindow, KeysThatClick) {
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    button_->SetCaption("&Seguinte");
    ::SendMessageW(button_->Handle(), WM_CHAR, L' ', 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button_->DialogKey(VK_RETURN)) << "not focused";
    ::SendMessageW(button_->Handle(), WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(button_->DialogKey(VK_RETURN));
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(button_->DialogChar(L's'));
    EXPECT_FALSE(button_->DialogChar(L'x'));
    EXPECT_EQ(clicks, 3);
    ::SendMessageW(button_->Handle(), WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(button_->DialogKey(VK_RETURN));
    EXPECT_EQ(clicks, 3);
}

TEST_F(GlassButtonWindow, DisabledCaptionIsGreyOnTheGdiPlusPathOnly) {
    // A black backdrop and no shine, so that only the caption is light.
    auto brightest = [&](TAdvGlassButton& b) {
        const Painted p = Paint(b);
        int best = 0;
        for (int y = 6; y < b.Height() - 6; ++y)
            for (int x = 6; x < b.Width() - 6; ++x) best = std::max({best, p(x, y).r, p(x, y).g, p(x, y).b});
        return best;
    };
    form_.SetColor(fw::clBlack);
    TAdvGlassButton* b = Add(0, 0, 81, 29, "<< Anterior", &form_);  // on the form's black face
    b->Apply(b->Model().SetShineColor(fw::clNone));
    b->Apply(b->Model().SetAntiAlias(ctl::TAntiAlias::aaAntiAlias));
    EXPECT_GT(brightest(*b), 225) << "white caption while enabled";
    b->SetEnabled(false);
    EXPECT_NEAR(brightest(*b), 0x80, 14) << "0x808080 caption while disabled";
    // Without anti-aliasing the platform's text call draws it, in the font's colour even now.
    b->Apply(b->Model().SetAntiAlias(ctl::TAntiAlias::aaNone));
    EXPECT_GT(brightest(*b), 225) << "the GDI path keeps the font's colour when disabled";
}

TEST_F(GlassButtonWindow, NoShineOnButtonsThreePixelsWideOrFourHigh) {
    struct Case {
        int width, height;
        bool shine;
    } cases[] = {{3, 20, false}, {40, 4, false}, {6, 20, true}, {40, 5, true}};  // (at 4 wide the
                                                                                // inner border hides it)
    for (const Case& c : cases) {
        TAdvGlassButton* b = Add(150, 10, c.width, c.height, "");
        b->SetCornerRadius(0);
        const Painted withShine = Paint(*b);
        b->Apply(b->Model().SetShineColor(fw::clNone));
        const Painted without = Paint(*b);
        EXPECT_EQ(!(withShine == without), c.shine) << c.width << " x " << c.height;
        b->SetVisible(false);
    }
}

TEST_F(GlassButtonWindow, FocusOutlineOnlyWithShowFocusRect) {
    App().SetMainForm(&form_);
    form_.Show();
    const Painted unfocused = Paint(*button_);
    button_->SetFocus();
    ASSERT_TRUE(Settles(::GetFocus, button_->Handle()));
    EXPECT_TRUE(Paint(*button_) == unfocused) << "ShowFocusRect is false by default: nothing drawn for the focus";
    button_->SetShowFocusRect(true);
    const Painted outlined = Paint(*button_);
    EXPECT_FALSE(outlined == unfocused);
    // The grey outline runs 4 pixels inside the left edge, at mid height.
    EXPECT_TRUE(Close(outlined(4, 14), {128, 128, 128}, 40)) << "left side of the outline";
}

// Painted over a sibling it overlaps, a ForceTransparent button shows that sibling's body.
TEST_F(GlassButtonWindow, ForceTransparentShowsAnOverlappedSibling) {
    TAdvGlassButton* over = Add(60, 30, 81, 29, "");
    const Painted plain = Paint(*over);
    over->SetForceTransparent(true);
    const Painted through = Paint(*over);
    // Where the first button's border runs under this one, the pixels change.
    EXPECT_FALSE(through == plain);
    EXPECT_TRUE(Close(through(70, 14), plain(70, 14), 2)) << "outside the overlap nothing changes";
}

TEST_F(GlassButtonWindow, GroupOfExclusiveButtonsAndTheBoundAction) {
    TAdvGlassButton* other = Add(150, 30, 81, 29, "B");
    button_->SetGroupIndex(1);
    other->SetGroupIndex(1);
    button_->SetDown(true);
    other->SetDown(true);
    EXPECT_FALSE(button_->Down()) << "another going down releases the first";
    other->SetDown(false);
    EXPECT_TRUE(other->Down()) << "without AllowAllUp a down button stays down";

    fw::TCustomAction action;
    action.SetGroupIndex(1);
    TAdvGlassButton* bound = Add(150, 70, 81, 29, "C");
    bound->SetAction(&action);
    EXPECT_EQ(bound->GroupIndex(), 1) << "the action's group comes with it";
    action.SetChecked(true);  // the unchecked action matched the button: it follows
    EXPECT_TRUE(bound->Down());
    EXPECT_FALSE(other->Down()) << "and releases the group's down button";
    other->SetDown(true);
    EXPECT_FALSE(action.Checked()) << "released by its group, the action is no longer checked";
    bound->SetAction(nullptr);
}

// A parent destroyed before its buttons takes their group along: they belong to no group, and on
// a new parent they join that parent's.
TEST_F(GlassButtonWindow, ParentDestroyedBeforeItsButtonsLeavesNoGroupBehind) {
    auto panel = std::make_unique<Backdrop>();
    panel->SetParent(&form_);
    auto first = std::make_unique<TAdvGlassButton>(), second = std::make_unique<TAdvGlassButton>();
    for (TAdvGlassButton* b : {first.get(), second.get()}) b->SetParent(panel.get()), b->SetGroupIndex(1);
    ASSERT_NE(first->Model().Group(), nullptr);
    panel.reset();
    EXPECT_EQ(first->Model().Group(), nullptr);
    EXPECT_EQ(second->Model().Group(), nullptr);
    first->SetParent(backdrop_);
    second->SetParent(backdrop_);
    EXPECT_EQ(first->Model().Group(), button_->Model().Group());
    first->SetDown(true);
    second->SetDown(true);
    EXPECT_FALSE(first->Down()) << "the new parent's group releases the first";
}

// A command to the parent that names the button with notification code 0 clicks it; another code
// does not.
TEST_F(GlassButtonWindow, CommandWithCodeZeroClicks) {
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    const LPARAM named = reinterpret_cast<LPARAM>(button_->Handle());
    ::SendMessageW(backdrop_->Handle(), WM_COMMAND, MAKEWPARAM(0, 0), named);
    EXPECT_EQ(clicks, 1);
    ::SendMessageW(backdrop_->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_DOUBLECLICKED), named);
    EXPECT_EQ(clicks, 1);
}

// With an OnDblClick handler a double click is two presses: a check button or a group button
// changes twice; the handler runs once and the click comes once, for the first release.
TEST_F(GlassButtonWindow, DoubleClickWithAHandlerTogglesTwice) {
    int clicks = 0, doubleClicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    button_->OnDblClick.handler = [&](fw::Component&) { ++doubleClicks; };
    for (const bool grouped : {false, true}) {
        if (grouped) {
            button_->SetStyle(ctl::TAdvToolButtonStyle::tasButton);
            button_->SetGroupIndex(2);
            button_->SetAllowAllUp(true);
            button_->SetDown(false);  // whatever the check button's case left
        } else {
            button_->SetStyle(ctl::TAdvToolButtonStyle::tasCheck);
        }
        clicks = doubleClicks = 0;
        const char* what = grouped ? "group button" : "check button";
        Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
        Send(WM_LBUTTONUP, 10, 10);
        EXPECT_TRUE(button_->Down()) << what;
        Send(WM_LBUTTONDBLCLK, 10, 10, MK_LBUTTON);
        Send(WM_LBUTTONUP, 10, 10);
        EXPECT_FALSE(button_->Down()) << what << ": the double click's own press changes it back";
        EXPECT_EQ(doubleClicks, 1) << what;
        EXPECT_EQ(clicks, 1) << what;
    }
}

// Disabled under the pointer, the button keeps sampling it: the pointer leaving meanwhile ends the
// hover, and once enabled again entering is reported again.
TEST_F(GlassButtonWindow, HoverEndsWhileDisabledAndIsReportedAgainOnceEnabled) {
    App().SetMainForm(&form_);
    form_.Show();
    int enters = 0;
    button_->OnMouseEnter.handler = [&](fw::Component&) { ++enters; };
    RECT place{};
    ::GetWindowRect(button_->Handle(), &place);
    ASSERT_TRUE(PointerAt(place.left + 30, place.top + 10));
    Send(WM_MOUSEMOVE, 30, 10);
    ASSERT_EQ(enters, 1);
    button_->SetEnabled(false);
    ASSERT_TRUE(PointerAt(0, 0));
    EXPECT_TRUE(Settles([&] { return button_->Model().Hot(); }, false)) << "hot after the pointer left";
    button_->SetEnabled(true);
    ASSERT_TRUE(PointerAt(place.left + 30, place.top + 10));
    Send(WM_MOUSEMOVE, 30, 10);
    EXPECT_EQ(enters, 2);
    ASSERT_TRUE(PointerAt(0, 0));
    EXPECT_TRUE(Settles([&] { return button_->HoverTimerRunning(); }, false)) << "the hover timer";
}

// A reader's press on a button that is no tab stop clicks it without taking the focus.
TEST_F(GlassButtonWindow, ReadersPressFocusesOnlyATabStop) {
    App().SetMainForm(&form_);
    form_.Show();
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    button_->SetTabStop(false);
    ::SetFocus(form_.Handle());
    ASSERT_EQ(button_->AccDoDefaultAction(), S_OK);
    ASSERT_TRUE(Settles([&] { return clicks; }, 1));
    EXPECT_NE(::GetFocus(), button_->Handle());
}

TEST_F(GlassButtonWindow, ShortCutHintSitsHalfOverTheTopEdge) {
    App().SetMainForm(&form_);
    form_.Show();
    button_->Apply(button_->Model().SetShortCutHint("S"));
    button_->ShowShortCutHint();
    ASSERT_NE(button_->ShortCutHintHandle(), nullptr);
    RECT hint{}, b{};
    ::GetWindowRect(button_->ShortCutHintHandle(), &hint);
    ::GetWindowRect(button_->Handle(), &b);
    EXPECT_EQ(hint.top, b.top - (hint.bottom - hint.top) / 2);
    EXPECT_EQ(hint.left, b.left + (81 - (hint.right - hint.left)) / 2);
    EXPECT_TRUE(::IsWindowVisible(button_->ShortCutHintHandle()));
    button_->HideShortCutHint();
    EXPECT_EQ(button_->ShortCutHintHandle(), nullptr);
}

// The counts are exact: an object left behind by a cycle shows fifty times over (a thousand cycles
// made this a soak of a quarter of a minute).
TEST_F(GlassButtonWindow, HoverPressReleaseCyclesLeaveNoObjectsBehind) {
    App().SetMainForm(&form_);
    form_.Show();
    int clicks = 0;
    button_->OnClick.handler = [&](fw::Component&) { ++clicks; };
    auto pump = [] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    };
    auto cycle = [&] {
        Send(WM_MOUSEMOVE, 30, 10);
        Send(WM_LBUTTONDOWN, 30, 10, MK_LBUTTON);
        ::UpdateWindow(button_->Handle());
        Send(WM_LBUTTONUP, 30, 10);
        ::UpdateWindow(button_->Handle());
        pump();
    };
    for (int i = 0; i < 10; ++i) cycle();  // first paints make objects for good
    const testsupport::Counts before = testsupport::Measure();
    constexpr int kCycles = 50;
    for (int i = 0; i < kCycles; ++i) cycle();
    const testsupport::Counts after = testsupport::Measure();
    EXPECT_EQ(clicks, 10 + kCycles);
    EXPECT_EQ(after.gdi, before.gdi) << after.gdiKinds;
    EXPECT_EQ(after.user, before.user);
}

}  // namespace
