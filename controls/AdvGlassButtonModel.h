#pragma once
// The glass button's behaviour without a window: the drawn state, the press that is being
// followed, the hover, the focus, the toggle and group logic, and the published values that only
// need storing. The window class turns its messages into GlassEvents, hands them to Handle and
// carries out the returned GlassOutcome (repaint, click, focus, hover timer, mouse events); it
// paints from PrepareForPaint().
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
        EnabledChanged,                           // flag: now enabled
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

// What a paint needs of the behaviour, taken after the paint-time corrections of the state.
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

    // What assistive technology reads now. Unlike PrepareForPaint it changes nothing: a reader
    // may ask at any time, paint or not.
    GlassAccessibleState AccessibleState() const;

    // Applies the paint-time corrections (disabled buttons are drawn disabled and stop following
    // a press; a re-enabled one comes back up or exclusive; a checked toggle is drawn down) and
    // returns what the paint reads.
    GlassPaintState PrepareForPaint();

    // Group and toggle properties.
    bool Down() const { return down_; }
    [[nodiscard]] GlassOutcome SetDown(bool value);
    int GroupIndex() const { return groupIndex_; }
    [[nodiscard]] GlassOutcome SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    [[nodiscard]] GlassOutcome SetAllowAllUp(bool value);
    TAdvToolButtonStyle Style() const { return style_; }
    void SetStyle(TAdvToolButtonStyle value) { style_ = value; }  // stored only

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

    // The caption (its accelerator is the letter after a single "&"); a change repaints.
    const std::string& Caption() const { return caption_; }
    [[nodiscard]] GlassOutcome SetCaption(std::string text);
    // A picture's content changed (loaded, cleared or assigned).
    [[nodiscard]] static GlassOutcome PictureChanged(GlassPicture which);

    // The client size that decides whether the pointer is inside.
    void SetClientSize(int width, int height) { width_ = width, height_ = height; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }

    GlassState State() const { return state_; }
    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }
    bool Tracking() const { return tracking_; }
    bool Focused() const { return focused_; }
    bool Enabled() const { return enabled_; }

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
    bool Inside(int x, int y) const { return x >= 0 && x < width_ && y >= 0 && y <= height_; }
    bool IsAccelerator(char16_t ch) const;
    void NotifyGroup();

    GlassOutcome LeftButtonDown(const GlassEvent& e);
    GlassOutcome MouseMove(const GlassEvent& e);
    GlassOutcome LeftButtonUp(const GlassEvent& e);
    GlassOutcome UpdateHover(bool pointerOverThis);
    GlassOutcome ButtonPressed(const GlassEvent& e);
    GlassOutcome DefaultAction();
    // The drawn state after the paint-time corrections, and what a paint reads with it.
    GlassState CorrectedState() const;
    GlassPaintState PaintStateFor(GlassState corrected) const;

    GlassLook look_;
    std::string caption_;
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
    bool enabled_ = true;
    bool tabStop_ = true;
    int width_ = 100;
    int height_ = 32;
    GlassButtonGroup* group_ = nullptr;
};

}  // namespace ctl::glass
