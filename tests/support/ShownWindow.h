#pragma once
// A test's window shown on the screen for its pixels to be compared: as the application's main
// form, with the pointer clear of it (a button under the pointer would show its hover look).

#include <windows.h>

#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "support/InputEvents.h"

namespace testsupport {

inline void ShowClearOfThePointer(fw::Application& application, fw::TForm& form) {
    application.SetMainForm(&form);
    ::SetCursorPos(0, 0);
    form.Show();
    PointerToCorner();  // and again once it shows: see there
}

}  // namespace testsupport
