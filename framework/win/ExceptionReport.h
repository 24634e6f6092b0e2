#pragma once
// The default exception report, for the framework's code that must not let an exception go on
// (the window trampoline, timer ticks, dialog procedures, a form's start): it hands the exception
// here and the application object shows it (framework/win/Application.h). Kept apart so that the
// window files need not know the application.

#include <exception>
#include <utility>

namespace fw {

// Shows the report of an exception caught by a trampoline: through the application object while
// one exists, else as a plain error box.
void ReportException(std::exception_ptr error);

// A window procedure's work behind the firewall: nothing may unwind through the platform's window
// code, so an exception is reported and `failed` returned instead.
template <typename Work>
auto Firewalled(Work&& work, decltype(work()) failed = {}) noexcept -> decltype(work()) {
    try {
        return std::forward<Work>(work)();
    } catch (...) {
        ReportException(std::current_exception());
        return failed;
    }
}

}  // namespace fw
