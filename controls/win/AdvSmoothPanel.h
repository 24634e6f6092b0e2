#pragma once
// TAdvSmoothPanel: the background panel that holds every other control of the window.
// (A plain container until the smooth-panel painting lands in this unit.)

#include "framework/win/Controls.h"

namespace ctl {

class TAdvSmoothPanel : public fw::TCustomControl {
public:
    TAdvSmoothPanel();
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();
};

void RegisterSmoothPanelClasses(fw::ClassRegistry& registry);

}  // namespace ctl
