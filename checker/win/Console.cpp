#include "checker/win/Console.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

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

struct Console::Reading {
    std::mutex mutex;
    std::condition_variable done;
    std::string line;
    bool any = false;
    bool ended = false;
};

// The line is read byte by byte, so that nothing after it is taken, on a thread of its own and
// awaited for at most `wait`: a pipe may never send anything (a program that holds it open), and
// a blocked read cannot be bounded otherwise on every kind of pipe. A read still blocked when the
// program ends is left to end with the process.
std::optional<std::string> Console::ReadInputLine(std::chrono::milliseconds wait) {
    if (!reading_) {
        reading_ = std::make_shared<Reading>();
        std::thread([reading = reading_, in = GetStdHandle(STD_INPUT_HANDLE)] {
            for (;;) {
                char c = 0;
                DWORD read = 0;
                const bool got = ReadFile(in, &c, 1, &read, nullptr) && read == 1;
                std::lock_guard lock(reading->mutex);
                if (got) reading->any = true;
                if (!got || c == '\n') {
                    reading->ended = true;
                    reading->done.notify_all();
                    return;
                }
                reading->line += c;
            }
        }).detach();
    }
    std::unique_lock lock(reading_->mutex);
    if (!reading_->done.wait_for(lock, wait, [&] { return reading_->ended; })) return std::nullopt;
    const bool any = reading_->any;
    std::string line = std::move(reading_->line);
    lock.unlock();
    reading_.reset();
    if (!any) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

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
    return ReadInputLine(wait);
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
