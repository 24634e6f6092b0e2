#pragma once
// The default exception report, for the framework's code that must not let an exception go on
// (the window trampoline, timer ticks, dialog procedures, a form's start): it hands the exception
// here and the application object shows it (framework/win/Application.h). Kept apart so that the
// window files need not know the application.

#include <exception>

namespace fw {

// Shows the report of an exception caught by a trampoline: through the application object while
// one exists, else as a plain error box.
void ReportException(std::exception_ptr error);

}  // namespace fw
