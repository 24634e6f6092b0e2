#pragma once
// /corrigir and /desfazer as a dialogue: each repair shown (what it changes, from what to what,
// and what else it affects), asked, recorded before it is made, made, read back, and reported.
// The system's side (the changes, the record file, the console) comes through the seams below,
// so that the whole dialogue runs in the native tests.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/RepairRecord.h"
#include "checker/Repairs.h"

namespace checker {

struct ActionResult {
    EntryStatus status = EntryStatus::Failed;  // Done, Failed (nothing changed) or Partly
    // Done: what was read back; Failed: why; Partly: what was done and how to undo it.
    std::string detail;
};

class RepairActions {
public:
    virtual ~RepairActions() = default;
    // Makes the change and reads it back: Done only when what is read back is what was asked.
    virtual ActionResult Make(const Change& change) = 0;
    virtual bool IsRunning(const std::string& service) = 0;
    // The user sessions connected to the server, where a connection can tell.
    virtual std::optional<int> ConnectedSessions() = 0;
};

class RepairDialogue {
public:
    virtual ~RepairDialogue() = default;
    virtual void Write(std::string_view text) = 0;
    // Writes the question and reads one answer; nullopt at the end of the input.
    virtual std::optional<std::string> Ask(std::string_view question) = 0;
};

class RecordFile {
public:
    virtual ~RecordFile() = default;
    // Appends the line and flushes it to the disk; false when it cannot.
    virtual bool Append(std::string_view line) = 0;
    virtual std::string Where() const = 0;  // the file's path, for the report
    virtual std::string Now() const = 0;    // "2026-12-10 05:40:00"
};

struct RepairCounts {
    int made = 0;
    int declined = 0;
    int failed = 0;  // failed or made only in part
    bool recordUnwritable = false;  // then nothing after it was changed
};

// /corrigir's dialogue over a plan that is not refused. `yesToAll` (/sim) answers every question
// yes (and says so). `firstNumber`: the record's next entry number.
RepairCounts MakeRepairs(const RepairPlan& plan, bool yesToAll, int firstNumber, RepairActions& actions,
                         RepairDialogue& dialogue, RecordFile& record);

// /desfazer's dialogue over UndoPlan's entries (newest first): each put back after a yes and
// marked undone; then, when a setting put back needs it, the service's restart, asked once.
RepairCounts UndoRepairs(const std::vector<RecordEntry>& plan, bool yesToAll, int firstNumber, RepairActions& actions,
                         RepairDialogue& dialogue, RecordFile& record);

// What a refused plan prints, and its exit code (2 without administrator rights, else 0).
struct RefusalReport {
    std::vector<Finding> findings;
    int exitCode = 0;
};
RefusalReport DescribeRefusal(const RepairPlan& plan, std::string_view server);

}  // namespace checker
