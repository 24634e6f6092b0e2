#include "controls/AdvGlassButtonModel.h"

#include <algorithm>

#include "framework/Accelerator.h"

namespace ctl::glass {

namespace {
constexpr int kEnterKey = 13;
}  // namespace

void GlassOutcome::Merge(const GlassOutcome& later) {
    repaint = std::max(repaint, later.repaint);
    click = click || later.click;
    handled = handled || later.handled;
    takeFocus = takeFocus || later.takeFocus;
    if (later.hoverTimer != HoverTimerChange::Keep) hoverTimer = later.hoverTimer;
    fireMouseEnter = fireMouseEnter || later.fireMouseEnter;
    fireMouseLeave = fireMouseLeave || later.fireMouseLeave;
    uncheckAction = uncheckAction || later.uncheckAction;
}

// ---------------------------------------------------------------------------------------------
// GlassButtonGroup

GlassButtonGroup::~GlassButtonGroup() {
    for (GlassButtonModel* member : members_) member->group_ = nullptr;
}

void GlassButtonGroup::Add(GlassButtonModel& button) {
    if (button.group_ == this) return;
    if (button.group_) button.group_->Remove(button);
    members_.push_back(&button);
    button.group_ = this;
}

void GlassButtonGroup::Remove(GlassButtonModel& button) {
    std::erase(members_, &button);
    if (button.group_ == this) button.group_ = nullptr;
}

void GlassButtonGroup::Broadcast(const GlassButtonModel& sender, int groupIndex) {
    GlassEvent event = GlassEvent::Of(GlassEvent::Kind::ButtonPressed);
    event.groupIndex = groupIndex;
    event.sender = &sender;
    // A copy: a sink may let a member leave the group while the broadcast runs.
    const std::vector<GlassButtonModel*> members = members_;
    for (GlassButtonModel* member : members) {
        if (member == &sender) continue;
        const GlassOutcome outcome = member->Handle(event);
        if (sink_) sink_(*member, outcome);
    }
}

// ---------------------------------------------------------------------------------------------
// GlassButtonModel

GlassButtonModel::~GlassButtonModel() {
    if (group_) group_->Remove(*this);
}

std::string GlassButtonModel::Version() {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string((kVersionNumber >> shift) & 0xFF);
    }
    return text;
}

GlassOutcome GlassButtonModel::Handle(const GlassEvent& e) {
    const GlassOutcome o = Transition(e);
    Settle();
    return o;
}

GlassOutcome GlassButtonModel::Transition(const GlassEvent& e) {
    using Kind = GlassEvent::Kind;
    GlassOutcome o;
    switch (e.kind) {
        case Kind::LeftButtonDown:
            return LeftButtonDown(e);
        case Kind::MouseMove:
            return MouseMove(e);
        case Kind::LeftButtonUp:
            return LeftButtonUp(e);
        case Kind::MouseEnter:
            // The hover changes no pixel of the body: no repaint.
            hot_ = true;
            o.hoverTimer = HoverTimerChange::Start;
            o.fireMouseEnter = true;
            return o;
        case Kind::MouseLeave:
            o.hoverTimer = HoverTimerChange::Stop;
            hot_ = false;
            o.fireMouseLeave = true;
            return o;
        case Kind::HoverTick:
            // The timer samples the pointer because a leave notification can be missed while
            // another window holds the capture. Right and bottom edges are outside here.
            if (e.x < 0 || e.x >= Width() || e.y < 0 || e.y >= Height()) {
                o.hoverTimer = HoverTimerChange::Stop;
                hot_ = false;
                if (Enabled()) o.repaint = GlassRepaint::Invalidate;
            }
            return o;
        case Kind::Char:
            // Space clicks on the character (a held key repeats it), not on the key's release.
            o.click = e.character == u' ' && Enabled();
            return o;
        case Kind::DialogKey:
            if (e.key == kEnterKey && focused_ && !e.modifierHeld && e.canFocus && Enabled()) {
                o.click = o.handled = true;
            }
            return o;
        case Kind::DialogChar:
            if (fw::IsAccelerator(Caption(), e.character) && e.canFocus && Enabled()) o.click = o.handled = true;
            return o;
        case Kind::Command:
            o.click = e.code == 0;
            return o;
        case Kind::Enter:
        case Kind::Exit:
        case Kind::FontChanged:
            return Repaint(GlassRepaint::Invalidate);
        case Kind::FocusChanged:
            focused_ = e.flag;
            return o;
        case Kind::ButtonPressed:
            return ButtonPressed(e);
        case Kind::DefaultAction:
            return DefaultAction();
    }
    return o;
}

GlassOutcome GlassButtonModel::EnabledChanged(bool enabled) {
    control_.enabled = enabled;
    if (!enabled) {
        // A press cannot finish on a disabled button: without this, the glow of a button disabled
        // while held would stay until the next press. The hover stays: the timer clears it once
        // the pointer leaves, so that entering and leaving are reported again once enabled.
        tracking_ = false;
        pressed_ = false;
        state_ = GlassState::gbsDisabled;
    } else if (state_ == GlassState::gbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? GlassState::gbsExclusive : GlassState::gbsUp;
    }
    return Repaint(GlassRepaint::Invalidate);
}

GlassOutcome GlassButtonModel::SetControlState(const ControlState& state) {
    GlassOutcome o;
    if (state.enabled != control_.enabled) o.Merge(EnabledChanged(state.enabled));
    if (state.caption != control_.caption) o.Merge(Repaint(GlassRepaint::Invalidate));
    control_ = state;
    Settle();
    return o;
}

void GlassButtonModel::Settle() {
    if (!Enabled()) {
        state_ = GlassState::gbsDisabled;
        tracking_ = false;
    } else if (state_ == GlassState::gbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? GlassState::gbsExclusive : GlassState::gbsUp;
    }
    if (style_ == TAdvToolButtonStyle::tasCheck && down_) state_ = GlassState::gbsDown;
}

GlassOutcome GlassButtonModel::LeftButtonDown(const GlassEvent&) {
    GlassOutcome o;
    if (!Enabled()) return o;
    pressed_ = true;
    if (!down_) {
        state_ = GlassState::gbsDown;
        o.repaint = GlassRepaint::Invalidate;
    }
    if (style_ == TAdvToolButtonStyle::tasCheck) {
        state_ = GlassState::gbsDown;
        o.repaint = GlassRepaint::PaintNow;
    }
    o.takeFocus = TabStop();
    tracking_ = true;
    return o;
}

GlassOutcome GlassButtonModel::MouseMove(const GlassEvent& e) {
    if (!tracking_) return hot_ ? GlassOutcome{} : UpdateHover(e.pointerOverThis);
    GlassState next = down_ ? GlassState::gbsExclusive : GlassState::gbsUp;
    if (Inside(e.x, e.y)) next = down_ ? GlassState::gbsExclusive : GlassState::gbsDown;
    if (style_ == TAdvToolButtonStyle::tasCheck && down_) next = GlassState::gbsDown;
    if (next == state_) return {};
    state_ = next;
    return Repaint(GlassRepaint::Invalidate);
}

GlassOutcome GlassButtonModel::LeftButtonUp(const GlassEvent& e) {
    GlassOutcome o = Repaint(GlassRepaint::Invalidate);
    pressed_ = false;
    if (!tracking_) return o;
    tracking_ = false;
    const bool inside = Inside(e.x, e.y);
    if (groupIndex_ != 0) {
        if (inside) {
            o.Merge(SetDown(!down_));
            if (down_) o.repaint = GlassRepaint::PaintNow;
        } else {
            // Released outside: back to how the button stood before the press, also when no
            // move was reported between press and release.
            state_ = down_ ? GlassState::gbsExclusive : GlassState::gbsUp;
            o.repaint = GlassRepaint::PaintNow;
        }
    } else {
        state_ = GlassState::gbsUp;
        hot_ = false;
        // A toggle changes only on a release inside: a release outside is the user's way out
        // and raises no click either.
        if (style_ == TAdvToolButtonStyle::tasCheck && inside) {
            o.Merge(SetDown(!down_));
            state_ = GlassState::gbsUp;
        }
    }
    o.Merge(UpdateHover(e.pointerOverThis));
    o.click = inside;
    return o;
}

GlassOutcome GlassButtonModel::UpdateHover(bool pointerOverThis) {
    if (!Enabled()) return {};
    return Handle(GlassEvent::Of(pointerOverThis ? GlassEvent::Kind::MouseEnter : GlassEvent::Kind::MouseLeave));
}

GlassOutcome GlassButtonModel::ButtonPressed(const GlassEvent& e) {
    GlassOutcome o;
    if (e.sender == nullptr || e.sender == this || e.groupIndex != groupIndex_) return o;
    if (e.sender->Down() && down_) {
        down_ = false;
        state_ = GlassState::gbsUp;
        o.uncheckAction = true;
        o.repaint = GlassRepaint::Invalidate;
    }
    allowAllUp_ = e.sender->AllowAllUp();
    return o;
}

void GlassButtonModel::NotifyGroup() {
    if (groupIndex_ != 0 && group_) group_->Broadcast(*this, groupIndex_);
}

GlassOutcome GlassButtonModel::SetDown(bool value) {
    GlassOutcome o = ChangeDown(value);
    Settle();
    return o;
}

GlassOutcome GlassButtonModel::ChangeDown(bool value) {
    if (loading_) downAtLoad_ = value;
    if (groupIndex_ == 0 && style_ == TAdvToolButtonStyle::tasButton) value = false;
    if (style_ == TAdvToolButtonStyle::tasCheck) {
        down_ = value;
        state_ = value ? GlassState::gbsDown : GlassState::gbsUp;
        return Repaint(GlassRepaint::PaintNow);
    }
    // A down button of a group without AllowAllUp cannot be released by setting: only another
    // member going down releases it.
    if (value == down_ || (down_ && !allowAllUp_)) return {};
    down_ = value;
    if (!value) {
        state_ = GlassState::gbsUp;
        return Repaint(GlassRepaint::PaintNow);
    }
    GlassOutcome o;
    if (state_ == GlassState::gbsUp) o.repaint = GlassRepaint::Invalidate;
    state_ = GlassState::gbsExclusive;
    NotifyGroup();
    return o;
}

GlassOutcome GlassButtonModel::SetGroupIndex(int value) {
    if (value == groupIndex_) return {};
    groupIndex_ = value;
    NotifyGroup();
    return {};
}

GlassOutcome GlassButtonModel::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return {};
    allowAllUp_ = value;
    NotifyGroup();
    return {};
}

GlassOutcome GlassButtonModel::Loaded() {
    loading_ = false;
    if (downAtLoad_ == down_) return {};
    return SetDown(downAtLoad_);
}

GlassOutcome GlassButtonModel::SetCornerRadius(int value) {
    if (value < 0) return {};
    return Store(look_.cornerRadius, value);
}

GlassOutcome GlassButtonModel::PictureChanged(GlassPicture which) {
    const bool repaints = which == GlassPicture::Normal || which == GlassPicture::Disabled;
    return Repaint(repaints ? GlassRepaint::Invalidate : GlassRepaint::None);
}

GlassPaintState GlassButtonModel::PaintState() const {
    GlassPaintState paint;
    paint.state = state_;
    paint.enabled = Enabled();
    paint.hot = hot_;
    // A press dragged off the button shows the unpressed body until it comes back: the glow
    // follows where the press would release, not merely that the mouse button is held.
    paint.pressed = pressed_ && !(tracking_ && state_ == GlassState::gbsUp);
    paint.down = down_;
    paint.focused = focused_;
    return paint;
}

GlassAccessibleState GlassButtonModel::AccessibleState() const {
    GlassAccessibleState s;
    s.unavailable = !Enabled();
    s.focused = focused_;
    s.pressed = PaintState().Glow();
    s.isDefault = focused_ && Enabled();
    return s;
}

GlassOutcome GlassButtonModel::DefaultAction() {
    GlassOutcome o;
    if (!Enabled()) return o;  // refused, as a click on a disabled button does nothing
    // As a press released inside, without a pointer: the focus comes first, then the toggle or
    // group change, then the click.
    o.takeFocus = TabStop();
    o.repaint = GlassRepaint::Invalidate;
    if (groupIndex_ != 0) {
        o.Merge(SetDown(!down_));
        if (down_) o.repaint = GlassRepaint::PaintNow;
    } else if (style_ == TAdvToolButtonStyle::tasCheck) {
        o.Merge(SetDown(!down_));
        state_ = GlassState::gbsUp;
    }
    o.click = true;
    return o;
}

}  // namespace ctl::glass
