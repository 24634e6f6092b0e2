#pragma once
// Actions: a command with a checked state and a group index that several controls can share.
// Only what the glass button needs is here: Checked and GroupIndex reach a bound control
// through its ActionLink, and Execute runs OnExecute.
//
// A control's link follows a value only while the control agrees with the action on it (the
// control is "linked" for that value): a button whose Down differs from the action's Checked
// keeps its own state when the action changes.

#include <functional>
#include <vector>

#include "framework/Properties.h"

namespace fw {

class ActionLink;

class TCustomAction : public Component {
public:
    TCustomAction() = default;
    ~TCustomAction() override;
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    bool Checked() const { return checked_; }
    // Tells the linked clients first (they compare with the old value), then stores.
    void SetChecked(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);

    NotifyEvent OnExecute;
    // Runs OnExecute; false when none is assigned.
    bool Execute();

private:
    friend class ActionLink;
    bool checked_ = false;
    int groupIndex_ = 0;
    std::vector<ActionLink*> links_;
};

// Ties one client control to an action. The client supplies how to read and set its own values.
class ActionLink {
public:
    struct Client {
        std::function<bool()> checked;
        std::function<void(bool)> setChecked;
        std::function<int()> groupIndex;
        std::function<void(int)> setGroupIndex;
    };
    explicit ActionLink(Client client) : client_(std::move(client)) {}
    ~ActionLink();
    ActionLink(const ActionLink&) = delete;
    ActionLink& operator=(const ActionLink&) = delete;

    TCustomAction* Action() const { return action_; }
    void SetAction(TCustomAction* action);

    bool IsCheckedLinked() const { return action_ && client_.checked && action_->Checked() == client_.checked(); }
    bool IsGroupIndexLinked() const {
        return action_ && client_.groupIndex && action_->GroupIndex() == client_.groupIndex();
    }

private:
    friend class TCustomAction;
    void CheckedChanging(bool value);
    void GroupIndexChanging(int value);
    void ActionGone() { action_ = nullptr; }

    Client client_;
    TCustomAction* action_ = nullptr;
};

void RegisterActionClasses(ClassRegistry& registry);

}  // namespace fw
