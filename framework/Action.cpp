#include "framework/Action.h"

#include <algorithm>

#include "framework/PropertyBuilders.h"

namespace fw {

TCustomAction::~TCustomAction() {
    for (ActionLink* link : links_) link->ActionGone();
}

const ClassInfo& TCustomAction::StaticClass() {
    using T = TCustomAction;
    static const ClassInfo info{"TAction",
                                nullptr,
                                {
                                    BoolProperty<T>("Checked", &T::Checked, &T::SetChecked, false),
                                    IntProperty<T>("GroupIndex", &T::GroupIndex, &T::SetGroupIndex, 0),
                                    EventProperty<T>("OnExecute", &T::OnExecute),
                                }};
    return info;
}
const ClassInfo& TCustomAction::Class() const { return StaticClass(); }

void TCustomAction::SetChecked(bool value) {
    if (value == checked_) return;
    // A copy: a client may rebind while it follows.
    const std::vector<ActionLink*> links = links_;
    for (ActionLink* link : links) link->CheckedChanging(value);
    checked_ = value;
}

void TCustomAction::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    const std::vector<ActionLink*> links = links_;
    for (ActionLink* link : links) link->GroupIndexChanging(value);
    groupIndex_ = value;
}

bool TCustomAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(*this);
    return true;
}

ActionLink::~ActionLink() { SetAction(nullptr); }

void ActionLink::SetAction(TCustomAction* action) {
    if (action == action_) return;
    if (action_) std::erase(action_->links_, this);
    action_ = action;
    if (action_) action_->links_.push_back(this);
}

void ActionLink::CheckedChanging(bool value) {
    if (IsCheckedLinked() && client_.setChecked) client_.setChecked(value);
}

void ActionLink::GroupIndexChanging(int value) {
    if (IsGroupIndexLinked() && client_.setGroupIndex) client_.setGroupIndex(value);
}

void RegisterActionClasses(ClassRegistry& registry) {
    registry.Register(TCustomAction::StaticClass(), [] { return std::make_unique<TCustomAction>(); });
}

}  // namespace fw
