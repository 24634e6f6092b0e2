#pragma once
// The standard controls of the runtime. Labels and images are non-windowed (painted by their
// parent); edit boxes, radio buttons and check boxes are the platform's controls (themed by the
// common controls v6 manifest); the group box is a window of our own that holds its children.
//
// State after creation and notifications:
// - TLabel: auto-size on, no wrap, left-aligned, parent's colour; never takes the focus; its
//   accelerator ("&x") moves the focus to FocusControl.
// - TEdit: window colour, tab stop; Text reads the window's current text.
// - TRadioButton: unchecked, no tab stop; checking it unchecks the radio buttons of the same
//   parent, makes it the tab stop and fires OnClick (only on an effective change).
// - TCheckBox: unchecked, tab stop; a click toggles it and fires OnClick.
// - TImage: draws its PNG with alpha over whatever the parent painted beneath.

#include <string>

#include "framework/win/Controls.h"

namespace fw {

enum class TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
const EnumInfo& EllipsisPositionEnum();

class TLabel : public TGraphicControl {
public:
    TLabel();
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TEllipsisPosition EllipsisPosition() const { return ellipsis_; }
    void SetEllipsisPosition(TEllipsisPosition value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control) { focusControl_ = control; }

    void Paint(HDC dc) override;
    bool DialogChar(wchar_t ch) override;
    void Loaded() override { AdjustBounds(); }

    // Static text; its accelerator as the keyboard shortcut; a changed caption is announced.
    long AccRole() const override;
    std::wstring AccName() const override;
    DWORD AccState() const override;
    std::wstring AccKeyboardShortcut() const override;

protected:
    void FontChanged() override;
    void CaptionChanged() override;

private:
    UINT DrawFlags() const;
    void AdjustBounds();
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    TEllipsisPosition ellipsis_ = TEllipsisPosition::epNone;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TEdit : public TWinControl {
public:
    TEdit();
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    std::string Text() const;
    void SetText(std::string text) { SetCaption(std::move(text)); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // The masking character as a one-character text; empty for none.
    const std::string& PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(std::string value);

    bool WantsChars() const override { return true; }
    bool WantsArrows() const override { return true; }

    // Editable text named by its label: the label whose FocusControl it is, else the label on its
    // left in the same row. Its value is its text, except a password box's: protected, no value.
    long AccRole() const override;
    std::wstring AccName() const override;
    HRESULT AccValue(std::wstring& value) const override;
    DWORD AccState() const override;
    std::wstring AccKeyboardShortcut() const override;
    // The label that names the box; null when none does.
    const TLabel* NamingLabel() const;

protected:
    bool AccFocusable() const override { return true; }
    void CreateParams(WindowParams& params) override;
    void HandleCreated() override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SendPasswordChar();
    bool readOnly_ = false;
    std::string passwordChar_;
};

// Shared by radio buttons and check boxes: a platform BUTTON with our own check logic.
class TButtonControl : public TWinControl {
public:
    TButtonControl() { SetParentColor(true); }
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    bool Checked() const { return checked_; }
    virtual void SetChecked(bool value) = 0;

    // Own objects (the platform's report these buttons as a plain client area under Wine):
    // checked and unavailable states, the accelerator as keyboard shortcut, and a default action
    // that does what a person's click does.
    DWORD AccState() const override;
    std::wstring AccKeyboardShortcut() const override;
    HRESULT AccDoDefaultAction() override;

protected:
    bool AccFocusable() const override { return true; }
    void AccessibleAction(WPARAM part) override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void Clicked() = 0;  // BN_CLICKED from the platform control
    void StoreChecked(bool value);
    bool AcceleratedBy(wchar_t ch) const;  // the caption marks ch and the control can take the focus
    void HandleCreated() override;

private:
    bool checked_ = false;
};

class TRadioButton : public TButtonControl {
public:
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    void SetChecked(bool value) override;
    long AccRole() const override;
    std::wstring AccDefaultAction() const override;
    // The checked radio button is its group's stop (TabStop follows the check); with none of the
    // group checked and none marked as a stop, the first one that can take the focus is, so that
    // the keyboard alone can reach the group and choose. The group: the radio buttons of the parent.
    bool IsTabStop() const override;
    bool DialogKey(WPARAM key) override;  // arrows move among the radio buttons of the parent
    bool DialogChar(wchar_t ch) override;

protected:
    void CreateParams(WindowParams& params) override;
    void Clicked() override { SetChecked(true); }
};

class TCheckBox : public TButtonControl {
public:
    TCheckBox();
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    void SetChecked(bool value) override;
    bool DialogChar(wchar_t ch) override;
    long AccRole() const override;
    std::wstring AccDefaultAction() const override;

protected:
    void CreateParams(WindowParams& params) override;
    void Clicked() override { SetChecked(!Checked()); }
};

class TGroupBox : public TCustomControl {
public:
    TGroupBox();
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    void Paint(HDC dc) override;
    long AccRole() const override;  // a grouping named by its caption
};

// The encoded bytes of a picture file (PNG), kept unchanged; streamed as "Data".
class TPicture : public Persistent {
public:
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();
    const Bytes& Data() const { return data_; }
    void SetData(Bytes data);
    bool Empty() const { return data_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::function<void()> OnChange;

private:
    Bytes data_;
    int width_ = 0, height_ = 0;
};

class TImage : public TGraphicControl {
public:
    TImage();
    ~TImage() override;
    const ClassInfo& Class() const override;
    static const ClassInfo& StaticClass();

    TPicture& Picture() { return picture_; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);

    void Paint(HDC dc) override;
    long AccRole() const override;  // a graphic, unnamed

private:
    struct Decoded;
    void PictureChanged();
    TPicture picture_;
    // The picture as the first paint decoded it, kept for every later paint until it changes.
    std::unique_ptr<Decoded> decoded_;
    bool undecodable_ = false;
    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
};

}  // namespace fw
