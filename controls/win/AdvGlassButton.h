#pragma once
// TAdvGlassButton: a windowed push button. It publishes every property of the glass look and
// keeps them; this unit gives it the behaviour of a push button (press, release inside to click,
// Space on the character, Enter while focused, its accelerator, focus on press) with the
// platform's plain button face.
//
// Messages handled: WM_LBUTTONDOWN / WM_MOUSEMOVE / WM_LBUTTONUP (click on a release inside;
// the bottom row one pixel past the client area counts as inside), WM_CHAR (Space clicks),
// WM_GETDLGCODE, WM_SETFOCUS / WM_KILLFOCUS (repaint). Notifications: OnClick.

#include "framework/win/Controls.h"

namespace ctl {

enum class TButtonShape { btsRectangle, btsCurvedRectangle };
enum class TButtonDirection { bdLeft, bdRight };
enum class TAntiAlias { aaNone, aaClearType, aaAntiAlias };
enum class TButtonLayout {
    blGlyphLeft, blGlyphTop, blGlyphRight, blGlyphBottom,
    blGlyphLeftAdjusted, blGlyphRightAdjusted, blGlyphTopAdjusted, blGlyphBottomAdjusted
};
enum class TBackGroundSymbol {
    bsArrowLeft, bsArrowRight, bsArrowUp, bsArrowDown, bsPlay, bsPause, bsStop, bsFastForward,
    bsForward, bsBackward, bsFastBackward, bsSpeaker, bsNoSpeaker, bsNone, bsRecord, bsCustom
};
enum class TAdvToolButtonStyle { tasButton, tasCheck };

class TAdvGlassButton : public fw::TCustomControl {
public:
    TAdvGlassButton();
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // The look (kept; drawn by the glass painter).
    fw::TColor BackColor = fw::clBlack;
    fw::TColor ForeColor = fw::clWhite;
    fw::TColor GlowColor = 16760205;
    fw::TColor InnerBorderColor = fw::clBlack;
    fw::TColor OuterBorderColor = fw::clWhite;
    fw::TColor ShineColor = fw::clWhite;
    fw::TColor BackGroundSymbolColor = fw::clWhite;
    TBackGroundSymbol BackGroundSymbol = TBackGroundSymbol::bsNone;
    TButtonShape ButtonShape = TButtonShape::btsRectangle;
    TButtonDirection ButtonDirection = TButtonDirection::bdRight;
    TAntiAlias AntiAlias = TAntiAlias::aaClearType;
    TButtonLayout Layout = TButtonLayout::blGlyphLeft;
    TAdvToolButtonStyle Style = TAdvToolButtonStyle::tasButton;
    bool ShowCaption = true;
    bool ShowFocusRect = false;
    bool ForceTransparent = false;
    bool AllowAllUp = false;
    bool Down = false;
    int GroupIndex = 0;
    std::string ShortCutHint;
    int CornerRadius() const { return cornerRadius_; }
    void SetCornerRadius(int value);
    static std::string Version() { return "1.3.0.0"; }

    bool Pressed() const { return pressed_; }
    void Paint(HDC dc) override;
    bool DialogKey(WPARAM key) override;
    bool DialogChar(wchar_t ch) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y <= Height(); }
    int cornerRadius_ = 4;
    bool pressed_ = false;   // the left button went down here and was not released
    bool tracking_ = false;  // a press is being followed
    bool pressedLook_ = false;
};

void RegisterGlassButtonClass(fw::ClassRegistry& registry);

}  // namespace ctl
