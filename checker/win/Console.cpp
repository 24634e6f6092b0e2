#include "checker/win/Console.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <windows.h>

#include "base/win/AnsiText.h"
#include "checker/OutputText.h"
#include "checker/Report.h"
#include "provisioning/win/Win32Services.h"

namespace checker {

Console::Console() {
    DWORD mode = 0;
    console_ = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void Console::Hide(std::string secret) {
    if (!secret.empty()) secrets_.push_back(std::move(secret));
}

void Console::Write(std::string_view text) {
    // The program never prints a password itself; this is the last guard, for every one it knows.
    std::string safe(text);
    for (const std::string& secret : secrets_) safe = Redact(std::move(safe), secret);
    const std::string bytes = OutputBytes(safe, console_ ? Sink::Console : Sink::PipeOrFile);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (console_) {
        WriteConsoleW(out, bytes.data(), static_cast<DWORD>(bytes.size() / 2), &written, nullptr);
    } else {
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

namespace {

// One byte of a pipe, awaited until `deadline`: nullopt at its end, or when nothing came in time.
std::optional<char> PipeByte(HANDLE pipe, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return std::nullopt;  // closed: its end
        if (available > 0) {
            char c = 0;
            DWORD read = 0;
            if (!ReadFile(pipe, &c, 1, &read, nullptr) || read == 0) return std::nullopt;
            return c;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        Sleep(20);
    }
}

}  // namespace

std::optional<std::string> Console::AskPassword(std::string_view prompt, std::chrono::milliseconds wait) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(in, &mode)) {
        // The console's own screen buffer, whatever standard output was redirected to.
        const OwnedFile screen(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
        auto toScreen = [&](std::string_view text) {
            if (!screen) return;
            const std::string bytes = OutputBytes(text, Sink::Console);
            DWORD written = 0;
            WriteConsoleW(screen.Get(), bytes.data(), static_cast<DWORD>(bytes.size() / 2), &written, nullptr);
        };
        toScreen(prompt);
        SetConsoleMode(in, (mode | ENABLE_LINE_INPUT) & ~ENABLE_ECHO_INPUT);
        wchar_t buffer[512] = {};
        DWORD read = 0;
        ReadConsoleW(in, buffer, 511, &read, nullptr);
        SetConsoleMode(in, mode);
        toScreen("\n");
        std::wstring wide(buffer, read);
        while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.pop_back();
        return base::Narrow(wide);
    }
    // Not a console: one line, byte by byte so nothing after it is taken. A pipe may never send
    // anything (a program that holds it open): it is waited on for a bounded time.
    const bool pipe = GetFileType(in) == FILE_TYPE_PIPE;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string password;
    bool any = false;
    for (;;) {
        std::optional<char> c;
        if (pipe) {
            c = PipeByte(in, deadline);
        } else {
            char byte = 0;
            DWORD read = 0;
            if (in != nullptr && in != INVALID_HANDLE_VALUE && ReadFile(in, &byte, 1, &read, nullptr) && read == 1) c = byte;
        }
        if (!c) break;
        any = true;
        if (*c == '\n') break;
        password += *c;
    }
    if (!any) return std::nullopt;
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

bool Console::OwnConsole() const {
    DWORD processes[2] = {};
    return console_ && GetConsoleProcessList(processes, 2) == 1;
}

void Console::WaitForEnter() {
    Write("\nPrima Enter para fechar.");
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    wchar_t buffer[64];
    DWORD read = 0;
    ReadConsoleW(in, buffer, 64, &read, nullptr);
}

}  // namespace checker
