#include "framework/win/Application.h"

#include <objbase.h>
#include <gdiplus.h>

#include <functional>
#include <stdexcept>

#include "framework/Colour.h"
#include "framework/win/Controls.h"
#include "framework/win/Dialogs.h"
#include "framework/win/Dpi.h"
#include "framework/win/ExceptionReport.h"

namespace fw {
namespace {

Application* g_instance = nullptr;

// System colours come from the running system's scheme.
std::uint32_t SystemColour(int index) { return static_cast<std::uint32_t>(::GetSysColor(index)); }

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

TWinControl* ControlOf(HWND hwnd) { return ControlFromHandle(hwnd); }

// Offers a dialog character to every control of the tree, in tab order of parents first.
bool OfferDialogChar(TWinControl& parent, wchar_t ch) {
    for (TControl* child : parent.Controls()) {
        if (!child->Visible()) continue;
        if (child->DialogChar(ch)) return true;
        if (auto* container = dynamic_cast<TWinControl*>(child); container && OfferDialogChar(*container, ch)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ExceptionReportText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

Application::Application() {
    if (g_instance) throw std::logic_error("one application object per process");
    g_instance = this;
    // Before any window: the platform takes no change of awareness once one exists.
    DeclareDpiAwareness();
    SetSystemColourSource(&SystemColour);
    comStarted_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) != Gdiplus::Ok) gdiplusToken_ = 0;
    wchar_t path[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    title_ = ApplicationTitle(path);
}

Application::~Application() {
    if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
    if (comStarted_) ::CoUninitialize();
    SetSystemColourSource(nullptr);
    g_instance = nullptr;
}

Application& Application::Instance() {
    if (!g_instance) throw std::logic_error("no application object");
    return *g_instance;
}

std::string ApplicationTitle(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1) ::CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return Narrow(name);
}

int Application::Run() {
    MSG msg{};
    bool idleWorkLeft = true;
    while (!terminated_) {
        while (idleWorkLeft && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) idleWorkLeft = IdleTurn();
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        HandleMessage(msg);
    }
    return 0;
}

bool Application::IdleTurn() { return mainForm_ && mainForm_->MakeNextWindowAhead(); }

void Application::ProcessMessages() {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            return;
        }
        HandleMessage(msg);
    }
}

void Application::HandleMessage(MSG& msg) {
    if (PreTranslate(msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Application::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    ::PostQuitMessage(0);
}

bool Application::PreTranslate(MSG& msg) {
    if (!mainForm_ || !mainForm_->HandleAllocated()) return false;
    if (::GetAncestor(msg.hwnd, GA_ROOT) != mainForm_->Handle()) return false;  // message boxes etc.
    try {
        TWinControl* focused = ControlOf(::GetFocus());
        if (msg.message == WM_KEYDOWN) {
            const WPARAM key = msg.wParam;
            if (key == VK_TAB && !KeyDown(VK_MENU)) {
                if (KeyDown(VK_CONTROL)) {
                    for (TWinControl* c = focused; c; c = c->Parent()) {
                        if (c->DialogKey(key)) return true;
                    }
                    return true;
                }
                mainForm_->SelectNext(focused, !KeyDown(VK_SHIFT));
                return true;
            }
            if (key == VK_RETURN || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN ||
                key == VK_ESCAPE) {
                if (focused && key == VK_RETURN && focused->WantsReturn()) return false;
                if (focused && key != VK_RETURN && key != VK_ESCAPE && focused->WantsArrows()) return false;
                for (TWinControl* c = focused; c; c = c->Parent()) {
                    if (c->DialogKey(key)) return true;
                }
                return key == VK_RETURN;  // a lone Enter does nothing (and does not beep)
            }
        } else if (msg.message == WM_SYSCHAR || (msg.message == WM_CHAR && !(focused && focused->WantsChars()))) {
            const auto ch = static_cast<wchar_t>(msg.wParam);
            if (ch > L' ' && OfferDialogChar(*mainForm_, ch)) return true;
        }
    } catch (...) {
        HandleException(std::current_exception());
        return true;
    }
    return false;
}

void ReportException(std::exception_ptr error) { Application::HandleException(error); }

void Application::HandleException(std::exception_ptr error) {
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    if (g_instance) {
        g_instance->ShowException(message);
    } else {
        ::MessageBoxA(nullptr, ExceptionReportText(message).c_str(), "", MB_OK | MB_ICONERROR);
    }
}

void Application::ShowException(const std::string& message) {
    ++reports_;
    ShowMessageBox(mainForm_, ExceptionReportText(message), title_, MB_OK | MB_ICONERROR);
}

}  // namespace fw
