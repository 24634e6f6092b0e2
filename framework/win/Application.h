#pragma once
// The application object: owns the process-wide lifetimes (COM single-threaded apartment, GDI+)
// and the message loop. One per process, on the user-interface thread. It makes the process
// per-monitor DPI aware first where the manifest did not (framework/win/Dpi.h).
//
// The loop: GetMessage (a -1 result ends the loop), then the form's keyboard navigation filter
// (Tab / Shift+Tab, Enter, arrows among radio buttons, accelerators), then Translate/Dispatch;
// when the queue is empty, idle turns (the pages' windows made ahead after the first paint).
// Modal message boxes and the input box run nested loops of the platform's in which timers still
// tick: an animated progress bar moves while such a box is open, and only then while the wizard
// works.
//
// Default exception report: an exception that leaves an event handler is caught by the window
// trampoline, handed to fw::ReportException (framework/win/ExceptionReport.h) and shown by
// ShowException: its message (a full stop added when the message is not
// empty and its last character sorts after "."), the application's title as caption, an OK button
// and the error icon. The loop then goes on.

#include <windows.h>

#include <exception>
#include <string>

namespace fw {

class TForm;

class Application {
public:
    Application();   // declares DPI awareness, initialises COM (STA) and GDI+
    ~Application();  // in reverse order, each only if it was started
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application& Instance();

    // The program's file name without folder and without everything from its first dot, every
    // character after the first in lower case ("CriaBD.exe" -> "Criabd").
    const std::string& Title() const { return title_; }

    void SetMainForm(TForm* form) { mainForm_ = form; }
    TForm* MainForm() const { return mainForm_; }

    // Runs the loop until Terminate; returns the exit code. While no message waits (input, paint,
    // timer), the loop takes idle turns (IdleTurn) until they have nothing left to do.
    int Run();
    // One idle turn: the main form makes the window of its next hidden control ahead
    // (TForm::MakeNextWindowAhead), one per turn, so that input waits for one at most. False when
    // there is nothing left to make.
    bool IdleTurn();
    // Handles every message waiting in the queue as the loop does, then returns (a WM_QUIT among
    // them ends the loop: Terminated). For work that must let the window answer meanwhile.
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Handles one message through the navigation filter; returns true when consumed.
    bool PreTranslate(MSG& msg);

    // The default exception report of an exception caught by a trampoline.
    static void HandleException(std::exception_ptr error);
    void ShowException(const std::string& message);
    // Counts reports shown (tests check that a failure gives exactly one).
    int ExceptionReports() const { return reports_; }

private:
    void HandleMessage(MSG& msg);
    bool comStarted_ = false;
    ULONG_PTR gdiplusToken_ = 0;
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    int reports_ = 0;
};

// The application's title for the program at path: the file name without folder and without
// everything from its first dot, every character after the first in lower case.
std::string ApplicationTitle(const std::wstring& path);

// The text an exception report shows for message: a full stop is appended when the message is
// not empty and its last character sorts after "." (portable rule, exposed for tests).
std::string ExceptionReportText(const std::string& message);

}  // namespace fw
