#include "base/win/AnsiText.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace base {
namespace {

int Length(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("text too long to convert");
    }
    return static_cast<int>(size);
}

template <class Wide>
Wide WidenAs(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int length = Length(ansi.size());
    const int count = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    Wide wide(static_cast<std::size_t>(count), 0);
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, reinterpret_cast<wchar_t*>(wide.data()), count);
    return wide;
}

}  // namespace

std::wstring Widen(std::string_view ansi) { return WidenAs<std::wstring>(ansi); }

std::u16string WidenToUtf16(std::string_view ansi) { return WidenAs<std::u16string>(ansi); }

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length = Length(wide.size());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

std::string Narrow(std::u16string_view wide) {
    return Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(wide.data()), wide.size()));
}

}  // namespace base
