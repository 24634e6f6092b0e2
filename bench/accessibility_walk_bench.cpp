// One walk of the wizard's whole accessible tree from another process, as a screen reader makes
// it: the window's client object, then every element under it (visible or not) with its role,
// name, state, value and location, children through AccessibleChildren. Starts CriaBD.exe from
// the bin folder in a temporary folder, waits for its window, makes one walk that is not timed
// (the first request makes the objects), then times --walks N walks (default 50) and prints each
// figures: elements read, median, fastest and slowest walk in milliseconds; the median of a walk
// of only what shows (what a screen reader reads: the inactive pages left out); and the median of
// one reading of the GUI tests' driver (driver/Snapshot.h: what shows, values only where a role
// carries one, places when asked for) on a fresh tree, and through the tree the driver keeps
// between readings (App::Read: elements and roles kept), and one control looked for (App::Get).
// Needs a display (under Wine an X server such as Xvfb named by DISPLAY).
// Run: DISPLAY=:1 build/windows/wine-run.sh build/windows/bin/accessibility_walk_bench.exe

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "driver/Accessible.h"
#include "driver/Driver.h"
#include "driver/Snapshot.h"
#include "bench/BenchClock.h"

namespace {

int ReadAll(const gui::Accessible& root) {
    int elements = 0;
    for (const gui::Accessible& element : gui::Descendants(root)) {
        element.Role();
        element.Name();
        element.State();
        element.Value();
        element.Location();
        ++elements;
    }
    return elements;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int walks = 50;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--walks") == 0) walks = std::max(1, std::atoi(argv[i + 1]));
    }
    try {
        gui::ComScope com;
        gui::StagingFolder folder;
        const auto exe = folder.Copy(gui::ProgramFolder() / "CriaBD.exe");
        auto app = gui::App::Launch(exe, folder.Path());
        const HWND window = app->WaitForMainWindow(nullptr, L"Criação de Base de Dados (v 1.1)");
        gui::WaitFor([&] { return gui::Accessible::FromWindow(window).Children().size() > 0; }, "the tree");
        const int elements = ReadAll(gui::Accessible::FromWindow(window));

        std::vector<double> times, shownTimes, snapshotTimes, keptTimes, findTimes;
        const gui::Named next{ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>"};
        gui::ReaderTree kept;
        int shown = 0;
        std::size_t heard = 0;
        std::optional<gui::Snapshot> previous;
        for (int i = 0; i < walks; ++i) {
            auto start = bench::Clock::now();
            ReadAll(gui::Accessible::FromWindow(window));
            times.push_back(bench::Lap(start));
            shown = gui::ReadShown(gui::Accessible::FromWindow(window));
            shownTimes.push_back(bench::Lap(start));
            previous = gui::Snapshot::Of(window);
            heard = previous->Elements().size();
            snapshotTimes.push_back(bench::Lap(start));
            gui::Snapshot::Of(window, std::chrono::milliseconds(5000), kept);
            keptTimes.push_back(bench::Lap(start));
            if (!gui::Snapshot::FindOne(window, next, std::chrono::milliseconds(5000), kept))
                throw gui::DriverError("no Seguinte");
            findTimes.push_back(bench::Lap(start));
        }
        std::sort(times.begin(), times.end());
        std::printf("one walk of the whole tree from another process (%d elements, each with role, name, state, "
                    "value, location and children), %d walks: median %.1f ms, fastest %.1f ms, slowest %.1f ms; "
                    "%.2f ms per element\n",
                    elements, walks, times[times.size() / 2], times.front(), times.back(),
                    times[times.size() / 2] / elements);
        std::printf("one walk of what shows (%d elements, as a screen reader reads the first page): median %.1f ms\n",
                    shown, Median(shownTimes));
        std::printf("one reading of the GUI tests' driver on a fresh tree (%zu elements of the first page): median "
                    "%.1f ms\n",
                    heard, Median(snapshotTimes));
        std::printf("the same through the tree the driver keeps between readings: median %.1f ms; one control looked "
                    "for (Seguinte): %.1f ms\n",
                    Median(keptTimes), Median(findTimes));
        kept.Forget();
        app->Kill();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "accessibility_walk_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
