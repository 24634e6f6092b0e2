#pragma once
// GUI driver: runs a real Windows program (the wizard, or a fixture) in a process of its own and
// drives it from the test process, as a user would, under Wine on an X display (Xvfb) or on
// Windows.
//
// Rules the helpers follow, so that tests do not depend on timing luck:
// - Every wait polls a condition (every 20 ms, every 200 ms after its first second) up to a
//   bounded time-out and then throws DriverError with what it was waiting for; nothing sleeps a
//   fixed time and hopes.
// - The program is worked as a person works it: keys and characters go through SendInput to
//   whatever has the focus, clicks are SendInput mouse presses at the control's place on the
//   screen (ClickControl, MessageBoxWindow::Answer). Each waits until the target's window is the
//   foreground window first. A handler that opens a modal box does not block the driver: input is
//   queued, not sent.
// - The program is read as a screen reader reads it, and only so: its accessible tree (App::Read,
//   driver/Snapshot.h: roles, names, states, values, places) and the platform's standard messages
//   for its standard controls (a message box's texts and buttons, an edit box's selection, a
//   button's check state). Controls are found by role and name, as a person finds them by what
//   they read; the program's component names stay its own.
// - Texts cross this interface as Windows-1252 bytes, as the programs under test hold them; the
//   tests are compiled with Windows-1252 narrow literals, so "Confirmação" compares as is.
// - Each test runs its own copy of the program in a fresh temporary folder (StagingFolder): the
//   wizard writes files beside itself, and tests must not see each other's files.
// - App's destructor kills the process if it still runs, and StagingFolder's removes the folder.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "driver/Snapshot.h"

namespace gui {

using std::chrono::milliseconds;
inline constexpr milliseconds kTimeout{15000};  // default bound of every wait

// A wait that ran out, a control that is missing, a program that did not start, ...
class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// The program did not answer in time: its user-interface thread is working, not running its loop.
class BusyError : public DriverError {
public:
    using DriverError::DriverError;
};

class App;

// Whether this process runs under Wine (whose standard controls read differently, see
// StandardControlRole).
bool UnderWine();

// Polls condition every 20 ms (every 200 ms after the first second); true as soon as it holds,
// false when timeout passes first.
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout = kTimeout);
// As WaitUntil, but throws DriverError("timed out after N ms waiting for <what>").
void WaitFor(const std::function<bool()>& condition, std::string_view what, milliseconds timeout = kTimeout);

// Reads until the reading equals want or the time-out passes, and returns the last reading, for a
// test to judge: what settles after an input (a focus, a walk of the tree, a box's buttons) is
// judged once settled, never on one early look. A reading that throws DriverError (a program busy,
// a control not there yet) is "not yet"; when no reading succeeded, the last error is thrown.
template <class T>
T ReadUntilEqual(const std::function<T()>& read, const T& want, milliseconds timeout = kTimeout) {
    std::optional<T> last;
    std::optional<DriverError> error;
    WaitUntil(
        [&] {
            try {
                last = read();
                return *last == want;
            } catch (const DriverError& e) {
                error = e;
                return false;
            }
        },
        timeout);
    if (!last) throw *error;
    return *last;
}

// Text conversions between the programs' Windows-1252 and the platform's UTF-16.
std::string ToCp1252(std::wstring_view text);
std::wstring FromCp1252(std::string_view text);
using base::Cp1252ToUtf8;  // for messages printed on a UTF-8 terminal

// The folder of the running test program (the build's bin folder, where the programs are).
std::filesystem::path ProgramFolder();
// Where the wizard, the products' executables and the script files to stage are taken from: the
// folder WIZARD_PROGRAM_FOLDER names (a release kit unpacked with a product and the scripts), else
// ProgramFolder().
std::filesystem::path WizardFolder();

// A fresh, uniquely named folder under the temporary folder; removed with its contents when the
// object goes (after the program in it has ended).
class StagingFolder {
public:
    StagingFolder();
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path File(std::wstring_view name) const { return path_ / name; }
    // Copies source into the folder (under newName when given); returns the copy's path.
    std::filesystem::path Copy(const std::filesystem::path& source, std::wstring_view newName = {});
    // Copies every file of WizardFolder() whose name matches one of the wildcard patterns
    // ("*.inf", "Velmo*.exe"); returns how many were copied.
    int CopyMatching(std::initializer_list<std::wstring_view> patterns);

private:
    std::filesystem::path path_;
};

// A message box (#32770 dialog) shown by the program.
class MessageBoxWindow {
public:
    explicit MessageBoxWindow(HWND window) : window_(window) {}
    HWND Window() const { return window_; }
    HWND Owner() const { return GetWindow(window_, GW_OWNER); }
    std::string Caption() const;
    std::string Text() const;              // the text STATIC (id 0xFFFF)
    HWND Button(int id) const;             // IDOK, IDCANCEL, IDYES, IDNO...; null when absent
    bool HasButton(int id) const { return Button(id) != nullptr; }
    std::vector<int> ButtonIds() const;    // the ids of the box's push buttons, in child order
    // Clicks the button with that id with the mouse and waits (a few seconds) for the box to go;
    // throws when the box has no such button.
    void Answer(int id) const;
    // Answers with the keyboard alone: Tab until the button with that id has the focus, then
    // Space. Throws when the box has no such button or the focus never reaches it.
    void AnswerWithKeys(int id) const;
    // The box's button that has the keyboard focus (its id), 0 when none has.
    int FocusedButton() const;
    // What a screen reader hears of the box: every element under its client object, in order.
    std::vector<Heard> Hear() const;
    bool IsOpen() const { return IsWindow(window_) && IsWindowVisible(window_); }
    // The icon the box shows, recognised from the screen (the icon belongs to the other process):
    // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION or MB_ICONQUESTION; 0 when it shows none
    // of them.
    UINT Icon() const;

private:
    HWND window_;
};

// Pixels of a screen area, 0xAARRGGBB, row by row from the top.
class Image {
public:
    Image() = default;
    Image(int width, int height, std::vector<std::uint32_t> pixels);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint32_t At(int x, int y) const;  // throws DriverError outside the image
    // Saves as PNG through GDI+; throws DriverError on failure.
    void SavePng(const std::filesystem::path& file) const;
    static Image LoadPng(const std::filesystem::path& file);
    // How many pixels of the rectangle are within tolerance (per channel) of colour.
    int CountNear(const RECT& area, std::uint32_t colour, int tolerance = 8) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// True when every colour channel of a and b differs by at most tolerance (alpha ignored).
bool ColourNear(std::uint32_t a, std::uint32_t b, int tolerance = 8);
// 0xAARRGGBB from a Windows COLORREF (0x00BBGGRR), opaque.
constexpr std::uint32_t Argb(COLORREF c) {
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// What the screen shows in a rectangle of screen coordinates (BitBlt from the screen).
Image CaptureScreen(const RECT& screenArea);
// What the screen shows of a window's client area (or of the whole window).
Image CaptureWindow(HWND window, bool clientOnly = true);

// Window helpers; all texts Windows-1252.
std::string WindowText(HWND window);  // WM_GETTEXT with a 2 s time-out; throws when busy
std::wstring ClassName(HWND window);
HWND ChildById(HWND parent, int id);
std::vector<HWND> Children(HWND parent);  // every descendant, in Z order per level
RECT ClientRectOnScreen(HWND window);
bool Checked(HWND button);
RECT WindowRectOnScreen(HWND window);

// The length of an edit box's text (WM_GETTEXTLENGTH, which a reader may ask even of a password
// box, whose text it may not read); throws when the box does not answer.
int TextLength(HWND edit);
// An edit box's selection (EM_GETSEL): start in the low word, end in the high word.
DWORD Selection(HWND edit);

// Real input. Each waits until root is the foreground window (asking for it again every 300 ms
// while it is not) and throws when it does not become so.
void WaitForForeground(HWND root, milliseconds timeout = kTimeout);
// Asks for the foreground again when root has lost it, as a person's click on the window would: a
// late focus event of the X server can take the activation even after the window had it. For a
// wait that needs the window active (its focus, say) without input of its own.
void KeepForeground(HWND root);
// Keyboard modifiers held around a key (combined with |).
enum Modifiers : unsigned { kNoModifier = 0, kShift = 1, kCtrl = 2, kAlt = 4 };
void PressKey(HWND root, WORD virtualKey, unsigned modifiers = kNoModifier);
void PressKey(HWND root, WORD virtualKey, unsigned modifiers, int times);
void TypeText(HWND root, std::wstring_view text);  // Unicode key events, one per character
// The mouse: the pointer moved to a screen point (waits until it is there), the left button
// pressed or released at a screen point (the pointer goes there in the same input), and a whole
// click (move, press, release).
void MovePointer(HWND root, POINT screen);
void PressMouse(HWND root, POINT screen);
void ReleaseMouse(HWND root, POINT screen);
void RealClick(HWND root, POINT screen);
// Clicks an element with the mouse at the middle of its place (its top-level window must be the
// foreground window); throws when it is unavailable.
void ClickControl(const Element& element);
// Clicks an element until its window holds the keyboard focus in app (an edit box: a person looks
// for the caret and clicks again when a click got lost under load); throws DriverError after
// three clicks.
void ClickToFocus(const App& app, const Element& element);
// A point of the element on the screen, dx/dy from its left/top edge (negative: from the right
// or bottom edge).
POINT PointIn(const Element& element, int dx, int dy);

// A program under test, started in its own process.
class App {
public:
    // Starts exe with workFolder as its current folder; throws DriverError when it cannot.
    static std::unique_ptr<App> Launch(const std::filesystem::path& exe, const std::filesystem::path& workFolder,
                                       std::wstring_view arguments = {});
    ~App();  // kills the process if it still runs
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD ProcessId() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }  // the program's first (user-interface) thread
    HANDLE Process() const { return process_; }

    // Waits for a visible top-level window of this process with that class and title (either may
    // be null: any).
    HWND WaitForMainWindow(const wchar_t* className, const wchar_t* title = nullptr,
                           milliseconds timeout = kTimeout);
    HWND MainWindow() const { return main_; }

    // What a screen reader hears of the main window now (one walk, through the tree kept of it).
    // Throws BusyError when the program does not answer within `busy`.
    Snapshot Read(milliseconds busy = milliseconds(5000)) const;
    // One control of it; throws DriverError when a reader hears none such, even on a fresh tree.
    Element Get(const Named& what) const;
    // Reads the main window until the condition holds and returns that reading. A busy program,
    // or a condition that throws DriverError (a control not there yet), is "not yet"; while it is,
    // the tree is made afresh every second. At the time-out, DriverError names what was waited
    // for and the last reading or error.
    Snapshot WaitFor(const std::function<bool(const Snapshot&)>& condition, std::string_view what,
                     milliseconds timeout = kTimeout) const;
    // As WaitFor, but looks at one control only, found as Get finds it (its role's elements are asked
    // their names, the rest only whether they show): until it shows and the condition holds of it.
    Element WaitFor(const Named& control, const std::function<bool(const Element&)>& condition, std::string_view what,
                    milliseconds timeout = kTimeout) const;
    // As WaitFor, but looks at the elements of one role only (Snapshot::FindAll): until the condition
    // holds of those that show, which are returned.
    std::vector<Element> WaitForShown(long role, const std::function<bool(const std::vector<Element>&)>& condition,
                                      std::string_view what, milliseconds timeout = kTimeout) const;

    // The message box open on the program's thread, if any (its visible #32770 window).
    std::optional<MessageBoxWindow> FindMessageBox() const;
    MessageBoxWindow WaitForMessageBox(milliseconds timeout = kTimeout) const;
    void WaitForNoMessageBox(milliseconds timeout = kTimeout) const;

    // The window that has the keyboard focus on the program's thread.
    HWND FocusedWindow() const;
    // Sends a few no-op messages to the main window: returns once the program has run its loop
    // that far (posted input may still be pending; check its effect with a wait).
    void Settle() const;

    bool Running() const;
    // The exit code once the process has ended; throws when it is still running at the time-out.
    DWORD WaitForExit(milliseconds timeout = kTimeout);
    void Kill();

private:
    App(HANDLE process, DWORD processId, DWORD threadId);
    // Looks until `look` holds: a busy program, or a look that throws DriverError, is "not yet", and
    // while it is, the tree is made afresh every second. At the time-out, DriverError names what was
    // waited for and the last error or what `heard` says of the last look.
    void Await(const std::function<bool()>& look, std::string_view what, milliseconds timeout,
               const std::function<std::string()>& heard) const;
    HANDLE process_;
    DWORD processId_;
    DWORD threadId_;
    HWND main_ = nullptr;
    // What this reader keeps of the main window between readings (driver/Snapshot.h).
    mutable ReaderTree tree_;
};

}  // namespace gui
