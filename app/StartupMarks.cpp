#include "app/StartupMarks.h"

#include <cstdio>
#include <cstring>

namespace app {

StartupMarks::StartupMarks() {
    wchar_t name[64];
    StartupMarkBlockName(::GetCurrentProcessId(), name);
    mapping_ = ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!mapping_) return;
    block_ = static_cast<StartupMarkBlock*>(::MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(StartupMarkBlock)));
}

StartupMarks::~StartupMarks() {
    if (block_) ::UnmapViewOfFile(block_);
    if (mapping_) ::CloseHandle(mapping_);
}

void StartupMarks::Mark(const char* step) {
    if (!block_ || block_->count >= StartupMarkBlock::kMaxMarks) return;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    const int i = block_->count;
    block_->ticks[i] = now.QuadPart;
    std::strncpy(block_->names[i], step, sizeof block_->names[i] - 1);
    block_->count = i + 1;
}

}  // namespace app
