// Linked into every Windows test program: before any test runs, the program writes one byte to the
// file that WIZARD_START_MARK names, when cmake/wine-run.sh set it. The runner starts a program
// once more only when it ended in failure without that byte: Wine gave up starting it before any
// of its code ran (seen under load: exit code 1, no output). A program that ran is never rerun.
#include <windows.h>

namespace {

const bool kStartMarked = [] {
    // The ANSI call keeps the variable's name as plain bytes in the program file, where the runner
    // looks for it; the path is an ASCII temporary file's.
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WIZARD_START_MARK", path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool marked = WriteFile(file, "1", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    return marked;
}();

}  // namespace
