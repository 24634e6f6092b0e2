#pragma once
// TAdvGlassButton: a windowed push button painted as translucent glass over its parent's image.
//
// The behaviour lives in glass::GlassButtonModel (controls/AdvGlassButtonModel.h); this class
// only turns messages into model events, carries out the outcomes (repaint, click, focus, hover
// timer, enter and leave events) and paints.
//
// - State after construction: 100 x 32, Tahoma from the parent, a tab stop, up, not hot.
// - Messages handled: WM_LBUTTONDOWN, WM_LBUTTONDBLCLK (OnDblClick, then a press like any other
//   whose release does not click again; without OnDblClick an ordinary press), WM_MOUSEMOVE, WM_LBUTTONUP (the mouse is
//   captured from press to release; the click comes on a release inside, the row just below the
//   client area counting as inside), WM_CAPTURECHANGED (a press whose capture another window
//   takes ends without a click), WM_CHAR (Space clicks), WM_SETFOCUS / WM_KILLFOCUS, WM_SIZE;
//   Enter as a dialog key of the focused button without modifiers; the caption's accelerator; a
//   WM_COMMAND to the parent that names the button with notification code 0 clicks it.
// - Groups: the buttons of one parent share the group that parent keeps (destroyed with it).
// - Painting: Paint(HDC) has the parent paint itself into the DC (WM_PRINTCLIENT, origin moved
//   to the button's place), draws the overlapping sibling glass buttons into it when
//   ForceTransparent is set, then the body and the content (DrawGlassButton). The framework
//   double-buffers WM_PAINT, answers WM_ERASEBKGND with 1 and paints WM_PRINTCLIENT directly.
// - Hover: entering starts a 1 ms timer that samples the pointer; leaving stops it and repaints
//   once. Disabling leaves it running, so that a pointer that leaves meanwhile ends the hover. Being hot changes no pixel of the body (only a hot picture, if one is set).
// - Notifications: OnClick, OnDblClick, OnMouseEnter, OnMouseLeave, OnCustomBackgroundSymbol.
// - Accessibility: a push button named by its caption without the accelerator mark, with the
//   accelerator as keyboard shortcut; states unavailable, focused, pressed (what the body shows)
//   and default (the focused button, which Enter presses); default action "Press", posted and
//   then done as a click inside (the model's DefaultAction), refused while disabled. A change of
//   the pressed or unavailable state is announced once (EVENT_OBJECT_STATECHANGE), a new name
//   once (EVENT_OBJECT_NAMECHANGE); focus changes are announced by the platform.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/AdvGlassButtonContent.h"
#include "controls/AdvGlassButtonModel.h"
#include "controls/AdvSmoothPanel.h"
#include "controls/GDIPicture.h"
#include "framework/Action.h"
#include "framework/win/Controls.h"
#include "framework/win/Timer.h"

namespace ctl {

using glass::TAdvToolButtonStyle;
using glass::TAntiAlias;
using glass::TBackGroundSymbol;
using glass::TButtonDirection;
using glass::TButtonLayout;
using glass::TButtonShape;
using glass::TShortCutHintPos;

class ShortCutHintWindow;

class TAdvGlassButton : public fw::TCustomControl {
public:
    TAdvGlassButton();
    ~TAdvGlassButton() override;
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // Every published value and the state machine. Changes go through the setters below or
    // through Apply(Model().SetSomething(...)), so that their outcome reaches the window.
    const glass::GlassButtonModel& Model() const { return model_; }
    glass::GlassButtonModel& Model() { return model_; }
    void Apply(const glass::GlassOutcome& outcome);

    bool Down() const { return model_.Down(); }
    void SetDown(bool value) { Apply(model_.SetDown(value)); }
    int GroupIndex() const { return model_.GroupIndex(); }
    void SetGroupIndex(int value) { Apply(model_.SetGroupIndex(value)); }
    bool AllowAllUp() const { return model_.AllowAllUp(); }
    void SetAllowAllUp(bool value) { Apply(model_.SetAllowAllUp(value)); }
    TAdvToolButtonStyle Style() const { return model_.Style(); }
    void SetStyle(TAdvToolButtonStyle value) { model_.SetStyle(value); }
    int CornerRadius() const { return model_.Look().cornerRadius; }
    void SetCornerRadius(int value) { Apply(model_.SetCornerRadius(value)); }
    bool ShowFocusRect() const { return model_.Look().showFocusRect; }
    void SetShowFocusRect(bool value) { Apply(model_.SetShowFocusRect(value)); }
    bool ForceTransparent() const { return model_.Look().forceTransparent; }
    void SetForceTransparent(bool value) { Apply(model_.SetForceTransparent(value)); }
    static std::string Version() { return glass::GlassButtonModel::Version(); }
    static std::uint32_t VersionNumber() { return glass::GlassButtonModel::kVersionNumber; }

    // The owned pictures: assigning copies into them. Picture and PictureDisabled repaint on a
    // change, PictureDown and the hot picture wait for the next repaint.
    TGDIPPicture& Picture() { return picture_; }
    TGDIPPicture& PictureDown() { return pictureDown_; }
    TGDIPPicture& PictureDisabled() { return pictureDisabled_; }
    TGDIPPicture& HotPicture() { return hotPicture_; }
    TAdvHintInfo& OfficeHint() { return officeHint_; }

    // The bound action: its Checked follows Down and its GroupIndex the button's (see
    // framework/win/Action.h). Null when none.
    fw::TCustomAction* Action() const { return actionLink_.Action(); }
    void SetAction(fw::TCustomAction* action);

    // The shortcut-hint window: shown with ShortCutHint as its text, placed by ShortCutHintPos
    // around the button; hiding destroys it. Both need a parent.
    void ShowShortCutHint();
    void HideShortCutHint();
    HWND ShortCutHintHandle() const;

    // Paints body and content (not the parent's image) onto any DC, origin at the button's
    // top-left. Used by Paint, and by a ForceTransparent sibling that shows this button.
    virtual void DrawGlassButton(HDC dc);
    // Draws the bsCustom symbol through OnCustomBackgroundSymbol.
    virtual void DoCustomBackgroundSymbol(Gdiplus::Graphics& graphics, const RECT& rect);

    void Paint(HDC dc) override;
    bool DialogKey(WPARAM key) override;
    bool DialogChar(wchar_t ch) override;
    void Loaded() override;
    void SetParent(fw::TWinControl* parent) override;
    void Click() override;

    fw::NotifyEvent OnDblClick;
    fw::NotifyEvent OnMouseEnter;
    fw::NotifyEvent OnMouseLeave;
    // Draws the bsCustom symbol; while it runs, CustomSymbolArea() gives where and on what.
    fw::NotifyEvent OnCustomBackgroundSymbol;
    struct CustomSymbolArea {
        RECT rect{};
        Gdiplus::Graphics* graphics = nullptr;
    };
    const CustomSymbolArea& CustomSymbol() const { return customSymbol_; }

    long AccRole() const override;
    DWORD AccState() const override;
    std::wstring AccKeyboardShortcut() const override;
    std::wstring AccDefaultAction() const override;
    HRESULT AccDoDefaultAction() override;

    // Paints counted since creation (for the benchmarks and the hover tests).
    unsigned PaintCount() const { return paintCount_; }
    bool HoverTimerRunning() const { return hoverTimer_.Enabled(); }

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CaptionChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void BoundsChanged() override;
    void AccessibleAction(WPARAM part) override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    class ButtonsOnParent;

    // The one place the model's copies of the control's state (caption, enabled, size, tab
    // stop) come from; every event is handled after it.
    void SyncModel();
    glass::GlassOutcome HandleEvent(const glass::GlassEvent& event);
    glass::GlassEvent PointerEvent(glass::GlassEvent::Kind kind, LPARAM lParam) const;
    bool PointerOverThis() const;
    void HoverTick();
    void PaintParentBackground(HDC dc);
    void PaintOverlappingSiblings(HDC dc);
    void DrawContent(HDC dc, const glass::GlassPaintState& state);
    void EndCapture();
    // Announces a change of the states a reader hears through events (pressed, unavailable).
    void AnnounceStateChange();

    glass::GlassButtonModel model_;
    TGDIPPicture picture_, pictureDown_, pictureDisabled_, hotPicture_;
    TAdvHintInfo officeHint_;
    fw::ActionLink actionLink_;
    std::unique_ptr<ShortCutHintWindow> hintWindow_;
    CustomSymbolArea customSymbol_;
    unsigned paintCount_ = 0;
    bool doubleClickPress_ = false;  // the press followed is a double click's, reported as such
    glass::GlassAccessibleState announced_;  // the state the last announcement told of
    fw::Timer hoverTimer_;  // last: stops before the rest goes
};

void RegisterGlassButtonClass(fw::ClassRegistry& registry);

}  // namespace ctl
