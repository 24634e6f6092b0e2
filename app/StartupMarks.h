#pragma once
// Start-up timing for the start-up benchmark: when the benchmark starts the program it offers a
// small shared memory block named after the program's process id, and the program writes the
// performance-counter time of each start-up step into it. Without that block (any ordinary start)
// nothing is recorded and marking costs one failed lookup at start.

#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace app {

struct StartupMarkBlock {
    static constexpr int kMaxMarks = 12;
    std::int32_t count;
    std::int64_t ticks[kMaxMarks];  // QueryPerformanceCounter values
    char names[kMaxMarks][24];
};

// The block's name for a process.
inline void StartupMarkBlockName(DWORD processId, wchar_t (&name)[64]) {
    std::swprintf(name, 64, L"Local\\CriaBD.StartupMarks.%lu", static_cast<unsigned long>(processId));
}

class StartupMarks {
public:
    StartupMarks();
    ~StartupMarks();
    StartupMarks(const StartupMarks&) = delete;
    StartupMarks& operator=(const StartupMarks&) = delete;

    void Mark(const char* step);

private:
    HANDLE mapping_ = nullptr;
    StartupMarkBlock* block_ = nullptr;
};

}  // namespace app
