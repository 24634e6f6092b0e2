#pragma once
// The screen's DPI of the Wine prefix (or Windows user) the test runs in, for programs started
// from now on: HKCU\Control Panel\Desktop\LogPixels, read by each program when it starts (a running
// program never sees a change). Put back to 96 when the object goes. Only for tests that run in
// the DPI tests' own prefix (tests/support/own_prefix.sh), one at a time.

#include <windows.h>

#include <stdexcept>

namespace testsupport {

class ScreenDpi {
public:
    explicit ScreenDpi(int dpi) { Set(dpi); }
    ~ScreenDpi() {
        try {
            Set(96);
        } catch (...) {
        }
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

    static void Set(int dpi) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open HKCU\\Control Panel\\Desktop");
        const DWORD value = static_cast<DWORD>(dpi);
        const LONG result =
            RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) throw std::runtime_error("cannot set LogPixels");
    }
};

}  // namespace testsupport
