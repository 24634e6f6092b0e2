#include "controls/win/AdvSmoothPanel.h"

namespace ctl {

TAdvSmoothPanel::TAdvSmoothPanel() { SetBounds(0, 0, 300, 200); }

const fw::ClassInfo& TAdvSmoothPanel::StaticClass() {
    static const fw::ClassInfo info{"TAdvSmoothPanel", &fw::TCustomControl::StaticClass(), {}};
    return info;
}
const fw::ClassInfo& TAdvSmoothPanel::Class() const { return StaticClass(); }

void RegisterSmoothPanelClasses(fw::ClassRegistry& registry) {
    registry.Register(TAdvSmoothPanel::StaticClass(), [] { return std::make_unique<TAdvSmoothPanel>(); });
}

}  // namespace ctl
