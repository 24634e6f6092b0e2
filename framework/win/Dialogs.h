#pragma once
// Modal boxes owned by the wizard's window. While one is open the window takes no input; the
// platform's nested loop keeps dispatching timers. Afterwards the keyboard focus returns to the
// control that had it.

#include <windows.h>

#include <optional>
#include <string>

namespace fw {

class TForm;

// A platform message box (text and caption are single-byte text). Returns the button id.
int ShowMessageBox(TForm* owner, const std::string& text, const std::string& caption, UINT flags);

// An input box: caption, a prompt, an edit pre-filled with value, OK and Cancel. Returns the
// edited text on OK, nothing on Cancel or close.
std::optional<std::string> InputQuery(TForm* owner, const std::string& caption, const std::string& prompt,
                                      const std::string& value);

}  // namespace fw
