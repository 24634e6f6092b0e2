#pragma once
// The small window that shows a glass button's shortcut hint: borderless, topmost, never
// activated, owned by the button's parent window. It paints a 16-band vertical gradient from
// Color to ColorTo, its text on one line centred both ways, and a grey round-cornered outline;
// its width is never less than the width of "O" plus 8. Font and margins are those of its button's
// DPI (the margins given at 96 DPI).

#include <windows.h>

#include <string>

#include "framework/Colour.h"
#include "framework/win/Gdi.h"

namespace ctl {

class ShortCutHintWindow {
public:
    explicit ShortCutHintWindow(HWND owner, int dpi = 96);
    ~ShortCutHintWindow();
    ShortCutHintWindow(const ShortCutHintWindow&) = delete;
    ShortCutHintWindow& operator=(const ShortCutHintWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Sets the text and sizes the window to it (hidden windows stay hidden).
    void SetText(const std::string& text);
    SIZE Size() const;
    // Moves it (screen pixels) and shows it without activating it.
    void ShowAt(POINT topLeft);
    void MoveTo(POINT topLeft);

    fw::TColor Color = 0x80FFFF;
    fw::TColor ColorTo = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void Paint(HDC dc);

    HWND hwnd_ = nullptr;
    int dpi_;
    std::wstring text_;
    fw::UniqueFont font_;
};

}  // namespace ctl
