#pragma once
// The record of /corrigir's changes, the way back for /desfazer: a text file in the machine's
// common application data folder, appended to and flushed line by line, never rewritten.
//
// Before a change is made, its line is written: the entry's number, the time, "alterar" ("repor"
// for /desfazer's own changes, which are never undone in turn), then the change (kind, target, value's name, the value before and after, the service that applies it, a login
// change's server).
// After it, a line with the same number says how it went: "feito", "falhou" (nothing changed),
// "em parte" (what was done, and how to undo it), "desfeito" (put back by /desfazer) or
// "desfazer falhou". Fields are separated by tabs, with backslash, tab, CR and LF escaped; a
// value is "-" when absent, else "=" and the value. Lines starting with '#' are comments.
// A last line without its line end (the program stopped while writing it) is ignored: the change
// after it was never started. No secret is ever a field: changes hold names and settings only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/Repairs.h"

namespace checker {

enum class EntryStatus {
    Started,  // written before the change; no outcome written (the program stopped meanwhile)
    Done,
    Failed,   // nothing changed
    Partly,   // part of it was made: `detail` says what
    Undone,
};

struct RecordEntry {
    int number = 0;
    std::string when;  // "2026-12-10 05:40:00", local time
    Change change;
    bool puttingBack = false;  // made by /desfazer
    EntryStatus status = EntryStatus::Started;
    std::string detail;  // the last "falhou", "em parte" or "desfazer falhou" line's text
};

struct RecordContents {
    std::vector<RecordEntry> entries;  // in the order they were started
    bool cutLastLine = false;          // the last line had no line end and was ignored
    int unreadLines = 0;               // lines of no known form, ignored
};

RecordContents ReadRecord(std::string_view text);

// The first line of a new record.
std::string RecordHeader();

// The lines (each ending in LF) written before a change and after it.
std::string StartedLine(int number, std::string_view when, const Change& change, bool puttingBack = false);
std::string OutcomeLine(int number, std::string_view when, EntryStatus status, std::string_view detail = {});
inline constexpr std::string_view kUndoFailed = "desfazer falhou";
std::string UndoFailedLine(int number, std::string_view when, std::string_view detail);

// The number of the next entry: one more than any in the record.
int NextEntryNumber(const RecordContents& record);

// What /desfazer offers, newest first: every entry that can be undone and may have changed
// something (done, partly done, or started without an outcome), and is not undone yet; only
// changes /corrigir makes (IsOwnChange), whatever else the record holds.
std::vector<RecordEntry> UndoPlan(const RecordContents& record);

}  // namespace checker
