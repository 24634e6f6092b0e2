// Start-up time of the wizard against two programs that show one window of its size
// (bench/minimal_window.cpp): the minimal program (nothing loaded but what every window needs), and
// the floor program (the same after loading what the wizard cannot start without: the common
// controls 6 with their manifest, COM and GDI+, declaring its DPI awareness, and drawing one GDI+
// string in the wizard's font, whose first use reads the installed fonts). Timed from process
// start to the first complete paint of the window; also the programs' working sets once they are
// up, and each of the wizard's pages' first show and every page switch. Needs a display (under Wine an X server such as
// Xvfb named by DISPLAY), with nothing else on it that could cover the middle of the screen.
//
// What is timed: from just before CreateProcess until the screen first shows the whole client
// area of the program's window as it looks once settled.
//   - "As it looks once settled" is a reference picture per program, taken in a warm-up run that
//     is not timed: the client area read from the screen after it has stayed unchanged for a
//     second.
//   - The timed runs poll: find the process's visible top-level window, read its client area from
//     the screen (BitBlt from the screen DC), compare with the reference (at most 1 pixel in 1,000
//     may differ). The first match ends the run.
//   Reading the screen cannot report early: the pixels only match once the program has painted
//   them and the platform has put them on the screen (Wine first paints into a window surface and
//   pushes it to the X server later). WaitForInputIdle is no help: Wine returns it at once.
//   Stale pixels cannot match either: the runs go round the three programs, whose pictures
//   differ, and all windows take the same place in the middle of the screen.
//   The polling takes CPU from the measured program (one 580 x 347 screen read of about 2 ms
//   every 6 ms or so, which also keeps the display server busy); every program bears the same
//   cost, and the resolution of a time is that period.
//
// The working set (GetProcessMemoryInfo) is read at the moment of the match, and again, with its
// peak, after the program has run idle for 500 ms.
//
// A page's first show and every switch: in a process of the bench's own (this program run with
// --page-shows, at the round's DPI) the real window is loaded from its description and shown as
// the wizard shows it; then the loop's idle turns make the other pages' windows ahead, as the
// wizard's loop does once it is idle after its first paint (each turn timed: input waits for one
// at most); then each page is selected in the wizard's order and painted at once (what
// "Seguinte >>" makes happen before the loop paints), timed from the selection to the end of the
// paint; then every switch from one page to another. A second set of processes
// (--page-shows-at-show) skips the idle turns, for the first shows of windows made at the show.
//
// Prints each run, the medians, both ratios of the medians (the goal: the wizard at most 1.1 times
// the floor), the memory figures, where the time goes (the start-up steps of the wizard and of the
// floor, which the wizard's benchmark build CriaBD-marks.exe and the floor record in a block the
// bench offers: app/StartupMarks.h; the program users get has no such block) and the pages' first
// shows; it is not a test. Options:
// --runs N (timed runs per program, default 15); --page-runs N (processes timing the pages' first
// shows, default 5); --dpi LIST (the screen DPIs to measure at, one round each, e.g. 96,144;
// default 96); --wizard FILE (another build of the wizard to time instead of the one beside the
// bench, e.g. one of before a change, to compare the two).
//
// The screen's DPI is the Wine prefix's (or the Windows user's) LogPixels, which each program reads
// when it starts: for a round at another DPI than the prefix's the bench sets it, and puts the
// prefix's own value back when it ends. Nothing else may start programs in the prefix meanwhile:
// run it in the DPI tests' prefix (WINEPREFIX=build/windows/wineprefix-dpi, where programs are DPI
// aware only when they say so), not beside a test run. The minimal program declares no DPI
// awareness: at every DPI it shows its 580 x 347 client area; the floor program, as the wizard,
// shows the design's size scaled to the screen's DPI.
// Run: build/windows/wine-run.sh build/windows/bin/startup_bench.exe (with DISPLAY set).

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/StartupMarks.h"
#include "framework/win/Application.h"
#include "framework/win/Gdi.h"

namespace {

// Seconds on the performance counter, not on the benchmarks' steady clock (bench/BenchClock.h):
// the wizard's start-up marks are counter values taken in its own process, and are set against
// these.
double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "startup_bench: %s\n", what.c_str());
    std::exit(1);
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// The client area of a window as the screen shows it, 0x00RRGGBB per pixel.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

class ScreenReader {
public:
    ScreenReader() : screen_(::GetDC(nullptr)), memory_(::CreateCompatibleDC(screen_)) {}
    ~ScreenReader() {
        if (bitmap_) ::DeleteObject(bitmap_);
        ::DeleteDC(memory_);
        ::ReleaseDC(nullptr, screen_);
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Mean duration of a read so far, in milliseconds.
    static double MeanReadMilliseconds() { return reads_ ? readSeconds_ * 1000.0 / reads_ : 0.0; }

    // False when the window is gone or has no client area.
    bool Read(HWND window, Picture& out) {
        const double began = Now();
        RECT client{};
        if (!::GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
        POINT origin{0, 0};
        ::ClientToScreen(window, &origin);
        Prepare(client.right, client.bottom);
        ::BitBlt(memory_, 0, 0, width_, height_, screen_, origin.x, origin.y, SRCCOPY | CAPTUREBLT);
        ::GdiFlush();
        out.width = width_;
        out.height = height_;
        out.pixels.assign(bits_, bits_ + static_cast<std::size_t>(width_) * height_);
        for (auto& p : out.pixels) p &= 0xFFFFFF;
        readSeconds_ += Now() - began;
        ++reads_;
        return true;
    }

private:
    void Prepare(int width, int height) {
        if (bitmap_ && width == width_ && height == height_) return;
        if (bitmap_) {
            ::SelectObject(memory_, old_);
            ::DeleteObject(bitmap_);
        }
        BITMAPINFO info = fw::TopDownBitmapInfo(width, height);
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_) Fail("cannot create a bitmap to read the screen into");
        old_ = ::SelectObject(memory_, bitmap_);
        bits_ = static_cast<const std::uint32_t*>(bits);
        width_ = width;
        height_ = height;
    }

    HDC screen_;
    HDC memory_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
    static inline double readSeconds_ = 0;
    static inline long reads_ = 0;
};

bool Matches(const Picture& shot, const Picture& reference) {
    if (shot.width != reference.width || shot.height != reference.height) return false;
    const std::size_t allowed = shot.pixels.size() / 1000;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < shot.pixels.size(); ++i)
        if (shot.pixels[i] != reference.pixels[i] && ++differing > allowed) return false;
    return true;
}

HWND VisibleWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found = nullptr;
    } search{processId};
    ::EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !::IsWindowVisible(window)) return TRUE;
            if (::GetWindow(window, GW_OWNER)) return TRUE;  // a top-level window of its own
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Program {
    const char* name;
    std::wstring path;
    Picture reference;
    std::vector<double> milliseconds;
    std::vector<double> visibleMilliseconds;  // until the window was first found visible
    std::vector<double> workingSetAtPaint;  // MiB
    std::vector<double> workingSetIdle;     // MiB
    std::vector<double> peakWorkingSet;     // MiB, after 500 ms idle
    // The program's own start-up steps (wizard only): name, then milliseconds from process start.
    std::vector<std::string> stepNames;
    std::vector<std::vector<double>> stepMilliseconds;
};

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS_EX Memory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        Fail("GetProcessMemoryInfo failed (error " + std::to_string(::GetLastError()) + ")");
    return counters;
}

void EndProcess(HANDLE process, HWND window) {
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "startup_bench: the program did not end on WM_CLOSE; killing it\n");
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 10000);
    }
}

// One run. Untimed: waits for a settled picture and keeps it as the program's reference. Timed:
// times the first match with the reference and reads the memory figures.
void Run(Program& program, bool timed) {
    ScreenReader reader;
    const std::wstring folder = ProgramFolder();
    std::wstring commandLine = L"\"" + program.path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    double started = 0;
    // Under Wine a start fails now and then (error 1359, once in a few hundred starts in a row): it
    // is tried again, and said so, rather than losing the rounds measured so far.
    for (int attempt = 1;; ++attempt) {
        started = Now();
        if (::CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, folder.c_str(), &startup, &info))
            break;
        const std::string failure =
            "cannot start " + std::string(program.name) + " (error " + std::to_string(::GetLastError()) + ")";
        if (attempt == 3) Fail(failure);
        std::fprintf(stderr, "startup_bench: %s; trying again\n", failure.c_str());
        ::Sleep(500);
    }
    // The block the wizard writes its start-up steps into, offered before it runs.
    wchar_t blockName[64];
    app::StartupMarkBlockName(info.dwProcessId, blockName);
    HANDLE block = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(app::StartupMarkBlock), blockName);
    auto* marks = block ? static_cast<app::StartupMarkBlock*>(
                              ::MapViewOfFile(block, FILE_MAP_READ, 0, 0, sizeof(app::StartupMarkBlock)))
                        : nullptr;
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);

    constexpr double kTimeout = 60.0;
    HWND window = nullptr;
    Picture shot;
    if (!timed) {
        // Reference: the picture once it has not changed for a second.
        Picture last;
        double stableSince = 0;
        for (;;) {
            if (Now() - started > kTimeout) Fail(std::string(program.name) + " never settled on a picture");
            if (::WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
                Fail(std::string(program.name) + " ended before showing its window");
            if (!window) window = VisibleWindowOf(info.dwProcessId);
            if (window && reader.Read(window, shot)) {
                if (shot.pixels != last.pixels) {
                    last = shot;
                    stableSince = Now();
                } else if (Now() - stableSince >= 1.0) {
                    break;
                }
            }
            ::Sleep(10);
        }
        program.reference = std::move(last);
    } else {
        double visible = 0;
        for (;;) {
            if (!window && (window = VisibleWindowOf(info.dwProcessId)) != nullptr) visible = Now();
            if (window && reader.Read(window, shot) && Matches(shot, program.reference)) break;
            if (Now() - started > kTimeout) Fail(std::string(program.name) + " never showed its reference picture");
            if (::WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
                Fail(std::string(program.name) + " ended before showing its window");
            ::Sleep(4);  // with a read of about 2 ms: the bench takes about a third of a core
        }
        const double painted = Now();
        const auto atPaint = Memory(info.hProcess);
        program.milliseconds.push_back((painted - started) * 1000.0);
        program.visibleMilliseconds.push_back((visible - started) * 1000.0);
        program.workingSetAtPaint.push_back(MiB(atPaint.WorkingSetSize));
        ::Sleep(500);
        const auto idle = Memory(info.hProcess);
        program.workingSetIdle.push_back(MiB(idle.WorkingSetSize));
        program.peakWorkingSet.push_back(MiB(idle.PeakWorkingSetSize));
        if (marks && marks->count > 0) {
            LARGE_INTEGER frequency;
            ::QueryPerformanceFrequency(&frequency);
            const int count = std::min<int>(marks->count, app::StartupMarkBlock::kMaxMarks);
            if (program.stepNames.empty()) {
                for (int i = 0; i < count; ++i) program.stepNames.emplace_back(marks->names[i]);
                program.stepMilliseconds.resize(count);
            }
            const double startedTicks = started * static_cast<double>(frequency.QuadPart);
            for (int i = 0; i < count && i < static_cast<int>(program.stepMilliseconds.size()); ++i) {
                program.stepMilliseconds[i].push_back((static_cast<double>(marks->ticks[i]) - startedTicks) * 1000.0 /
                                                      static_cast<double>(frequency.QuadPart));
            }
        }
    }
    if (marks) ::UnmapViewOfFile(marks);
    if (block) ::CloseHandle(block);
    EndProcess(info.hProcess, window);
    ::CloseHandle(info.hProcess);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// A program's own start-up steps (those it marked) and its time to the screen.
void PrintSteps(const Program& program, double onScreen) {
    std::printf("  %s\n", program.name);
    double previous = 0;
    for (std::size_t i = 0; i < program.stepNames.size(); ++i) {
        const double at = Median(program.stepMilliseconds[i]);
        std::printf("    %-22s at %7.1f   (+%6.1f)\n", program.stepNames[i].c_str(), at, at - previous);
        previous = at;
    }
    std::printf("    %-22s at %7.1f   (+%6.1f)\n", "on the screen", onScreen, onScreen - previous);
}

// The screen's DPI of the programs started from now on (HKCU\Control Panel\Desktop\LogPixels),
// and the value the prefix had before the bench, put back at exit.
class ScreenDpi {
public:
    static void Set(int dpi) {
        if (!saved_) {
            saved_ = true;
            DWORD value = 0, size = sizeof value, type = 0;
            had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, &type, &value, &size) ==
                   ERROR_SUCCESS;
            original_ = value;
            std::atexit(&Restore);
        }
        Write(static_cast<DWORD>(dpi));
    }

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    static void Write(DWORD value) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            Fail("cannot open HKCU\\Control Panel\\Desktop");
        ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        ::RegCloseKey(key);
    }
    static void Restore() {
        if (had_) {
            Write(original_);
        } else {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
        }
    }
    static inline bool saved_ = false, had_ = false;
    static inline DWORD original_ = 0;
};

struct RoundResult {
    int dpi;
    double wizard, minimal, floor;
};

RoundResult RunRound(int dpi, int runs, const std::wstring& wizardPath);
void RunPageShows(int dpi, int processes);
int TimePageShows(bool madeAhead);

}  // namespace

int main(int argc, char** argv) {
    int runs = 15, pageRuns = 5;
    std::vector<int> dpis;
    std::wstring wizardPath = ProgramFolder() + L"CriaBD-marks.exe";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--page-shows") == 0 || std::strcmp(argv[i], "--page-shows-at-show") == 0) {
            return TimePageShows(std::strcmp(argv[i], "--page-shows") == 0);  // a child of RunPageShows
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--page-runs") == 0 && i + 1 < argc) {
            pageRuns = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--dpi") == 0 && i + 1 < argc) {
            for (const char* p = argv[++i]; *p;) {
                dpis.push_back(std::atoi(p));
                while (*p && *p != ',') ++p;
                if (*p == ',') ++p;
            }
        } else if (std::strcmp(argv[i], "--wizard") == 0 && i + 1 < argc) {
            const std::string path = argv[++i];
            wizardPath.assign(path.begin(), path.end());
        } else {
            std::fprintf(stderr, "usage: startup_bench [--runs N] [--page-runs N] [--dpi 96,144] [--wizard FILE]\n");
            return 2;
        }
    }
    if (dpis.empty()) dpis.push_back(96);
    std::vector<RoundResult> results;
    for (int dpi : dpis) {
        if (dpis.size() > 1 || dpi != 96) ScreenDpi::Set(dpi);
        results.push_back(RunRound(dpi, runs, wizardPath));
        if (pageRuns > 0) RunPageShows(dpi, pageRuns);
    }
    if (results.size() > 1) {
        std::printf("\nstart-up by screen DPI (median to first complete paint)\n");
        for (const RoundResult& r : results)
            std::printf("  %3d DPI: wizard %7.1f ms, floor %7.1f ms, minimal %7.1f ms, ratio to the floor %.2fx, "
                        "to the minimal %.2fx\n",
                        r.dpi, r.wizard, r.floor, r.minimal, r.wizard / r.floor, r.wizard / r.minimal);
    }
    return 0;
}

namespace {

RoundResult RunRound(int dpi, int runs, const std::wstring& wizardPath) {
    const std::wstring folder = ProgramFolder();
    Program wizard{"wizard (CriaBD-marks.exe)", wizardPath};
    Program minimal{"minimal window", folder + L"minimal_window.exe"};
    Program floor{"floor window", folder + L"floor_window.exe"};
    const Program* programs[] = {&wizard, &minimal, &floor};
    for (const Program* p : programs)
        if (::GetFileAttributesW(p->path.c_str()) == INVALID_FILE_ATTRIBUTES)
            Fail("missing " + std::string(p->name));

    ::SetCursorPos(0, 0);  // away from the windows: no hover look in any picture
    std::printf("Start-up to first complete paint at %d DPI, %d timed runs per program, in turn\n", dpi, runs);
    for (Program* p : {&wizard, &minimal, &floor}) Run(*p, false);  // warm-up runs: the reference pictures
    for (int i = 0; i < runs; ++i) {
        for (Program* p : {&wizard, &minimal, &floor}) Run(*p, true);
        std::printf("  run %2d: wizard %7.1f ms (visible at %6.1f)   minimal %7.1f ms (visible at %6.1f)   "
                    "floor %7.1f ms (visible at %6.1f)\n",
                    i + 1, wizard.milliseconds.back(), wizard.visibleMilliseconds.back(), minimal.milliseconds.back(),
                    minimal.visibleMilliseconds.back(), floor.milliseconds.back(), floor.visibleMilliseconds.back());
        std::fflush(stdout);
    }
    const double w = Median(wizard.milliseconds), m = Median(minimal.milliseconds), f = Median(floor.milliseconds);
    std::printf("\nmedian (min, max): ");
    for (const Program* p : programs)
        std::printf("%s %.1f ms (%.1f, %.1f)%s", p->name, Median(p->milliseconds),
                    *std::min_element(p->milliseconds.begin(), p->milliseconds.end()),
                    *std::max_element(p->milliseconds.begin(), p->milliseconds.end()), p == &floor ? "\n" : "; ");
    std::printf("ratio wizard / minimal: %.2fx\n", w / m);
    std::printf("ratio wizard / floor: %.2fx\n", w / f);
    std::printf("goal (the wizard at most 1.10x the floor) at %d DPI: %s\n", dpi, w / f <= 1.1 ? "met" : "NOT met");
    std::printf("one read of the window from the screen took %.2f ms on average\n",
                ScreenReader::MeanReadMilliseconds());
    if (!wizard.stepNames.empty()) {
        std::printf("\nwhere the time goes (median ms from process start; step: time spent in it)\n");
        PrintSteps(wizard, w);
        PrintSteps(floor, f);
        std::printf("  (the minimal program is on the screen at %.1f)\n", m);
    }
    std::printf("\nworking set (median MiB)      at first paint   after 500 ms idle   peak\n");
    for (const Program* p : programs)
        std::printf("  %-26s %10.1f %18.1f %11.1f\n", p->name, Median(p->workingSetAtPaint), Median(p->workingSetIdle),
                    Median(p->peakWorkingSet));
    std::fflush(stdout);
    return {dpi, w, m, f};
}

// The figures of one page-show process: `processes` runs of this program with `option`, each
// printing one line of figures, gathered per column.
std::vector<std::vector<double>> PageShowFigures(const wchar_t* option, int processes, std::size_t count) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<std::vector<double>> columns(count);
    for (int run = 0; run < processes; ++run) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) Fail("cannot make a pipe");
        ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + option;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            Fail("cannot start the page-show process (error " + std::to_string(::GetLastError()) + ")");
        ::CloseHandle(writeEnd);
        std::string out;
        char buffer[512];
        DWORD got = 0;
        while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
        ::CloseHandle(readEnd);
        ::WaitForSingleObject(info.hProcess, 30000);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        std::vector<double> values;
        for (const char* p = out.c_str(); *p;) {
            char* end = nullptr;
            const double v = std::strtod(p, &end);
            if (end == p) break;
            values.push_back(v);
            p = end;
        }
        if (values.size() != count) Fail("the page-show process gave no figures: " + out);
        for (std::size_t i = 0; i < count; ++i) columns[i].push_back(values[i]);
    }
    return columns;
}

constexpr int kPages = 5;
constexpr std::size_t kSwitches = kPages * (kPages - 1);
// A made-ahead process's line: the idle turns (pages 1-4), the first shows (pages 1-4), then every
// switch from page `from` to page `to` (from 0 to 4, to 0 to 4 without from).
constexpr std::size_t kMadeAheadFigures = 4 + 4 + kSwitches;

// The pages' first shows and switches at one DPI, medians of `processes` processes each.
void RunPageShows(int dpi, int processes) {
    const auto ahead = PageShowFigures(L"--page-shows", processes, kMadeAheadFigures);
    const auto atShow = PageShowFigures(L"--page-shows-at-show", processes, 4);
    double longestTurn = 0, longestSwitch = 0;
    std::printf("\neach page's show at %d DPI (median ms of %d processes, from selecting the page to the end of its "
                "paint)\n",
                dpi, processes);
    std::printf("  page 0: shown at start-up\n");
    for (int page = 1; page < kPages; ++page) {
        const double turn = Median(ahead[page - 1]), first = Median(ahead[4 + page - 1]);
        std::printf("  page %d: first %6.1f (windows made ahead in an idle turn of %5.1f; made at the show: %6.1f)\n",
                    page, first, turn, Median(atShow[page - 1]));
        longestTurn = std::max(longestTurn, turn);
        longestSwitch = std::max(longestSwitch, first);
    }
    std::printf("  every switch, from the page of the row to the page of the column:\n        ");
    for (int to = 0; to < kPages; ++to) std::printf("  to %d ", to);
    std::size_t column = 8;
    for (int from = 0; from < kPages; ++from) {
        std::printf("\n  from %d", from);
        for (int to = 0; to < kPages; ++to) {
            if (to == from) {
                std::printf("      -");
                continue;
            }
            const double took = Median(ahead[column++]);
            longestSwitch = std::max(longestSwitch, took);
            std::printf(" %6.1f", took);
        }
    }
    std::printf("\n  longest idle turn %.1f ms; longest show or switch %.1f ms\n", longestTurn, longestSwitch);
    std::printf("goal (every first show and switch at most 16 ms, one frame at 60 Hz) at %d DPI: %s\n", dpi,
                longestSwitch <= 16.0 ? "met" : "NOT met");
    std::fflush(stdout);
}

// The child of RunPageShows: the real window, shown as the wizard shows it, its other pages' windows
// made ahead in idle turns (when asked), then each page's first show and every switch.
int TimePageShows(bool madeAhead) {
    fw::Application application;
    app::TfrmMain form;
    form.LoadDescription();
    application.SetMainForm(&form);
    ::SetCursorPos(0, 0);  // away from the window: no button shows its hover look
    form.Show();
    auto settle = [&] {
        const double until = Now() + 0.5;
        while (Now() < until) {
            application.ProcessMessages();
            ::Sleep(5);
        }
    };
    settle();
    std::vector<double> figures;
    if (madeAhead) {
        for (int page = 1; page < kPages; ++page) {
            const double began = Now();
            if (!application.IdleTurn()) Fail("an idle turn made no page's windows");
            figures.push_back((Now() - began) * 1000.0);
        }
        if (application.IdleTurn()) Fail("an idle turn made windows beyond the pages'");
        settle();
    }
    auto show = [&](int page) {
        const double began = Now();
        form.AdvPageControl1->SelectPage(page);
        form.Update();
        ::GdiFlush();
        const double took = (Now() - began) * 1000.0;
        application.ProcessMessages();
        return took;
    };
    for (int page = 1; page < kPages; ++page) figures.push_back(show(page));
    if (madeAhead) {
        for (int from = 0; from < kPages; ++from) {
            for (int to = 0; to < kPages; ++to) {
                if (to == from) continue;
                show(from);
                figures.push_back(show(to));
            }
        }
    }
    for (double f : figures) std::printf("%.3f ", f);
    std::printf("\n");
    std::fflush(stdout);
    application.SetMainForm(nullptr);
    return 0;
}

}  // namespace
