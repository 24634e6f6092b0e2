// Actions carry Checked and GroupIndex to the controls bound to them, but only to those that agree
// with the action on the value before the change; a link outlives neither side.

#include <gtest/gtest.h>

#include <memory>

#include "framework/Action.h"

namespace {

struct FakeClient {
    bool down = false;
    int group = 0;
    fw::ActionLink link{{[this] { return down; }, [this](bool v) { down = v; }, [this] { return group; },
                         [this](int v) { group = v; }}};
};

TEST(Action, CheckedReachesOnlyTheClientsThatAgreedWithIt) {
    fw::TCustomAction action;
    FakeClient agreeing, differing;
    differing.down = true;  // checked while the action is not
    agreeing.link.SetAction(&action);
    differing.link.SetAction(&action);
    EXPECT_TRUE(agreeing.link.IsCheckedLinked());
    EXPECT_FALSE(differing.link.IsCheckedLinked());

    action.SetChecked(true);
    EXPECT_TRUE(agreeing.down);
    EXPECT_TRUE(differing.down) << "kept its own value";
    EXPECT_TRUE(action.Checked());
    action.SetChecked(false);
    EXPECT_FALSE(agreeing.down);
    EXPECT_FALSE(differing.down) << "now it agreed before the change, so it follows";
}

TEST(Action, GroupIndexFollowsTheSameRule) {
    fw::TCustomAction action;
    FakeClient same, other;
    other.group = 5;
    same.link.SetAction(&action);
    other.link.SetAction(&action);
    action.SetGroupIndex(2);
    EXPECT_EQ(same.group, 2);
    EXPECT_EQ(other.group, 5);
}

TEST(Action, NeitherSideOutlivesTheLink) {
    auto action = std::make_unique<fw::TCustomAction>();
    FakeClient client;
    {
        FakeClient gone;
        gone.link.SetAction(action.get());
        client.link.SetAction(action.get());
    }  // a destroyed client leaves the action's list
    action->SetChecked(true);
    EXPECT_TRUE(client.down);
    action.reset();  // a destroyed action leaves its clients unbound
    EXPECT_EQ(client.link.Action(), nullptr);
    EXPECT_FALSE(client.link.IsCheckedLinked());
}

TEST(Action, ExecuteRunsOnExecuteWhenAssigned) {
    fw::TCustomAction action;
    EXPECT_FALSE(action.Execute());
    int runs = 0;
    action.OnExecute.handler = [&](fw::Component& sender) {
        EXPECT_EQ(&sender, &action);
        ++runs;
    };
    EXPECT_TRUE(action.Execute());
    EXPECT_EQ(runs, 1);
}

}  // namespace
