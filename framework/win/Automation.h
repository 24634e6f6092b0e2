#pragma once
// Automation responder: lets a test driver in another process read the state of every control of
// a window, windowed or not (labels, images and the progress bar have no window of their own, and
// many windows share a class name), by the controls' component names.
//
// Transport (one request, one reply, both WM_COPYDATA, so it also works while a modal message box
// runs its nested loop; it does not work while the user-interface thread is busy, which a driver
// sees as a time-out and treats as "busy"):
//   driver -> main window:  WM_COPYDATA, wParam = the driver's reply window,
//                           dwData = kAutomationDescribe, data = kAutomationProtocol (ASCII)
//   main window -> driver:  WM_COPYDATA (sent, 5 s time-out) before the request returns,
//                           wParam = the main window, dwData = kAutomationReply, data = the reply
//   The request returns TRUE when the reply was delivered.
//
// Reply text (ASCII; byte values outside printable ASCII only appear percent-encoded):
//   first line   "fwauto 1"                         (or "fwauto-error <reason>" and nothing else)
//   then one line per control, in tree order (a parent before its children), fields separated by
//   one TAB, each line ended by LF:
//     name     component name ("Seguinte"); percent-encoded
//     class    class name ("TAdvGlassButton"); percent-encoded
//     handle   the control's window handle in hexadecimal without prefix, "0" when not windowed
//     parent   name of the parent control, empty for the root; percent-encoded
//     visible  "1"/"0": shown, and every parent shown too
//     enabled  "1"/"0": enabled itself (a disabled parent is not folded in)
//     focused  "1"/"0": has the keyboard focus
//     checked  "1"/"0" for radio buttons and check boxes, "-" for anything else
//     rect     screen rectangle "left,top,right,bottom" (right and bottom exclusive), decimal
//     text     the caption or text as Windows-1252 bytes; percent-encoded
//     extras   class-specific state, "key=value" pairs joined by ",", keys and values
//              percent-encoded ("PageIndex=2,Animated=1"); may be empty
//   Percent-encoding: every byte below 0x21 or above 0x7E, and each of "%", ",", "=", is written as
//   "%" and two upper-case hexadecimal digits; all other bytes stand for themselves.
//
// The responder only reads: it never changes a control. It answers only WM_COPYDATA carrying
// kAutomationDescribe; every other message goes on to the window's own procedure.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

inline constexpr ULONG_PTR kAutomationDescribe = 0x46574144;  // "FWAD"
inline constexpr ULONG_PTR kAutomationReply = 0x46574152;     // "FWAR"
inline constexpr std::string_view kAutomationProtocol = "fwauto 1";

struct AutomationRecord {
    std::string name;
    std::string className;
    std::uintptr_t handle = 0;  // HWND value, 0 for a control without a window
    std::string parent;         // empty for the root
    bool visible = false;
    bool enabled = false;
    bool focused = false;
    int checked = -1;           // -1: not checkable; 0 or 1 otherwise
    RECT screen{};              // screen pixels, right and bottom exclusive
    std::string text;           // Windows-1252 bytes
    std::vector<std::pair<std::string, std::string>> extras;

    // The value of an extra, if the record has it.
    std::optional<std::string> Extra(std::string_view key) const;
};

// One line of the reply, without its LF.
std::string FormatAutomationRecord(const AutomationRecord& record);
// Empty optional when the line does not have the eleven fields or a field is malformed.
std::optional<AutomationRecord> ParseAutomationRecord(std::string_view line);

// The lines of a list of records, each ended by LF (what a describe function returns).
std::string FormatAutomationRecords(const std::vector<AutomationRecord>& records);
// Empty optional (with the reason in *error when given) for a reply that is not protocol 1 or
// holds a malformed line.
std::optional<std::vector<AutomationRecord>> ParseAutomationReply(std::string_view reply,
                                                                  std::string* error = nullptr);

std::string PercentEncode(std::string_view bytes);
std::optional<std::string> PercentDecode(std::string_view text);

// Answers describe requests sent to mainWindow: the protocol line followed by describe()'s text,
// which is the control lines of the format above (FormatAutomationRecords builds them). The window
// is subclassed; the responder goes away with the window. An exception thrown by describe is
// answered as "fwauto-error <what>".
// Returns false when the window could not be subclassed.
bool InstallAutomation(HWND mainWindow, std::function<std::string()> describe);

}  // namespace fw
