#include "driver/Driver.h"

// <gdiplus.h> needs the full <windows.h> (no WIN32_LEAN_AND_MEAN) and these first.
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <thread>

#include "framework/win/Gdi.h"
#include "tests/support/InputEvents.h"

namespace gui {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr milliseconds kPoll{20};
constexpr milliseconds kSlowPoll{200};
constexpr milliseconds kPatience{1000};  // the polls at kPoll before they slow down to kSlowPoll
constexpr UINT kMessageTimeoutMs = 2000;

std::string Hex(std::uintptr_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
    return buffer;
}

// GDI+ for the PNG encoder and decoder, started once for the test process.
class GdiPlus {
public:
    static void Ensure() { static GdiPlus instance; }

private:
    GdiPlus() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok)
            throw DriverError("GDI+ did not start");
    }
    // Not shut down: the process ends with the test program, after every image is gone.
    ULONG_PTR token_ = 0;
};

CLSID PngEncoder() {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<std::uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (size == 0 || Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        throw DriverError("GDI+ lists no image encoders");
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) return codecs[i].Clsid;
    throw DriverError("GDI+ has no PNG encoder");
}

void SendInputs(std::initializer_list<INPUT> inputs) {
    std::vector<INPUT> list(inputs);
    if (SendInput(static_cast<UINT>(list.size()), list.data(), sizeof(INPUT)) != list.size())
        throw DriverError("SendInput refused the input");
}

bool SamePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

}  // namespace

bool UnderWine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// --- waiting -------------------------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto start = Clock::now();
    const auto deadline = start + timeout;
    for (;;) {
        const auto looked = Clock::now();
        if (condition()) return true;
        const auto now = Clock::now();
        if (now >= deadline) return false;
        // A reader rests at least as long as it looked: a reading of the accessible tree from
        // another process takes about 140 ms under Wine, and a reader that never rests takes a
        // core from the program it waits for. A wait that lasts (scripts that run, a server's
        // time-out) looks less often after its first second.
        const Clock::duration rest = now - start < kPatience ? kPoll : kSlowPoll;
        std::this_thread::sleep_for(std::max(rest, now - looked));
    }
}

void WaitFor(const std::function<bool()>& condition, std::string_view what, milliseconds timeout) {
    if (!WaitUntil(condition, timeout))
        throw DriverError("timed out after " + std::to_string(timeout.count()) + " ms waiting for " +
                          std::string(what));
}

// --- text ----------------------------------------------------------------------------------------

std::string ToCp1252(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring FromCp1252(std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// --- files ---------------------------------------------------------------------------------------

fs::path ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return fs::path(path).parent_path();
}

fs::path WizardFolder() {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"WIZARD_PROGRAM_FOLDER", folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? fs::path(folder) : ProgramFolder();
}

StagingFolder::StagingFolder() {
    static std::atomic<int> counter{0};
    const std::wstring name = L"guirig-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
    path_ = fs::temp_directory_path() / name;
    std::error_code error;
    if (!fs::create_directories(path_, error))
        throw DriverError("cannot create the staging folder " + path_.string() + ": " + error.message());
}

StagingFolder::~StagingFolder() {
    // A program that has just ended may hold its files for a moment longer.
    WaitUntil(
        [this] {
            std::error_code error;
            fs::remove_all(path_, error);
            return !fs::exists(path_, error);
        },
        milliseconds(5000));
}

fs::path StagingFolder::Copy(const fs::path& source, std::wstring_view newName) {
    const fs::path target = path_ / (newName.empty() ? source.filename() : fs::path(newName));
    std::error_code error;
    if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, error))
        throw DriverError("cannot copy " + source.string() + " to the staging folder: " + error.message());
    return target;
}

int StagingFolder::CopyMatching(std::initializer_list<std::wstring_view> patterns) {
    int copied = 0;
    for (const auto& entry : fs::directory_iterator(WizardFolder())) {
        if (!entry.is_regular_file()) continue;
        const std::wstring name = entry.path().filename().wstring();
        for (const auto pattern : patterns) {
            if (PathMatchSpecW(name.c_str(), std::wstring(pattern).c_str())) {
                Copy(entry.path());
                ++copied;
                break;
            }
        }
    }
    return copied;
}

// --- message boxes -------------------------------------------------------------------------------

std::string MessageBoxWindow::Caption() const { return WindowText(window_); }

std::string MessageBoxWindow::Text() const {
    HWND text = GetDlgItem(window_, 0xFFFF);
    if (!text) throw DriverError("the message box has no text control (id 0xFFFF)");
    return WindowText(text);
}

HWND MessageBoxWindow::Button(int id) const {
    HWND button = GetDlgItem(window_, id);
    if (!button || _wcsicmp(ClassName(button).c_str(), L"Button") != 0 || !IsWindowVisible(button))
        return nullptr;
    return button;
}

std::vector<int> MessageBoxWindow::ButtonIds() const {
    std::vector<int> ids;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (_wcsicmp(ClassName(child).c_str(), L"Button") == 0 && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    return ids;
}

void MessageBoxWindow::Answer(int id) const {
    HWND button = Button(id);
    if (!button) throw DriverError("the message box has no button with id " + std::to_string(id));
    // A click that the platform lost under load (rare; the box is still open seconds later) is
    // made again: a person clicks again too.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const RECT place = WindowRectOnScreen(button);
        RealClick(window_, {(place.left + place.right) / 2, (place.top + place.bottom) / 2});
        if (WaitUntil([this] { return !IsOpen(); }, milliseconds(3000))) return;
    }
}

int MessageBoxWindow::FocusedButton() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) || !info.hwndFocus) return 0;
    if (GetParent(info.hwndFocus) != window_ || _wcsicmp(ClassName(info.hwndFocus).c_str(), L"Button") != 0) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

std::vector<Heard> MessageBoxWindow::Hear() const { return Walk(Accessible::FromWindow(window_)); }

void MessageBoxWindow::AnswerWithKeys(int id) const {
    if (!Button(id)) throw DriverError("the message box has no button with id " + std::to_string(id));
    const int buttons = static_cast<int>(ButtonIds().size());
    WaitUntil([&] { return FocusedButton() != 0; }, milliseconds(2000));
    for (int tabs = 0; FocusedButton() != id; ++tabs) {
        if (tabs > buttons) throw DriverError("Tab never took the focus to button " + std::to_string(id));
        const int before = FocusedButton();
        PressKey(window_, VK_TAB);
        WaitFor([&] { return FocusedButton() != before; }, "Tab to move the focus in the message box",
                milliseconds(3000));
    }
    PressKey(window_, VK_SPACE);
}

namespace {

// A system icon drawn on a plain background, as 0x00RRGGBB pixels of a width x height area.
std::vector<std::uint32_t> DrawnIcon(const wchar_t* icon, int width, int height, std::uint32_t background) {
    BITMAPINFO info = fw::TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!memory || !bitmap) {
        if (memory) DeleteDC(memory);
        throw DriverError("cannot draw a reference icon");
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + width * height, background);
    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, icon), 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<std::uint32_t> drawn(pixels, pixels + width * height);
    for (auto& pixel : drawn) pixel &= 0xFFFFFFu;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return drawn;
}

}  // namespace

UINT MessageBoxWindow::Icon() const {
    constexpr int kIconId = 0x0440;  // the icon STATIC of the platform's message box
    HWND icon = GetDlgItem(window_, kIconId);
    if (!icon || !IsWindowVisible(icon)) return 0;
    const Image shot = CaptureScreen(ClientRectOnScreen(icon));
    const int width = shot.Width(), height = shot.Height();
    struct Kind {
        const wchar_t* icon;
        UINT style;
    };
    const Kind kinds[] = {{IDI_HAND, MB_ICONERROR},
                          {IDI_EXCLAMATION, MB_ICONWARNING},
                          {IDI_ASTERISK, MB_ICONINFORMATION},
                          {IDI_QUESTION, MB_ICONQUESTION}};
    UINT best = 0;
    double bestDifference = 1e9;
    for (const Kind& kind : kinds) {
        // The icon drawn on black and on white: where both agree it is opaque, and only there is it
        // compared with the screen (the box's own background does not matter).
        const auto onBlack = DrawnIcon(kind.icon, width, height, 0x000000);
        const auto onWhite = DrawnIcon(kind.icon, width, height, 0xFFFFFF);
        double difference = 0;
        int compared = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t b = onBlack[y * width + x];
                if (b != onWhite[y * width + x]) continue;
                const std::uint32_t a = shot.At(x, y);
                for (int channel = 0; channel <= 16; channel += 8)
                    difference += std::abs(int((a >> channel) & 0xFF) - int((b >> channel) & 0xFF));
                ++compared;
            }
        if (compared < width * height / 8) continue;  // (an icon of almost nothing tells nothing)
        difference /= 3.0 * compared;
        if (difference < bestDifference) {
            bestDifference = difference;
            best = kind.style;
        }
    }
    // Mean difference per channel out of 255 over the icon's opaque pixels: the right icon matches
    // exactly under Wine; a wrong one differs by far more.
    return bestDifference < 2.0 ? best : 0;
}

// --- images --------------------------------------------------------------------------------------

Image::Image(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
    if (width < 0 || height < 0 || pixels_.size() != static_cast<std::size_t>(width) * height)
        throw DriverError("image size and pixel count disagree");
}

std::uint32_t Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw DriverError("pixel (" + std::to_string(x) + "," + std::to_string(y) + ") outside a " +
                          std::to_string(width_) + "x" + std::to_string(height_) + " image");
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

int Image::CountNear(const RECT& area, std::uint32_t colour, int tolerance) const {
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x)
            if (ColourNear(At(x, y), colour, tolerance)) ++count;
    return count;
}

void Image::SavePng(const fs::path& file) const {
    GdiPlus::Ensure();
    if (width_ == 0 || height_ == 0) throw DriverError("cannot save an empty image");
    Gdiplus::Bitmap bitmap(width_, height_, width_ * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels_.data())));
    const CLSID png = PngEncoder();
    if (bitmap.Save(file.wstring().c_str(), &png, nullptr) != Gdiplus::Ok)
        throw DriverError("cannot save " + file.string());
}

Image Image::LoadPng(const fs::path& file) {
    GdiPlus::Ensure();
    Gdiplus::Bitmap bitmap(file.wstring().c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) throw DriverError("cannot read " + file.string());
    const int width = static_cast<int>(bitmap.GetWidth());
    const int height = static_cast<int>(bitmap.GetHeight());
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        throw DriverError("cannot read the pixels of " + file.string());
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<std::size_t>(y) * width], static_cast<BYTE*>(data.Scan0) + y * data.Stride,
                    static_cast<std::size_t>(width) * 4);
    bitmap.UnlockBits(&data);
    return Image(width, height, std::move(pixels));
}

bool ColourNear(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

Image CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) throw DriverError("empty capture area");
    BITMAPINFO info = fw::TopDownBitmapInfo(width, height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    std::vector<std::uint32_t> pixels;
    if (copied) {
        const auto* source = static_cast<const std::uint32_t*>(bits);
        pixels.assign(source, source + static_cast<std::size_t>(width) * height);
        for (auto& pixel : pixels) pixel |= 0xFF000000u;  // the screen has no alpha
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("BitBlt from the screen failed");
    return Image(width, height, std::move(pixels));
}

Image CaptureWindow(HWND window, bool clientOnly) {
    RECT area{};
    if (clientOnly) {
        area = ClientRectOnScreen(window);
    } else if (!GetWindowRect(window, &area)) {
        throw DriverError("no such window to capture");
    }
    return CaptureScreen(area);
}

// --- windows -------------------------------------------------------------------------------------

std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        throw DriverError("window " + Hex(reinterpret_cast<std::uintptr_t>(window)) +
                          " did not answer WM_GETTEXTLENGTH (busy or gone)");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        throw DriverError("window " + Hex(reinterpret_cast<std::uintptr_t>(window)) +
                          " did not answer WM_GETTEXT (busy or gone)");
    text.resize(std::min<std::size_t>(copied, length));
    return ToCp1252(text);
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(std::max(0, length)));
}

HWND ChildById(HWND parent, int id) {
    for (HWND child : Children(parent))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) WINAPI -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

RECT ClientRectOnScreen(HWND window) {
    RECT client{};
    if (!GetClientRect(window, &client)) throw DriverError("no such window");
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

bool Checked(HWND button) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &state))
        throw DriverError("button did not answer BM_GETCHECK (busy or gone)");
    return state == BST_CHECKED;
}

int TextLength(HWND edit) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        throw DriverError("the edit box did not answer WM_GETTEXTLENGTH (busy or gone)");
    return static_cast<int>(length);
}

DWORD Selection(HWND edit) {
    DWORD_PTR selection = 0;
    if (!SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &selection))
        throw DriverError("the edit box did not answer EM_GETSEL (busy or gone)");
    return static_cast<DWORD>(selection);
}

RECT WindowRectOnScreen(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) throw DriverError("no such window");
    return rect;
}

// --- real input ----------------------------------------------------------------------------------

void WaitForForeground(HWND root, milliseconds timeout) {
    // Asked for again now and then: under Wine a late focus event of the X server can hand the
    // foreground to the desktop just after it was given to the window (after a box closes, say).
    auto asked = Clock::now() - milliseconds(1000);
    // Foreground, and active on its own thread too: a click that reaches a window whose activation
    // is still on its way is undone by it (the activation moves the focus back, and a button that
    // loses the focus while pressed clicks nothing).
    const auto active = [root] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(root, nullptr), &info) && info.hwndActive == root;
    };
    WaitFor(
        [&] {
            if (GetForegroundWindow() == root && active()) return true;
            if (Clock::now() - asked >= milliseconds(300)) {
                SetForegroundWindow(root);
                asked = Clock::now();
            }
            return false;
        },
        "the window to become the foreground window", timeout);
}

void KeepForeground(HWND root) {
    if (GetForegroundWindow() != root) SetForegroundWindow(root);
}

void MovePointer(HWND root, POINT screen) {
    WaitForForeground(root);
    // The pointer moves asynchronously: move, then wait until it is there.
    SendInputs({testsupport::MouseEvent(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen)});
    const auto deadline = Clock::now() + milliseconds(3000);
    for (POINT now{}; !GetCursorPos(&now) || !SamePoint(now, screen);) {
        if (Clock::now() >= deadline)
            throw DriverError("timed out waiting for the pointer to reach " + std::to_string(screen.x) + "," +
                              std::to_string(screen.y));
        std::this_thread::sleep_for(milliseconds(2));  // it gets there within milliseconds
    }
}

void PressMouse(HWND root, POINT screen) {
    WaitForForeground(root);
    SendInputs({testsupport::MouseButtonAt(MOUSEEVENTF_LEFTDOWN, screen)});
}

void ReleaseMouse(HWND root, POINT screen) {
    WaitForForeground(root);
    SendInputs({testsupport::MouseButtonAt(MOUSEEVENTF_LEFTUP, screen)});
}

void RealClick(HWND root, POINT screen) {
    MovePointer(root, screen);
    // Press and release as separate inputs, as a hand does.
    PressMouse(root, screen);
    std::this_thread::sleep_for(milliseconds(50));
    ReleaseMouse(root, screen);
}

POINT PointIn(const Element& element, int dx, int dy) {
    const RECT r = element.Location();
    return {dx >= 0 ? r.left + dx : r.right + dx, dy >= 0 ? r.top + dy : r.bottom + dy};
}

void ClickControl(const Element& element) {
    if (!element.Enabled()) throw DriverError(Describe(element.What()) + " is unavailable");
    RealClick(element.Root(), element.Center());
}

void ClickToFocus(const App& app, const Element& element) {
    const HWND window = element.Window();
    for (int click = 1;; ++click) {
        ClickControl(element);
        if (WaitUntil([&] { return app.FocusedWindow() == window; }, milliseconds(4000))) return;
        if (click == 3) throw DriverError(Describe(element.What()) + " did not take the focus after three clicks");
    }
}

void PressKey(HWND root, WORD virtualKey, unsigned modifiers) {
    WaitForForeground(root);
    std::vector<WORD> held;
    if (modifiers & kCtrl) held.push_back(VK_CONTROL);
    if (modifiers & kAlt) held.push_back(VK_MENU);
    if (modifiers & kShift) held.push_back(VK_SHIFT);
    std::vector<INPUT> inputs = testsupport::Chord(held, virtualKey);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("SendInput refused the input");
}

void PressKey(HWND root, WORD virtualKey, unsigned modifiers, int times) {
    for (int i = 0; i < times; ++i) PressKey(root, virtualKey, modifiers);
}

void TypeText(HWND root, std::wstring_view text) {
    WaitForForeground(root);
    // One call for the whole text: the events reach the queue in order and at once.
    std::vector<INPUT> inputs;
    inputs.reserve(text.size() * 2);
    for (const wchar_t c : text) {
        inputs.push_back(testsupport::CharacterEvent(c, false));
        inputs.push_back(testsupport::CharacterEvent(c, true));
    }
    if (!inputs.empty() && SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("SendInput refused the input");
}

// --- the program under test ----------------------------------------------------------------------

App::App(HANDLE process, DWORD processId, DWORD threadId)
    : process_(process), processId_(processId), threadId_(threadId) {}

std::unique_ptr<App> App::Launch(const fs::path& exe, const fs::path& workFolder, std::wstring_view arguments) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + std::wstring(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workFolder.wstring().c_str(), &startup, &info))
        throw DriverError("cannot start " + exe.string() + " (error " + std::to_string(GetLastError()) + ")");
    CloseHandle(info.hThread);
    return std::unique_ptr<App>(new App(info.hProcess, info.dwProcessId, info.dwThreadId));
}

App::~App() {
    tree_.Forget();  // its references go while the program still runs
    if (Running()) Kill();
    CloseHandle(process_);
}

HWND App::WaitForMainWindow(const wchar_t* className, const wchar_t* title, milliseconds timeout) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        const wchar_t* title;
        HWND found = nullptr;
    } search{processId_, className, title};
    const auto look = [&search] {
        search.found = nullptr;
        EnumWindows(
            [](HWND window, LPARAM data) WINAPI -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner != s.processId || !IsWindowVisible(window)) return TRUE;
                if (s.className && ClassName(window) != s.className) return TRUE;
                if (s.title) {
                    wchar_t text[512] = {};
                    GetWindowTextW(window, text, 512);
                    if (std::wcscmp(text, s.title) != 0) return TRUE;
                }
                s.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    };
    const auto ended = [this] { return !Running(); };
    if (!WaitUntil([&] { return look() || ended(); }, timeout) || !search.found) {
        if (!Running()) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            throw DriverError("the program ended (exit code " + std::to_string(code) +
                              ") before showing its main window");
        }
        throw DriverError("timed out after " + std::to_string(timeout.count()) +
                          " ms waiting for the main window (class " + (className ? ToCp1252(className) : "any") +
                          ", title " + (title ? base::Cp1252ToUtf8(ToCp1252(title)) : "any") + ")");
    }
    main_ = search.found;
    return main_;
}

Snapshot App::Read(milliseconds busy) const {
    if (!main_) throw DriverError("Read before the main window was found");
    return Snapshot::Of(main_, busy, tree_);
}

Element App::Get(const Named& what) const {
    if (!main_) throw DriverError("Get before the main window was found");
    if (auto found = Snapshot::FindOne(main_, what, milliseconds(5000), tree_)) return *found;
    tree_.Forget();  // a reader that misses something looks again afresh
    return Read().Get(what);
}

void App::Await(const std::function<bool()>& look, std::string_view what, milliseconds timeout,
                const std::function<std::string()>& heard) const {
    std::string error;
    auto fresh = Clock::now() + milliseconds(1000);
    const bool met = WaitUntil(
        [&] {
            if (Clock::now() >= fresh) {
                tree_.Forget();
                fresh = Clock::now() + milliseconds(1000);
            }
            try {
                const bool holds = look();
                error.clear();
                return holds;
            } catch (const DriverError& e) {
                error = e.what();  // busy, or not there yet
                return false;
            }
        },
        timeout);
    if (met) return;
    std::string state = !error.empty() ? error : heard();
    if (auto box = FindMessageBox()) state += "\na message box \"" + base::Cp1252ToUtf8(box->Caption()) + "\" is open";
    throw DriverError("timed out after " + std::to_string(timeout.count()) + " ms waiting for " + std::string(what) +
                      " (" + state + ")");
}

Snapshot App::WaitFor(const std::function<bool(const Snapshot&)>& condition, std::string_view what,
                      milliseconds timeout) const {
    std::optional<Snapshot> last;
    Await([&] { return condition(last.emplace(Read(milliseconds(1000)))); }, what, timeout,
          [&] { return last ? "a reader heard:\n" + last->Describe() : std::string("no reading"); });
    return std::move(*last);
}

Element App::WaitFor(const Named& control, const std::function<bool(const Element&)>& condition,
                     std::string_view what, milliseconds timeout) const {
    if (!main_) throw DriverError("WaitFor before the main window was found");
    std::optional<Element> last;
    Await(
        [&] {
            last = Snapshot::FindOne(main_, control, milliseconds(1000), tree_);
            return last && condition(*last);
        },
        what, timeout,
        [&] {
            return last ? "a reader found it " + StateWords(last->State()) +
                              (last->Value() ? " = \"" + base::Cp1252ToUtf8(*last->Value()) + "\"" : "")
                        : "a reader finds no " + Describe(control);
        });
    return std::move(*last);
}

std::vector<Element> App::WaitForShown(long role, const std::function<bool(const std::vector<Element>&)>& condition,
                                       std::string_view what, milliseconds timeout) const {
    if (!main_) throw DriverError("WaitForShown before the main window was found");
    std::vector<Element> last;
    Await(
        [&] {
            last = Snapshot::FindAll(main_, role, milliseconds(1000), tree_);
            return condition(last);
        },
        what, timeout,
        [&] {
            std::string text = "a reader found " + std::to_string(last.size()) + " " + RoleName(role) + ":";
            for (const Element& e : last) text += " \"" + base::Cp1252ToUtf8(e.Name()) + "\"";
            return text;
        });
    return last;
}

std::optional<MessageBoxWindow> App::FindMessageBox() const {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId_,
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            if (IsWindowVisible(window) && ClassName(window) == L"#32770") {
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found) return std::nullopt;
    return MessageBoxWindow(found);
}

MessageBoxWindow App::WaitForMessageBox(milliseconds timeout) const {
    std::optional<MessageBoxWindow> box;
    gui::WaitFor([&] { return (box = FindMessageBox()).has_value(); }, "a message box", timeout);
    return *box;
}

void App::WaitForNoMessageBox(milliseconds timeout) const {
    gui::WaitFor([&] { return !FindMessageBox(); }, "the message box to close", timeout);
}

HWND App::FocusedWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info)) return nullptr;
    return info.hwndFocus;
}

void App::Settle() const {
    if (!main_) return;
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored);
    }
}

bool App::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD App::WaitForExit(milliseconds timeout) {
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        throw DriverError("the program was still running after " + std::to_string(timeout.count()) + " ms");
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

void App::Kill() {
    tree_.Forget();
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 10000);
}

}  // namespace gui
