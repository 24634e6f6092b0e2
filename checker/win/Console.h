#pragma once
// VerificaBD's console: the report written as OutputText.h says (a console in UTF-16, a pipe or
// file in UTF-8); the password asked without echo; the pause before a console of its own closes.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace checker {

class Console {
public:
    Console();
    // Writes Windows-1252 text; every secret given to Hide is masked first (Redact).
    void Write(std::string_view text);
    void Hide(std::string secret);

    // The password: asked without echo, the prompt written to the console itself (CONOUT$), never
    // into a redirected output, so that "VerificaBD > relatorio.txt" still shows it on the screen
    // and keeps it out of the file. When standard input is not a console (a pipe or a file, as in
    // scripted runs), its first line is taken as it is, in the ANSI code page, and no prompt is
    // shown; it is waited on for at most `wait`. nullopt when there is no console and no input:
    // an input that ends with nothing in it (a line, even an empty one, is a password), or a
    // pipe that sends nothing within `wait`.
    std::optional<std::string> AskPassword(std::string_view prompt, std::chrono::milliseconds wait);

    // The next line of a standard input that is not a console (the password's and /corrigir's
    // answers come through here, in turn), waited on for at most `wait`: nullopt when the input
    // ended, or the wait passed, with nothing read. A read still blocked then is not abandoned:
    // the next call awaits the same read, so no two reads take from the input at once.
    std::optional<std::string> ReadInputLine(std::chrono::milliseconds wait);

    // Whether the program has a console of its own (started by a double click): then it waits
    // for Enter before the window closes.
    bool OwnConsole() const;
    void WaitForEnter();

private:
    struct Reading;
    bool console_ = false;
    std::vector<std::string> secrets_;
    std::shared_ptr<Reading> reading_;  // the input's read in progress, shared with its thread
};

}  // namespace checker
