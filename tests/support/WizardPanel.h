#pragma once
// The wizard's background panel with the settings its window description gives it, for the
// panel's paint tests and benchmark. (The description's own values are checked against the design
// by the description test; here they only make a realistic panel.)

#include "controls/win/AdvSmoothPanel.h"

namespace testsupport {

inline void MakeWizardPanel(ctl::TAdvSmoothPanel& p) {
    using namespace ctl;
    p.SetBounds(0, 0, 580, 347);
    TGDIPFill& f = p.Fill();
    f.SetColor(fw::clBlack);
    f.SetColorTo(3355443);
    f.SetGradientMirrorType(TAdvGradientType::gtVertical);
    f.SetOpacityTo(178);
    f.SetBorderColor(fw::clGray);
    f.SetBorderOpacity(0);
    f.SetRounding(10);
    f.SetRoundingType(TFillRoundingType::rtNone);
    f.SetShadowColor(fw::clBlack);
    TAdvSmoothPanelCaption& c = p.Caption();
    c.SetText(" ");
    c.SetLocation(TAdvSmoothPanelLocation::plCustom);
    c.SetLeft(5);
    c.SetTop(12);
    c.Font().SetName("Segoe UI");
    c.Font().SetHeight(-19);
    c.SetColorEnd(fw::clWhite);
    c.SetLineColor(fw::clBlack);
    c.SetLine(false);
    c.SetHTMLText("<IMG src=\"1\">");
    c.HTMLFont().SetName("Tahoma");
    c.HTMLFont().SetHeight(-11);
}

}  // namespace testsupport
