#pragma once
// The glass button's behaviour without a window: the drawn state, the press that is being
// followed, the hover, the focus, the toggle and group logic, and the published values that only
// need storing. The window class turns its messages into GlassEvents, hands them to Handle and
// carries out the returned GlassOutcome (repaint, click, focus, hover timer, mouse events); it
// paints from PaintState(), which reads and never changes: every change of the drawn state
// (disabled, back from disabled, a checked toggle drawn down) is made by the event that causes it.
//
// State after construction: 100 x 32, enabled, up, not hot, not focused, not pressed, no group.
//
// Groups: the buttons of one parent share a GlassButtonGroup. A button that goes down in a group,
// or whose GroupIndex or AllowAllUp changes, tells the group, which tells every other member
// (GlassEvent::ButtonPressed) and hands each member's outcome to the group's sink; so a whole
// group is exercised with models alone.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/AdvGlassButtonTypes.h"
#include "framework/Colour.h"

namespace ctl::glass {

class GlassButtonModel;

// What a change asks of the window. Invalidate repaints later (coalesced); PaintNow repaints
// before the window returns to the message loop.
enum class GlassRepaint { None, Invalidate, PaintNow };
enum class HoverTimerChange { Keep, Start, Stop };

struct GlassOutcome {
    GlassRepaint repaint = GlassRepaint::None;
    bool click = false;        // raise OnClick
    bool handled = false;      // a dialog key or character was used up
    bool takeFocus = false;    // focus the button (a press on a tab stop)
    HoverTimerChange hoverTimer = HoverTimerChange::Keep;
    bool fireMouseEnter = false;
    bool fireMouseLeave = false;
    bool uncheckAction = false;  // released by its group: the bound action is no longer checked

    // Both outcomes' effects; the stronger repaint wins, the later timer change wins.
    void Merge(const GlassOutcome& later);
};

struct GlassEvent {
    enum class Kind {
        LeftButtonDown, MouseMove, LeftButtonUp,  // x, y in client pixels; pointerOverThis
        MouseEnter, MouseLeave,                   // the framework's enter/leave notifications
        HoverTick,                                // x, y: the pointer in client pixels
        Char,                                     // character (typed)
        DialogKey,                                // key (virtual key), modifierHeld, canFocus
        DialogChar,                               // character, canFocus
        Command,                                  // code (notification code of a command)
        Enter, Exit,                              // the control gained / lost the focus
        FocusChanged,                             // flag: the newly focused control is this button
        FontChanged,
        ButtonPressed,                            // groupIndex, sender: a group broadcast
        DefaultAction,                            // assistive technology presses the button
    };
    Kind kind = Kind::MouseMove;
    int x = 0, y = 0;
    // The control under the pointer is this button (not a sibling over it); decides the hover
    // after a move that follows no press and after a release.
    bool pointerOverThis = false;
    char16_t character = 0;
    int key = 0;
    bool modifierHeld = false;  // Shift, Ctrl or Alt
    bool canFocus = true;
    int code = 0;
    bool flag = false;
    int groupIndex = 0;
    const GlassButtonModel* sender = nullptr;

    static GlassEvent Press(int x, int y) { return At(Kind::LeftButtonDown, x, y, true); }
    static GlassEvent Move(int x, int y, bool overThis) { return At(Kind::MouseMove, x, y, overThis); }
    static GlassEvent Release(int x, int y, bool overThis) { return At(Kind::LeftButtonUp, x, y, overThis); }
    static GlassEvent Hover(int x, int y) { return At(Kind::HoverTick, x, y, false); }
    static GlassEvent Of(Kind kind) { return At(kind, 0, 0, false); }
    static GlassEvent Typed(char16_t ch) { GlassEvent e = Of(Kind::Char); e.character = ch; return e; }
    static GlassEvent Key(int key, bool modifierHeld, bool canFocus = true) {
        GlassEvent e = Of(Kind::DialogKey);
        e.key = key, e.modifierHeld = modifierHeld, e.canFocus = canFocus;
        return e;
    }
    static GlassEvent Accelerator(char16_t ch, bool canFocus = true) {
        GlassEvent e = Of(Kind::DialogChar);
        e.character = ch, e.canFocus = canFocus;
        return e;
    }
    static GlassEvent Flagged(Kind kind, bool flag) { GlassEvent e = Of(kind); e.flag = flag; return e; }

private:
    static GlassEvent At(Kind kind, int x, int y, bool over) {
        GlassEvent e;
        e.kind = kind, e.x = x, e.y = y, e.pointerOverThis = over;
        return e;
    }
};

// What a paint needs of the behaviour.
struct GlassPaintState {
    GlassState state = GlassState::gbsUp;
    bool enabled = true;
    bool hot = false;
    bool pressed = false;
    bool down = false;
    bool focused = false;
    // The pressed glow shows while pressed, down, or drawn down or exclusive.
    bool Glow() const {
        return pressed || down || state == GlassState::gbsDown || state == GlassState::gbsExclusive;
    }
};

// What assistive technology reads of the button's state. `pressed` is what the body shows (the
// glow of a press that would click on release, a toggle or group button that is down); the
// default button is the one Enter presses: the focused one, while enabled.
struct GlassAccessibleState {
    bool unavailable = false;
    bool focused = false;
    bool pressed = false;
    bool isDefault = false;
    friend bool operator==(const GlassAccessibleState&, const GlassAccessibleState&) = default;
};

// The pictures a button owns. Only the normal and the disabled picture repaint on a change; the
// down and hot pictures show up on the next repaint that something else causes.
enum class GlassPicture { Normal, Down, Disabled, Hot };

// The published look, kept for painting; every value but CornerRadius repaints on an effective
// change (see the setters).
struct GlassLook {
    fw::TColor backColor = fw::clBlack;
    fw::TColor foreColor = fw::clWhite;  // stored only: the caption takes the font's colour
    fw::TColor glowColor = 16760205;
    fw::TColor innerBorderColor = fw::clBlack;
    fw::TColor outerBorderColor = fw::clWhite;
    fw::TColor shineColor = fw::clWhite;
    fw::TColor backGroundSymbolColor = fw::clWhite;
    TBackGroundSymbol backGroundSymbol = TBackGroundSymbol::bsNone;
    TButtonShape buttonShape = TButtonShape::btsRectangle;
    TButtonDirection buttonDirection = TButtonDirection::bdRight;
    TAntiAlias antiAlias = TAntiAlias::aaClearType;
    TButtonLayout layout = TButtonLayout::blGlyphLeft;
    int cornerRadius = 4;
    bool showCaption = true;
    bool showFocusRect = false;
    bool forceTransparent = false;
    std::string shortCutHint;
    TShortCutHintPos shortCutHintPos = TShortCutHintPos::shpTop;
};

// The buttons of one parent, for the group broadcast. Members are not owned; a member leaves the
// group when it is destroyed.
class GlassButtonGroup {
public:
    using Sink = std::function<void(GlassButtonModel& button, const GlassOutcome& outcome)>;

    GlassButtonGroup() = default;
    explicit GlassButtonGroup(Sink sink) : sink_(std::move(sink)) {}
    GlassButtonGroup(const GlassButtonGroup&) = delete;
    GlassButtonGroup& operator=(const GlassButtonGroup&) = delete;
    ~GlassButtonGroup();

    void Add(GlassButtonModel& button);
    void Remove(GlassButtonModel& button);
    // Tells every member but the sender that the sender's group changed.
    void Broadcast(const GlassButtonModel& sender, int groupIndex);

private:
    std::vector<GlassButtonModel*> members_;
    Sink sink_;
};

class GlassButtonModel {
public:
    static constexpr std::uint32_t kVersionNumber = 0x01030000;

    GlassButtonModel() = default;
    GlassButtonModel(const GlassButtonModel&) = delete;
    GlassButtonModel& operator=(const GlassButtonModel&) = delete;
    ~GlassButtonModel();

    // "1.3.0.0": the version number's four bytes, major first. Assigning a version does nothing.
    static std::string Version();

    // The one transition: applies the event and says what the window must do.
    [[nodiscard]] GlassOutcome Handle(const GlassEvent& event);

    // What assistive technology reads now: a reader may ask at any time, paint or not.
    GlassAccessibleState AccessibleState() const;

    // What a paint reads.
    GlassPaintState PaintState() const;

    // The control's own state that the behaviour reads, copied in one step by the control
    // whenever one of them may have changed. A change of caption or enabled state repaints;
    // disabling ends a press.
    struct ControlState {
        std::string caption;
        bool enabled = true;
        int width = 100, height = 32;  // the client size that decides whether the pointer is inside
        bool tabStop = true;           // a press or a reader's press focuses only a tab stop
    };
    [[nodiscard]] GlassOutcome SetControlState(const ControlState& state);

    // Group and toggle properties.
    bool Down() const { return down_; }
    [[nodiscard]] GlassOutcome SetDown(bool value);
    int GroupIndex() const { return groupIndex_; }
    [[nodiscard]] GlassOutcome SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    [[nodiscard]] GlassOutcome SetAllowAllUp(bool value);
    TAdvToolButtonStyle Style() const { return style_; }
    void SetStyle(TAdvToolButtonStyle value) { style_ = value, Settle(); }  // no repaint

    // Loading from a window description: Down values are remembered while loading and applied
    // again once every property is in (Down may come before GroupIndex and Style).
    void BeginLoading() { loading_ = true; }
    [[nodiscard]] GlassOutcome Loaded();
    bool DownAtLoad() const { return downAtLoad_; }

    // The look.
    const GlassLook& Look() const { return look_; }
    [[nodiscard]] GlassOutcome SetBackColor(fw::TColor v) { return Store(look_.backColor, v); }
    [[nodiscard]] GlassOutcome SetForeColor(fw::TColor v) { return Store(look_.foreColor, v); }
    [[nodiscard]] GlassOutcome SetGlowColor(fw::TColor v) { return Store(look_.glowColor, v); }
    [[nodiscard]] GlassOutcome SetInnerBorderColor(fw::TColor v) { return Store(look_.innerBorderColor, v); }
    [[nodiscard]] GlassOutcome SetOuterBorderColor(fw::TColor v) { return Store(look_.outerBorderColor, v); }
    [[nodiscard]] GlassOutcome SetShineColor(fw::TColor v) { return Store(look_.shineColor, v); }
    [[nodiscard]] GlassOutcome SetBackGroundSymbolColor(fw::TColor v) { return Store(look_.backGroundSymbolColor, v); }
    [[nodiscard]] GlassOutcome SetBackGroundSymbol(TBackGroundSymbol v) { return Store(look_.backGroundSymbol, v); }
    [[nodiscard]] GlassOutcome SetButtonShape(TButtonShape v) { return Store(look_.buttonShape, v); }
    [[nodiscard]] GlassOutcome SetButtonDirection(TButtonDirection v) { return Store(look_.buttonDirection, v); }
    [[nodiscard]] GlassOutcome SetAntiAlias(TAntiAlias v) { return Store(look_.antiAlias, v); }
    [[nodiscard]] GlassOutcome SetLayout(TButtonLayout v) { return Store(look_.layout, v); }
    [[nodiscard]] GlassOutcome SetShowCaption(bool v) { return Store(look_.showCaption, v); }
    [[nodiscard]] GlassOutcome SetShowFocusRect(bool v) { return Store(look_.showFocusRect, v); }
    [[nodiscard]] GlassOutcome SetForceTransparent(bool v) { return Store(look_.forceTransparent, v); }
    [[nodiscard]] GlassOutcome SetShortCutHint(std::string v) { return Store(look_.shortCutHint, std::move(v)); }
    [[nodiscard]] GlassOutcome SetShortCutHintPos(TShortCutHintPos v) { return Store(look_.shortCutHintPos, v); }
    // Negative radii are ignored.
    [[nodiscard]] GlassOutcome SetCornerRadius(int value);

    // The caption: its accelerator is fw::IsAccelerator's.
    const std::string& Caption() const { return control_.caption; }
    // A picture's content changed (loaded, cleared or assigned).
    [[nodiscard]] static GlassOutcome PictureChanged(GlassPicture which);

    int Width() const { return control_.width; }
    int Height() const { return control_.height; }
    bool TabStop() const { return control_.tabStop; }

    GlassState State() const { return state_; }
    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }
    bool Tracking() const { return tracking_; }
    bool Focused() const { return focused_; }
    bool Enabled() const { return control_.enabled; }

    // Group membership (set by GlassButtonGroup::Add / Remove).
    GlassButtonGroup* Group() const { return group_; }

private:
    friend class GlassButtonGroup;

    template <class T, class U>
    GlassOutcome Store(T& field, U&& value) {
        if (field == value) return {};
        field = std::forward<U>(value);
        return Repaint(GlassRepaint::Invalidate);
    }
    static GlassOutcome Repaint(GlassRepaint how) {
        GlassOutcome o;
        o.repaint = how;
        return o;
    }
    // The press rule of moves and releases: the row just below the client area still counts.
    bool Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y <= Height(); }
    void NotifyGroup();
    GlassOutcome ChangeDown(bool value);
    // The drawn state as the rules keep it after every change: a disabled button is drawn
    // disabled and follows no press; a re-enabled one comes back up (or exclusive, down in a
    // group); a checked toggle is drawn down.
    void Settle();
    GlassOutcome Transition(const GlassEvent& e);
    GlassOutcome EnabledChanged(bool enabled);

    GlassOutcome LeftButtonDown(const GlassEvent& e);
    GlassOutcome MouseMove(const GlassEvent& e);
    GlassOutcome LeftButtonUp(const GlassEvent& e);
    GlassOutcome UpdateHover(bool pointerOverThis);
    GlassOutcome ButtonPressed(const GlassEvent& e);
    GlassOutcome DefaultAction();
    GlassLook look_;
    ControlState control_;
    GlassState state_ = GlassState::gbsUp;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    TAdvToolButtonStyle style_ = TAdvToolButtonStyle::tasButton;
    bool loading_ = false;
    bool downAtLoad_ = false;
    bool hot_ = false;
    bool pressed_ = false;
    bool tracking_ = false;
    bool focused_ = false;
    GlassButtonGroup* group_ = nullptr;
};

}  // namespace ctl::glass
