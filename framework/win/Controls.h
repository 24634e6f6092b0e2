#pragma once
// The control hierarchy of the runtime.
//
//   TControl          a rectangle on a parent: bounds, visibility, enabled state, font, colour,
//                     caption, tab order, OnClick. Non-windowed controls (TGraphicControl) have no
//                     window of their own: the parent paints them after its own background and
//                     forwards mouse messages to them.
//   TWinControl       a control with a window. Two kinds: custom windows of our own class (their
//                     messages reach WndProc through one trampoline), and platform controls (EDIT,
//                     BUTTON, the tab control) subclassed through the same trampoline.
//   TCustomControl    a custom window that paints itself through Paint(HDC).
//   TForm             a top-level window; owns every component of its description.
//
// Event and ownership contract:
// - The form owns every component (Component::Own); parents only reference their children.
// - Events are NotifyEvent values (framework/Properties.h): the handler named in the description,
//   called with the sender. A handler may throw: the trampoline catches every exception and hands
//   it to the application's default exception report; nothing unwinds through the platform.
// - Geometry is in pixels relative to the parent's client area: the description gives it at 96
//   dots per inch, and the form scales it to its screen's DPI (framework/Scaling.h).
// - Messages that arrive before WM_NCCREATE (WM_GETMINMAXINFO) go to DefWindowProc.
// - Windows are created when the form is shown (TForm::Show), parents before children, and are
//   destroyed with the form; a control hidden then (a page not shown) gets its window when it
//   first shows, or earlier, hidden, while the program is idle after the form's first paint
//   (TForm::MakeNextWindowAhead). A control's destructor detaches the object before its window goes.
//
// Files: Font.cpp (TFont), Control.cpp (TControl, TGraphicControl), WinControl.cpp (TWinControl
// and TCustomControl: tree, tab order, focus, windows made, painting), WinControlWindow.cpp (the
// window class, the trampoline and the messages), Form.cpp (TForm), ControlsAccessibility.cpp.

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Accelerator.h"
#include "base/win/AnsiText.h"
#include "framework/Colour.h"
#include "framework/Properties.h"
#include "framework/Scaling.h"
#include "framework/win/Accessibility.h"
#include "framework/win/Gdi.h"

namespace fw {

class TWinControl;
class TForm;

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

const EnumInfo& FontStyleEnum();
const EnumInfo& AlignEnum();
const EnumInfo& AlignmentEnum();

// A font description with a cached platform font. Size is in points, Height in pixels
// (negative: character height, as the platform counts it) at the font's PixelsPerInch; Size is
// the design's (the points of the height at 96 DPI), so a scaled font keeps its Size.
class TFont : public Persistent {
public:
    TFont();
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    const std::string& Name() const { return name_; }
    void SetName(std::string name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    std::uint8_t Style() const { return style_; }
    void SetStyle(std::uint8_t style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // The DPI Height is in pixels at (the window's: set when the window is scaled, together with
    // the height). Setting it alone changes no pixel height.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int dpi) { pixelsPerInch_ = dpi; }
    // Size scaled to the font's DPI, in points of a 96-DPI surface: what a drawing surface of 96
    // DPI is to be given to draw the font as large as its Height (Size itself at 96 DPI).
    float DrawingPoints() const;

    void Assign(const TFont& other);
    bool SameAs(const TFont& other) const;
    HFONT Handle() const;  // created on first use, owned by the font

    std::function<void()> OnChange;

private:
    void Changed();
    std::string name_ = "Tahoma";
    int height_ = -11;
    std::uint8_t style_ = 0;
    TColor color_ = clWindowText;
    int pixelsPerInch_ = 96;
    mutable UniqueFont handle_;
};

class TControl : public Component, public AccessibleElement {
public:
    TControl();
    ~TControl() override;
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    // Geometry.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual void SetBounds(int left, int top, int width, int height);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // The DPI the control is laid out and painted at (its window's). Its geometry and fonts are set
    // scaled by the form (framework/Scaling.h); what it paints beyond them (a frame, a margin of
    // its own) it scales from this with DpiScale.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int dpi);

    // Place in the tree.
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(Component* parent) override;
    Component* GetParentComponent() const override;
    TForm* ParentForm() const;

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    // Visible here and in every parent up to a shown form.
    bool Showing() const;
    // The control's form is being set up before it is first shown (TForm::Show): nothing of it
    // needs invalidating, since showing the window paints all of it.
    bool FormSettingUp() const;

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    NotifyEvent OnClick;
    virtual void Click();

    // Asks for a repaint of the control's area (no-op without a window to paint in).
    virtual void Invalidate();
    // Paints the control at once.
    virtual void Repaint();

    virtual bool IsWindowed() const { return false; }
    // Non-windowed controls paint into their parent's DC, origin moved to their top-left.
    virtual void Paint(HDC /*dc*/) {}
    // Mouse messages forwarded by the parent, in the control's client coordinates.
    virtual void MouseDown(int /*x*/, int /*y*/) {}
    virtual void MouseMove(int /*x*/, int /*y*/) {}
    virtual void MouseUp(int /*x*/, int /*y*/) {}

    // An accelerator typed while this control's form is active (Alt+letter, or the letter alone
    // when the focused control does not take characters). Return true when handled.
    virtual bool DialogChar(wchar_t /*ch*/) { return false; }

    // What assistive technology reads (framework/win/Accessibility.h). The defaults: a client
    // area named by the caption without its accelerator mark; invisible or unavailable when the
    // control or a parent is hidden or disabled; the place on the screen; the parent as parent.
    long AccRole() const override;
    std::wstring AccName() const override;
    DWORD AccState() const override;
    bool AccScreenRect(RECT& rect) const override;
    AccessibleElement* AccParent() const override;

protected:
    // Whether the control can take the keyboard focus at all (STATE_SYSTEM_FOCUSABLE).
    virtual bool AccFocusable() const { return false; }
    virtual void FontChanged();
    virtual void ColorChanged() { Invalidate(); }
    virtual void CaptionChanged() { Invalidate(); }
    // The window changed its own text (a person typed or pasted): the stored caption follows it
    // without CaptionChanged, which would write it back into the window and move its caret.
    void CaptionFromWindow(std::string caption) { caption_ = std::move(caption); }
    virtual void EnabledChanged() { Invalidate(); }
    virtual void VisibleChanged();
    virtual void BoundsChanged();
    // PixelsPerInch changed (before the new geometry and fonts are set): drop what was painted or
    // measured at the old DPI.
    virtual void PixelsPerInchChanged() { Invalidate(); }
    // The parent's font or colour changed (applied when ParentFont/ParentColor hold).
    void ParentFontChanged();
    void ParentColorChanged();
    friend class TWinControl;

private:
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TAlign::alNone;
    int pixelsPerInch_ = 96;
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
    TFont font_;
    bool parentFont_ = true;
    bool followingParent_ = false;  // a font/colour change that comes from the parent
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::string caption_;
};

class TGraphicControl : public TControl {
public:
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    void Invalidate() override;
    void Repaint() override;
};

// Parameters of a control's window, filled by CreateParams before the window is made.
struct WindowParams {
    const wchar_t* className = nullptr;  // null: the framework's own window class
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    std::wstring text;
};

// Something a kind of control keeps on the parent of its controls (the glass buttons' group):
// owned by the parent and destroyed with it, so that nothing outlives the parent or has to be
// looked up by its address.
class ParentPart {
public:
    virtual ~ParentPart() = default;
};

class TWinControl : public TControl {
public:
    TWinControl();
    ~TWinControl() override;
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    bool IsWindowed() const override { return true; }
    HWND Handle() const { return hwnd_; }
    bool HandleAllocated() const { return hwnd_ != nullptr; }
    // Creates the window and those of every visible child (parents first). A child's window is
    // made with its parent's when it is visible then, else when it first shows (SetVisible);
    // until then HandleAllocated is false and its properties live in the object.
    void CreateHandle();
    // Makes, hidden, the window of the first control under this one that is hidden and has none
    // while its parent has one (depth first, in tab order), with its visible controls' windows:
    // its first show then costs what a later show costs, and takes what a window made at that show
    // would take (the focus asked for meanwhile, a window below that failed to be made). False when
    // no such control is left. Throws when a window cannot be made.
    bool MakeNextWindowAhead();
    // Shown while already marked shown, a control whose window (or a child's) failed to be made
    // before (the platform out of resources; reported then) tries again.
    void SetVisible(bool visible) override;

    const std::vector<TControl*>& Controls() const { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    // The part kept under `key` (an address the part's kind owns), null when none was added.
    ParentPart* Part(const void* key) const;
    ParentPart& AddPart(const void* key, std::unique_ptr<ParentPart> part);

    // Tab order among the windowed children of the parent.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    // Whether Tab and Shift+Tab stop here (when the control can take the focus); TabStop unless a
    // class knows better (a radio button group with none checked).
    virtual bool IsTabStop() const { return tabStop_; }
    // The windowed children in tab order.
    std::vector<TWinControl*> TabList() const;

    virtual bool CanFocus() const;
    // Without a window yet (its form not on the screen, or the control not shown yet) the request
    // is kept as the form's active control, and the focus is given once the window is made.
    void SetFocus();
    bool Focused() const;

    void Invalidate() override;
    void Repaint() override;
    // Paints at once whatever of the window and its child windows waits to be painted (for work
    // that keeps the message loop from running for a while).
    void Update();
    void SetBounds(int left, int top, int width, int height) override;
    // The area children are aligned in (client rectangle by default).
    virtual RECT ClientRectForChildren() const;
    RECT ClientRect() const { return {0, 0, Width(), Height()}; }
    void AlignControls();

    // Paints the control's face (Paint) and then its non-windowed children over it.
    void PaintWindow(HDC dc);
    // The control's own face; the default fills the client area with the control's colour.
    void Paint(HDC dc) override;
    // A brush of the resolved colour, kept until the colour changes (for WM_CTLCOLOR* answers).
    HBRUSH ColourBrush();

    // Keyboard hooks used by the application's navigation filter. Return true when handled.
    virtual bool WantsReturn() const { return false; }
    virtual bool WantsArrows() const { return false; }
    virtual bool WantsChars() const { return false; }  // typing goes to the control (edit boxes)
    // Enter, arrows, Ctrl+Tab: offered to the focused control, then to its parents.
    virtual bool DialogKey(WPARAM /*key*/) { return false; }

    // Accessibility: the window's client object. Children in reading order: the controls in
    // z order, the places of the windowed ones taken by them in tab order.
    DWORD AccState() const override;
    bool AccScreenRect(RECT& rect) const override;
    std::vector<AccessibleElement*> AccChildren() const override;
    HWND AccOwnWindow() const override { return hwnd_; }
    bool AccTakeFocus() override;

protected:
    bool AccFocusable() const override { return TabStop(); }
    // A default action posted by AccDoDefaultAction arrives (AccessibleActionMessage); `part`
    // is what the poster put in wParam. The control is enabled and shown when this is called.
    virtual void AccessibleAction(WPARAM /*part*/) {}
    // Posts AccessibleActionMessage for `part` to the control's window; E_FAIL when the control
    // is unavailable or has no window.
    HRESULT PostAccessibleAction(WPARAM part);
    virtual void CreateParams(WindowParams& params);
    virtual void CreateWnd();
    // Every message of the window, after the trampoline. DefaultHandler() passes it on.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND / WM_NOTIFY / WM_CTLCOLOR* sent by a child's window to this one arrive here.
    virtual bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called once the window exists (children not yet created).
    virtual void HandleCreated() {}
    // Makes the windows of the visible controls under this one that have none (shown while the
    // form was set up hidden, when no window is made).
    void ShowingHandlesNeeded();
    virtual void PaintBackground(HDC dc);

    void FontChanged() override;
    void ColorChanged() override;
    void CaptionChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void BoundsChanged() override;

private:
    static LRESULT CALLBACK FrameworkWndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PlatformWndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool HasNonClientArea() const;
    // WndProc's steps: what every control's window handles (its own class's or a platform
    // control's), then what only the framework's own windows do; true when handled (result set).
    bool HandleAnyWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleOwnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* of a child's window go to the child's Reflected.
    bool ReflectToSender(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PaintFromMessage();  // WM_PAINT through the shared paint buffer
    // Mouse messages for the windowless children; false when none is under the pointer or pressed.
    bool RouteMouseToWindowless(UINT message, int x, int y);
    TControl* WindowlessChildAt(int x, int y) const;
    void DestroyHandle();
    // This window and its visible children's (CreateHandle once it is decided to make them).
    void MakeWindows();
    void MakeWindowAhead();
    // This window's client area and its shown children's painted into dc (WM_PRINTCLIENT).
    void PaintAhead(HDC dc);
    // The window (or an ancestor's) was made ahead and has not shown since.
    bool AwaitingFirstShow() const;
    void FirstShowOfWindowMadeAhead();
    // A window made after its siblings' takes the place in their stacking it would have had.
    void TakeCreationPlace();
    // The window of a control first shown after its parent's window was made, with its children's.
    void CreateShownHandle();
    // Focus asked for before the window was made is given once it is.
    void TakeAskedFocus();
    void UpdateWindowFont();
    // The form of leaving forgets its active control when it is leaving or inside it.
    static void ForgetActiveControlIn(const TControl& leaving);

    HWND hwnd_ = nullptr;
    bool subclassed_ = false;
    WNDPROC platformProc_ = nullptr;  // a subclassed platform control's own window procedure
    bool tabStop_ = false;
    std::vector<TControl*> controls_;     // z-order = creation order
    std::vector<TWinControl*> tabList_;   // windowed children in tab order
    UniqueBrush colourBrush_;
    TColor brushColour_ = clNone;
    TControl* mouseCapture_ = nullptr;    // windowless child pressed, until release or capture lost
    bool madeAhead_ = false;              // made ahead hidden, not shown since
    std::vector<std::pair<const void*, std::unique_ptr<ParentPart>>> parts_;
};

// A window of the framework's own class that paints itself: override Paint.
class TCustomControl : public TWinControl {
public:
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
};

// The top-level window.
class TForm : public TCustomControl {
public:
    TForm();
    ~TForm() override;
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    void SetClientWidth(int width);
    void SetClientHeight(int height);

    // Creates every window, centres the form on the screen, fires OnShow and shows it. The window
    // stays hidden until all of that is done; then it is shown and painted at once. An exception
    // on the way (a window not created, OnShow) goes to the default exception report after the
    // window is shown; Show itself does not throw. Without a window (its own failed) the form
    // stays hidden: HandleAllocated tells.
    void Show();
    // After Show's first paint, one idle turn of the application's loop: makes the window of the
    // next hidden control that has none, hidden (TWinControl::MakeNextWindowAhead). False when none
    // is left, before the form is on the screen, and after a window could not be made (its show
    // then makes it, and reports a failure, as for a window never made ahead).
    bool MakeNextWindowAhead();
    // Show is at work before the window is shown.
    bool SettingUp() const { return holdHidden_; }

    // Null once the control left the form (destroyed or moved elsewhere, or a container of it).
    TWinControl* ActiveControl() const { return activeControl_; }
    // Remembers the focused control (every focus change inside the form reports here).
    void SetActiveControl(TWinControl* control);
    // Moves the focus to the next control in tab order that can take it (Tab / Shift+Tab).
    bool SelectNext(TWinControl* current, bool forward);
    // Flat list of every windowed control in tab order, depth first.
    std::vector<TWinControl*> TabOrderList() const;

    NotifyEvent OnCreate;
    NotifyEvent OnShow;

    // Accessibility: the client area, named by the window's title.
    bool AccScreenRect(RECT& rect) const override;

    // Reports Show's steps as they end ("created", "shown", "painted"), for start-up timing.
    std::function<void(const char* step)> OnShowStep;
    // Called after the description was applied (the window's OnCreate moment): keeps the design
    // values of every pixel property (framework/Scaling.h) and scales the window to the DPI of
    // the screen it will show on, then runs OnCreate.
    void Loaded() override;
    // The design values the window keeps (framework/Scaling.h).
    const std::vector<DesignValue>& Design() const { return design_; }
    // Sets every pixel value of the window and its controls from the design, scaled to `dpi`
    // (nothing when the window is at that DPI already). A shown window is moved and sized by the
    // caller (WM_DPICHANGED gives the rectangle).
    void ScaleTo(int dpi);

protected:
    void CreateParams(WindowParams& params) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void VisibleChanged() override;

private:
    // The window's frame around a client area of the design's size scaled to `dpi`.
    SIZE WindowSizeAt(int dpi) const;
    // Show's steps.
    std::exception_ptr CreateWindowsHidden();  // the form's and its visible controls' windows
    void ScaleToWindowDpi();  // to the DPI of the screen the window came up on
    void CentreOnScreen();
    std::exception_ptr RunOnShow();  // OnShow, then the windows of what it showed
    void PutOnScreen();  // shown and painted at once, the start-up steps reported (OnShowStep)

    TWinControl* activeControl_ = nullptr;
    std::vector<DesignValue> design_;  // taken once the description is applied
    bool created_ = false;
    bool holdHidden_ = false;  // Show is setting the window up: Visible does not reach the window
};

// Process-wide registration of the framework's window class; idempotent.
const wchar_t* FrameworkWindowClass();

// The framework control whose window hwnd is (its own or a subclassed platform window); null for
// any other window, and for a framework window before WM_NCCREATE or after WM_NCDESTROY.
TWinControl* ControlFromHandle(HWND hwnd);


// Converts between the program's single-byte text (the ANSI code page) and the platform's UTF-16.
using base::Narrow;
using base::Widen;

// Registers the framework's own classes (TForm excluded: the application registers its form).
void RegisterFrameworkClasses(ClassRegistry& registry);

}  // namespace fw
