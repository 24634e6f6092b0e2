#pragma once
// What VerificaBD prints: one line per check, "[ OK ]", "[AVISO]" or "[FALHA]", the finding, and
// for every AVISO and FALHA a second line saying what to do. Texts are Windows-1252, as every
// text of the program; the console writer chooses the output encoding (OutputText.h).
// The finding texts are stable: the troubleshooting guide quotes them.

#include <string>
#include <string_view>
#include <vector>

namespace checker {

// The texts are plain literals in UTF-8 sources, compiled to Windows-1252 (-fexec-charset=CP1252,
// as the wizard's): a build without it would print UTF-8 bytes as if they were Windows-1252.
// (The fuzz build's compiler keeps UTF-8 literals; its targets compare no texts.)
#if defined(__GNUC__) && !defined(__clang__)
static_assert(sizeof("ç") == 2 && static_cast<unsigned char>("ç"[0]) == 0xE7, "the checker's texts need -fexec-charset=CP1252");
#endif

enum class Level { Ok, Warning, Failure };

struct Finding {
    Level level = Level::Ok;
    std::string text;    // the finding, one line
    std::string advice;  // what to do; empty for OK
};

inline Finding Ok(std::string text) { return {Level::Ok, std::move(text), {}}; }
inline Finding Warning(std::string text, std::string advice) { return {Level::Warning, std::move(text), std::move(advice)}; }
inline Finding Failure(std::string text, std::string advice) { return {Level::Failure, std::move(text), std::move(advice)}; }

// "[ OK ] text", or "[FALHA] text" then "        O que fazer: advice"; lines end with LF.
std::string FormatFinding(const Finding& finding);

// A section heading ("== Pasta ==").
std::string FormatHeading(std::string_view title);

// 0 when nothing failed, 1 when a check failed; bad options give kBadOptions before any check.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kBadOptions = 2;
int ExitCode(const std::vector<Finding>& findings);

// `secret` replaced by "***" in `text`, whatever its length: a secret of four characters or more
// wherever it stands, a shorter one wherever it stands as a word of its own (not inside a longer
// run of letters and digits, which it would blank out: "1" in "15.0"). Nothing for an empty one.
std::string Redact(std::string text, std::string_view secret);

}  // namespace checker
