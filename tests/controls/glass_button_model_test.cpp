// The glass button's behaviour driven by synthetic events: press, drag and release; toggles and
// groups of exclusive buttons; the keyboard; the hover; which changes repaint.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/AdvGlassButtonModel.h"

namespace {

using namespace ctl::glass;
using EventKind = GlassEvent::Kind;

constexpr GlassState kUp = GlassState::gbsUp, kDown = GlassState::gbsDown, kExclusive = GlassState::gbsExclusive,
                     kDisabled = GlassState::gbsDisabled;

// The control's state copied in as its window does, with one value changed.
GlassOutcome SetEnabled(GlassButtonModel& b, bool enabled) {
    GlassButtonModel::ControlState s{b.Caption(), enabled, b.Width(), b.Height(), b.TabStop()};
    return b.SetControlState(s);
}
GlassOutcome SetCaption(GlassButtonModel& b, std::string caption) {
    return b.SetControlState({std::move(caption), b.Enabled(), b.Width(), b.Height(), b.TabStop()});
}
void SetTabStop(GlassButtonModel& b, bool tabStop) {
    (void)b.SetControlState({b.Caption(), b.Enabled(), b.Width(), b.Height(), tabStop});
}

// A press at the centre of a 100 x 32 button, then a release at (x, y).
GlassOutcome Click(GlassButtonModel& b, int x = 50, int y = 16) {
    (void)b.Handle(GlassEvent::Press(50, 16));
    return b.Handle(GlassEvent::Release(x, y, x >= 0 && x < b.Width() && y >= 0 && y < b.Height()));
}

// ---------------------------------------------------------------------------------------------
// Press, drag, release

TEST(GlassButtonModel, ReleaseClicksOnlyInsideWithTheRowBelowCounted) {
    struct Case {
        int x, y;
        bool click;
    } cases[] = {
        {0, 0, true},   {99, 31, true},  {50, 32, true},  // the row just below the client area
        {100, 16, false}, {-1, 16, false}, {50, 33, false}, {50, -1, false}, {99, 32, true},
    };
    for (const auto& c : cases) {
        GlassButtonModel b;
        const GlassOutcome up = Click(b, c.x, c.y);
        EXPECT_EQ(up.click, c.click) << "release at " << c.x << "," << c.y;
        EXPECT_EQ(b.State(), kUp) << "release at " << c.x << "," << c.y;
        EXPECT_FALSE(b.Pressed());
        EXPECT_FALSE(b.Tracking());
    }
}

TEST(GlassButtonModel, DraggingOutShowsTheButtonUpAndBackInShowsItDown) {
    GlassButtonModel b;
    const GlassOutcome press = b.Handle(GlassEvent::Press(10, 10));
    EXPECT_EQ(b.State(), kDown);
    EXPECT_EQ(press.repaint, GlassRepaint::Invalidate);
    EXPECT_TRUE(press.takeFocus);

    struct Step {
        int x, y;
        GlassState state;
        GlassRepaint repaint;
    } steps[] = {
        {20, 10, kDown, GlassRepaint::None},         // still inside: nothing to redraw
        {150, 10, kUp, GlassRepaint::Invalidate},    // out
        {160, 40, kUp, GlassRepaint::None},
        {50, 32, kDown, GlassRepaint::Invalidate},   // back in through the bottom row
        {50, 33, kUp, GlassRepaint::Invalidate},
    };
    for (const auto& s : steps) {
        const GlassOutcome moved = b.Handle(GlassEvent::Move(s.x, s.y, false));
        EXPECT_EQ(b.State(), s.state) << "move to " << s.x << "," << s.y;
        EXPECT_EQ(moved.repaint, s.repaint) << "move to " << s.x << "," << s.y;
        EXPECT_FALSE(moved.fireMouseEnter) << "a followed press does not run the hover check";
    }
    EXPECT_FALSE(b.PaintState().Glow()) << "dragged outside: the unpressed body";
    (void)b.Handle(GlassEvent::Move(50, 20, false));
    EXPECT_TRUE(b.PaintState().Glow()) << "back inside: pressed again";
    (void)b.Handle(GlassEvent::Move(50, 33, false));
    const GlassOutcome up = b.Handle(GlassEvent::Release(50, 33, false));
    EXPECT_FALSE(up.click);
    EXPECT_FALSE(b.PaintState().Glow());
}

TEST(GlassButtonModel, ReleaseWithoutAPressOnThisButtonDoesNotClick) {
    GlassButtonModel b;
    const GlassOutcome up = b.Handle(GlassEvent::Release(50, 16, true));
    EXPECT_FALSE(up.click);
    EXPECT_EQ(up.repaint, GlassRepaint::Invalidate);
}

TEST(GlassButtonModel, DisabledButtonIgnoresPressesAndDisablingEndsAPress) {
    GlassButtonModel b;
    (void)SetEnabled(b, false);
    const GlassOutcome press = b.Handle(GlassEvent::Press(10, 10));
    EXPECT_FALSE(b.Pressed());
    EXPECT_FALSE(press.takeFocus);
    EXPECT_FALSE(b.Handle(GlassEvent::Release(10, 10, true)).click);

    GlassButtonModel held;
    (void)held.Handle(GlassEvent::Press(10, 10));
    const GlassOutcome disabled = SetEnabled(held, false);
    EXPECT_EQ(disabled.repaint, GlassRepaint::Invalidate);
    const GlassPaintState paint = held.PaintState();
    EXPECT_EQ(paint.state, kDisabled);
    EXPECT_FALSE(paint.Glow()) << "a disabled button that is neither down nor pressed shows no glow";
    EXPECT_FALSE(held.Handle(GlassEvent::Release(10, 10, true)).click);

    (void)SetEnabled(held, true);
    EXPECT_EQ(held.PaintState().state, kUp) << "enabled again: the disabled look goes";
}

// ---------------------------------------------------------------------------------------------
// Hover

TEST(GlassButtonModel, HoverFollowsThePointerWithoutRepaintingTheBody) {
    GlassButtonModel b;
    const GlassOutcome enter = b.Handle(GlassEvent::Move(5, 5, true));
    EXPECT_TRUE(b.Hot());
    EXPECT_TRUE(enter.fireMouseEnter);
    EXPECT_EQ(enter.hoverTimer, HoverTimerChange::Start);
    EXPECT_EQ(enter.repaint, GlassRepaint::None);
    EXPECT_FALSE(b.Handle(GlassEvent::Move(6, 5, true)).fireMouseEnter) << "entered once";

    struct Tick {
        int x, y;
        bool hot;
    } ticks[] = {{0, 0, true}, {99, 31, true}, {100, 10, false}};  // right edge is outside here
    for (const auto& t : ticks) {
        const GlassOutcome o = b.Handle(GlassEvent::Hover(t.x, t.y));
        EXPECT_EQ(b.Hot(), t.hot) << t.x << "," << t.y;
        EXPECT_EQ(o.hoverTimer, t.hot ? HoverTimerChange::Keep : HoverTimerChange::Stop);
        EXPECT_EQ(o.repaint, t.hot ? GlassRepaint::None : GlassRepaint::Invalidate);
    }
    (void)b.Handle(GlassEvent::Move(5, 5, true));
    EXPECT_FALSE(b.Handle(GlassEvent::Hover(50, 32)).fireMouseLeave);
    EXPECT_FALSE(b.Hot()) << "the bottom row is outside for the hover check";

    GlassButtonModel covered;  // a sibling lies over the pointer
    const GlassOutcome o = covered.Handle(GlassEvent::Move(5, 5, false));
    EXPECT_FALSE(covered.Hot());
    EXPECT_TRUE(o.fireMouseLeave);
}

TEST(GlassButtonModel, ReleaseChecksTheHoverAgain) {
    GlassButtonModel b;
    (void)b.Handle(GlassEvent::Move(5, 5, true));
    const GlassOutcome outside = Click(b, 150, 10);
    EXPECT_FALSE(b.Hot());
    EXPECT_TRUE(outside.fireMouseLeave);
    EXPECT_EQ(outside.hoverTimer, HoverTimerChange::Stop);
    const GlassOutcome inside = Click(b);
    EXPECT_TRUE(b.Hot());
    EXPECT_EQ(inside.hoverTimer, HoverTimerChange::Start);
}

// ---------------------------------------------------------------------------------------------
// Keyboard

TEST(GlassButtonModel, EnterClicksOnlyTheFocusedButtonWithoutModifiers) {
    struct Case {
        const char* name;
        bool focused;
        GlassEvent event;
        bool click;
    } cases[] = {
        {"Enter, focused", true, GlassEvent::Key(13, false), true},
        {"Enter, not focused", false, GlassEvent::Key(13, false), false},
        {"Enter with Shift, Ctrl or Alt", true, GlassEvent::Key(13, true), false},
        {"Enter, cannot take the focus", true, GlassEvent::Key(13, false, false), false},
        {"Escape", true, GlassEvent::Key(27, false), false},
        {"Space as a dialog key", true, GlassEvent::Key(32, false), false},
    };
    for (const auto& c : cases) {
        GlassButtonModel b;
        (void)b.Handle(GlassEvent::Flagged(EventKind::FocusChanged, c.focused));
        const GlassOutcome o = b.Handle(c.event);
        EXPECT_EQ(o.click, c.click) << c.name;
        EXPECT_EQ(o.handled, c.click) << c.name << ": a key that does not click goes on to the parent";
    }
}

TEST(GlassButtonModel, SpaceClicksOnTheCharacterAndTheAcceleratorOnItsLetter) {
    GlassButtonModel b;
    (void)SetCaption(b, "Seg&uinte >>");
    EXPECT_TRUE(b.Handle(GlassEvent::Typed(u' ')).click);
    EXPECT_FALSE(b.Handle(GlassEvent::Typed(u'u')).click) << "typing the letter is no accelerator";
    EXPECT_FALSE(b.Handle(GlassEvent::Typed(u'\r')).click);

    struct Case {
        std::string caption;
        char16_t ch;
        bool canFocus;
        bool click;
    } cases[] = {
        {"Seg&uinte", u'u', true, true}, {"Seg&uinte", u'U', true, true}, {"Seg&uinte", u's', true, false},
        {"Seg&uinte", u'u', false, false}, {"A&&B", u'B', true, false}, {"A&&B&c", u'C', true, true},
        {"Sair&", u'&', true, false}, {"&\xC9xito", u'\xE9', true, true},  // an accented letter, case-folded
    };
    for (const auto& c : cases) {
        (void)SetCaption(b, c.caption);
        const GlassOutcome o = b.Handle(GlassEvent::Accelerator(c.ch, c.canFocus));
        EXPECT_EQ(o.click, c.click) << c.caption << " / " << int(c.ch);
        EXPECT_EQ(o.handled, c.click) << c.caption;
    }
    GlassEvent command = GlassEvent::Of(EventKind::Command);
    EXPECT_TRUE(b.Handle(command).click);
    command.code = 1;
    EXPECT_FALSE(b.Handle(command).click);
}

// ---------------------------------------------------------------------------------------------
// Groups and toggles

// Buttons on one parent; the outcomes the broadcast hands to the other members are recorded.
struct Parent {
    std::map<const GlassButtonModel*, std::vector<GlassOutcome>> received;
    GlassButtonGroup group{[this](GlassButtonModel& b, const GlassOutcome& o) { received[&b].push_back(o); }};
    GlassButtonModel a, b, c;
    Parent(int groupA, int groupB, int groupC) {
        for (auto* m : {&a, &b, &c}) group.Add(*m);
        (void)a.SetGroupIndex(groupA), (void)b.SetGroupIndex(groupB), (void)c.SetGroupIndex(groupC);
        received.clear();
    }
};

TEST(GlassButtonGroup, SettingAnotherButtonDownReleasesTheFirstAndCopiesAllowAllUp) {
    Parent p(1, 0, 1);
    p.group.Remove(p.b);  // b joins later with AllowAllUp already set, so that no broadcast copies it early
    (void)p.b.SetAllowAllUp(true);
    (void)p.b.SetGroupIndex(1);
    p.group.Add(p.b);

    const GlassOutcome aDown = p.a.SetDown(true);
    EXPECT_TRUE(p.a.Down());
    EXPECT_EQ(p.a.State(), kExclusive);
    EXPECT_EQ(aDown.repaint, GlassRepaint::Invalidate);
    EXPECT_FALSE(p.b.AllowAllUp()) << "a's broadcast hands its AllowAllUp to every member";
    (void)p.b.SetAllowAllUp(true);  // broadcast: a and c now allow all up
    EXPECT_TRUE(p.a.AllowAllUp());
    (void)p.a.SetAllowAllUp(false);  // broadcast again
    EXPECT_FALSE(p.b.AllowAllUp());
    EXPECT_FALSE(p.c.AllowAllUp());

    p.received.clear();
    (void)p.b.SetAllowAllUp(false);  // no change: no broadcast
    EXPECT_TRUE(p.received.empty());
    p.group.Remove(p.b);
    (void)p.b.SetAllowAllUp(true);
    p.group.Add(p.b);

    (void)p.b.SetDown(true);
    EXPECT_TRUE(p.b.Down());
    EXPECT_FALSE(p.a.Down()) << "only one button of a group is down";
    EXPECT_EQ(p.a.State(), kUp);
    EXPECT_TRUE(p.a.AllowAllUp()) << "copied from the button that went down";
    ASSERT_EQ(p.received[&p.a].size(), 1u);
    EXPECT_EQ(p.received[&p.a][0].repaint, GlassRepaint::Invalidate);
    EXPECT_TRUE(p.received[&p.a][0].uncheckAction);
    EXPECT_EQ(p.received[&p.c][0].repaint, GlassRepaint::None) << "c was not down";
}

TEST(GlassButtonGroup, DownButtonStaysDownUnlessAllowAllUp) {
    Parent p(1, 1, 2);
    (void)p.a.SetDown(true);
    const GlassOutcome refused = p.a.SetDown(false);
    EXPECT_TRUE(p.a.Down());
    EXPECT_EQ(refused.repaint, GlassRepaint::None);

    (void)p.c.SetDown(true);  // another group: a stays down
    EXPECT_TRUE(p.a.Down());
    EXPECT_TRUE(p.c.Down());

    (void)p.a.SetAllowAllUp(true);
    const GlassOutcome released = p.a.SetDown(false);
    EXPECT_FALSE(p.a.Down());
    EXPECT_EQ(p.a.State(), kUp);
    EXPECT_EQ(released.repaint, GlassRepaint::PaintNow);
    EXPECT_FALSE(p.b.Down());
}

TEST(GlassButtonGroup, ClickingAGroupButtonPutsItDownAndReleasesTheOther) {
    Parent p(3, 3, 3);
    (void)p.a.SetDown(true);
    const GlassOutcome up = Click(p.b);
    EXPECT_TRUE(up.click);
    EXPECT_EQ(up.repaint, GlassRepaint::PaintNow);
    EXPECT_TRUE(p.b.Down());
    EXPECT_EQ(p.b.State(), kExclusive);
    EXPECT_FALSE(p.a.Down());

    // Clicking the down button again: it cannot go up (AllowAllUp false) but still clicks.
    (void)p.b.Handle(GlassEvent::Press(50, 16));
    EXPECT_EQ(p.b.State(), kExclusive) << "a down button keeps its look while pressed";
    EXPECT_EQ(p.b.Handle(GlassEvent::Move(150, 16, false)).repaint, GlassRepaint::None);
    const GlassOutcome again = p.b.Handle(GlassEvent::Release(50, 16, true));
    EXPECT_TRUE(again.click);
    EXPECT_TRUE(p.b.Down());
}

TEST(GlassButtonGroup, ReleaseOutsideRestoresTheLookEvenWithoutAMoveInBetween) {
    Parent p(1, 1, 1);
    (void)p.a.Handle(GlassEvent::Press(50, 16));
    const GlassOutcome up = p.a.Handle(GlassEvent::Release(300, 16, false));
    EXPECT_FALSE(up.click);
    EXPECT_FALSE(p.a.Down());
    EXPECT_EQ(p.a.State(), kUp);
    EXPECT_FALSE(p.a.PaintState().Glow());

    (void)p.b.SetDown(true);
    (void)p.b.Handle(GlassEvent::Press(50, 16));
    (void)p.b.Handle(GlassEvent::Release(300, 16, false));
    EXPECT_EQ(p.b.State(), kExclusive);
    EXPECT_TRUE(p.b.Down());
}

TEST(GlassButtonGroup, PushButtonOutsideAGroupNeverStaysDown) {
    GlassButtonModel b;
    const GlassOutcome o = b.SetDown(true);
    EXPECT_FALSE(b.Down());
    EXPECT_EQ(o.repaint, GlassRepaint::None);
}

TEST(GlassButtonGroup, CheckButtonTogglesOnAReleaseInsideOnly) {
    GlassButtonModel b;
    b.SetStyle(TAdvToolButtonStyle::tasCheck);
    const GlassOutcome press = b.Handle(GlassEvent::Press(5, 5));
    EXPECT_EQ(press.repaint, GlassRepaint::PaintNow);
    (void)b.Handle(GlassEvent::Release(5, 5, true));
    EXPECT_TRUE(b.Down());
    EXPECT_EQ(b.PaintState().state, kDown) << "a checked toggle is drawn down";

    const GlassOutcome outside = Click(b, 500, 5);
    EXPECT_FALSE(outside.click);
    EXPECT_TRUE(b.Down()) << "a release outside changes nothing";

    (void)b.Handle(GlassEvent::Press(5, 5));
    EXPECT_EQ(b.Handle(GlassEvent::Move(500, 5, false)).repaint, GlassRepaint::None) << "a checked toggle stays down";
    EXPECT_TRUE(b.Handle(GlassEvent::Release(5, 5, true)).click);
    EXPECT_FALSE(b.Down());
    EXPECT_EQ(b.PaintState().state, kUp);

    const GlassOutcome set = b.SetDown(true);
    EXPECT_EQ(set.repaint, GlassRepaint::PaintNow) << "a toggle repaints at once, even unchanged";
}

TEST(GlassButtonGroup, DownReadFromTheDescriptionHoldsWhateverTheOrderOfProperties) {
    // A description lists Down before GroupIndex and Style.
    GlassButtonGroup group;
    GlassButtonModel grouped, checked, other;
    group.Add(grouped), group.Add(other);
    (void)other.SetGroupIndex(4);
    (void)other.SetDown(true);
    grouped.BeginLoading();
    (void)grouped.SetDown(true);
    EXPECT_FALSE(grouped.Down());
    (void)grouped.SetGroupIndex(4);
    (void)grouped.Loaded();
    EXPECT_TRUE(grouped.Down());
    EXPECT_EQ(grouped.State(), kExclusive);
    EXPECT_FALSE(other.Down()) << "going down after loading still releases the group's other button";

    checked.BeginLoading();
    (void)checked.SetDown(true);
    checked.SetStyle(TAdvToolButtonStyle::tasCheck);
    (void)checked.Loaded();
    EXPECT_TRUE(checked.Down());

    GlassButtonModel plain;
    plain.BeginLoading();
    (void)plain.SetDown(false);
    EXPECT_EQ(plain.Loaded().repaint, GlassRepaint::None);
}

TEST(GlassButtonGroup, MembersLeaveTheGroupWhenDestroyed) {
    GlassButtonGroup group;
    GlassButtonModel stays;
    group.Add(stays);
    (void)stays.SetGroupIndex(1);
    {
        GlassButtonModel gone;
        group.Add(gone);
        (void)gone.SetGroupIndex(1);
    }
    (void)stays.SetDown(true);  // broadcasts to the remaining members only (ASan checks)
    EXPECT_TRUE(stays.Down());
    auto orphan = std::make_unique<GlassButtonGroup>();
    GlassButtonModel member;
    orphan->Add(member);
    orphan.reset();
    EXPECT_EQ(member.Group(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Repaints of property changes

TEST(GlassButtonModel, PicturesRepaintOnlyWhenShownNormallyOrDisabled) {
    EXPECT_EQ(GlassButtonModel::PictureChanged(GlassPicture::Normal).repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(GlassButtonModel::PictureChanged(GlassPicture::Disabled).repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(GlassButtonModel::PictureChanged(GlassPicture::Down).repaint, GlassRepaint::None);
    EXPECT_EQ(GlassButtonModel::PictureChanged(GlassPicture::Hot).repaint, GlassRepaint::None);
}

TEST(GlassButtonModel, LookChangesRepaintOnlyWhenTheValueChanges) {
    GlassButtonModel b;
    EXPECT_EQ(b.SetBackColor(fw::clBlack).repaint, GlassRepaint::None);
    EXPECT_EQ(b.SetOuterBorderColor(7105644).repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(b.SetOuterBorderColor(7105644).repaint, GlassRepaint::None);
    EXPECT_EQ(b.SetButtonShape(TButtonShape::btsCurvedRectangle).repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(SetCaption(b, "Sair").repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(SetCaption(b, "Sair").repaint, GlassRepaint::None);

    EXPECT_EQ(b.SetCornerRadius(12).repaint, GlassRepaint::Invalidate);
    EXPECT_EQ(b.SetCornerRadius(-3).repaint, GlassRepaint::None);
    EXPECT_EQ(b.Look().cornerRadius, 12) << "a negative radius is ignored";

    b.SetStyle(TAdvToolButtonStyle::tasCheck);  // stored only
    EXPECT_EQ(b.SetGroupIndex(2).repaint, GlassRepaint::None);

    EXPECT_EQ(b.Handle(GlassEvent::Flagged(EventKind::FocusChanged, true)).repaint, GlassRepaint::None);
    for (EventKind k : {EventKind::Enter, EventKind::Exit, EventKind::FontChanged}) {
        EXPECT_EQ(b.Handle(GlassEvent::Of(k)).repaint, GlassRepaint::Invalidate) << int(k);
    }
}

// ---------------------------------------------------------------------------------------------
// What assistive technology reads, and the default action

// The pressed state a reader hears is what the body shows: after every step of presses, drags,
// releases, toggles, group changes and enabling, it agrees with the glow the next paint draws.
TEST(GlassButtonAccessibility, PressedIsWhatTheBodyShowsAfterEveryStep) {
    struct Step {
        const char* what;
        std::function<void(Parent&)> act;
        bool aPressed;  // what a reader must hear of a, the button the steps work on
    };
    const Step steps[] = {
        {"at rest", [](Parent&) {}, false},
        {"pressed", [](Parent& p) { (void)p.a.Handle(GlassEvent::Press(50, 16)); }, true},
        {"dragged off", [](Parent& p) { (void)p.a.Handle(GlassEvent::Move(150, 16, false)); }, false},
        {"dragged back", [](Parent& p) { (void)p.a.Handle(GlassEvent::Move(50, 16, true)); }, true},
        {"released inside: down in its group", [](Parent& p) { (void)p.a.Handle(GlassEvent::Release(50, 16, true)); },
         true},
        {"another of the group goes down", [](Parent& p) { (void)p.b.SetDown(true); }, false},
        {"pressed again", [](Parent& p) { (void)p.a.Handle(GlassEvent::Press(50, 16)); }, true},
        {"disabled while held",
         [](Parent& p) { (void)SetEnabled(p.a, false); }, false},
        {"enabled again", [](Parent& p) { (void)SetEnabled(p.a, true); }, false},
        {"down by setting", [](Parent& p) { (void)p.a.SetDown(true); }, true},
        {"disabled while down",
         [](Parent& p) { (void)SetEnabled(p.a, false); }, true},
    };
    Parent p(1, 1, 0);
    for (const Step& step : steps) {
        step.act(p);
        const GlassAccessibleState heard = p.a.AccessibleState();
        EXPECT_EQ(heard.pressed, step.aPressed) << step.what;
        EXPECT_EQ(heard.pressed, p.a.PaintState().Glow()) << step.what << ": the body shows otherwise";
        EXPECT_EQ(p.a.AccessibleState(), heard) << step.what << ": a paint changes nothing a reader hears";
    }
}

// Unavailable while disabled; focused and the default button (the one Enter presses) while it has
// the focus and is enabled.
TEST(GlassButtonAccessibility, FocusedEnabledButtonIsTheDefault) {
    struct Case {
        bool focused, enabled;
        GlassAccessibleState heard;
    };
    const Case cases[] = {
        {false, true, {.unavailable = false, .focused = false, .pressed = false, .isDefault = false}},
        {true, true, {.unavailable = false, .focused = true, .pressed = false, .isDefault = true}},
        {true, false, {.unavailable = true, .focused = true, .pressed = false, .isDefault = false}},
        {false, false, {.unavailable = true, .focused = false, .pressed = false, .isDefault = false}},
    };
    for (const Case& c : cases) {
        GlassButtonModel b;
        (void)b.Handle(GlassEvent::Flagged(EventKind::FocusChanged, c.focused));
        (void)SetEnabled(b, c.enabled);
        EXPECT_EQ(b.AccessibleState(), c.heard) << "focused " << c.focused << ", enabled " << c.enabled;
        // The default button is the one Enter clicks.
        EXPECT_EQ(b.Handle(GlassEvent::Key(13, false)).click, c.heard.isDefault)
            << "focused " << c.focused << ", enabled " << c.enabled;
    }
}

// The default action is a click as the mouse makes one: the focus (on a tab stop), the toggle or
// group change of a release inside, and the click; nothing at all while disabled.
TEST(GlassButtonAccessibility, DefaultActionClicksAsAReleaseInsideDoes) {
    const auto act = [](GlassButtonModel& b) { return b.Handle(GlassEvent::Of(EventKind::DefaultAction)); };
    {
        GlassButtonModel push, clicked;
        const GlassOutcome o = act(push), mouse = Click(clicked);
        EXPECT_TRUE(o.click);
        EXPECT_EQ(o.takeFocus, true);
        EXPECT_FALSE(push.Down());
        EXPECT_EQ(push.State(), clicked.State());
        EXPECT_FALSE(push.AccessibleState().pressed) << "nothing stays pressed after the action";
        EXPECT_FALSE(o.fireMouseEnter || o.fireMouseLeave) << "no pointer is involved";
        EXPECT_EQ(mouse.click, o.click);
        SetTabStop(push, false);
        EXPECT_FALSE(act(push).takeFocus) << "a button that is no tab stop does not take the focus";
    }
    {
        GlassButtonModel toggle;
        toggle.SetStyle(TAdvToolButtonStyle::tasCheck);
        EXPECT_TRUE(act(toggle).click);
        EXPECT_TRUE(toggle.Down());
        EXPECT_TRUE(toggle.AccessibleState().pressed);
        EXPECT_TRUE(act(toggle).click);
        EXPECT_FALSE(toggle.Down());
    }
    {
        Parent p(1, 1, 0);
        (void)p.a.SetDown(true);
        const GlassOutcome o = act(p.b);
        EXPECT_TRUE(o.click);
        EXPECT_EQ(o.repaint, GlassRepaint::PaintNow);
        EXPECT_TRUE(p.b.Down());
        EXPECT_FALSE(p.a.Down()) << "the group releases the other button";
        EXPECT_TRUE(act(p.b).click);
        EXPECT_TRUE(p.b.Down()) << "a down button of a group without AllowAllUp stays down";
    }
    {
        GlassButtonModel disabled;
        disabled.SetStyle(TAdvToolButtonStyle::tasCheck);
        (void)SetEnabled(disabled, false);
        const GlassOutcome o = act(disabled);
        EXPECT_FALSE(o.click);
        EXPECT_FALSE(o.takeFocus);
        EXPECT_EQ(o.repaint, GlassRepaint::None);
        EXPECT_FALSE(disabled.Down());
    }
}

TEST(GlassButtonModel, VersionIsFixed) {
    EXPECT_EQ(GlassButtonModel::Version(), "1.3.0.0");
    EXPECT_EQ(GlassButtonModel::kVersionNumber, 0x01030000u);
}

}  // namespace
