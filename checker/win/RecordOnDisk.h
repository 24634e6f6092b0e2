#pragma once
// The record of /corrigir's changes on this PC (RepairRecord.h): VerificaBD-alteracoes.txt in
// CriaBD under the machine's common application data folder (C:\ProgramData), the same for every
// user. Each line is appended and flushed to the disk before the change it announces is made.

#include <string>

#include "checker/RepairRun.h"
#include "checker/win/Owned.h"

namespace checker {

class RecordOnDisk final : public RecordFile {
public:
    RecordOnDisk();  // the path only: the file is made by the first line
    bool Append(std::string_view line) override;
    std::string Where() const override { return path_; }
    std::string Now() const override;

    // The whole record; empty when there is none yet. `error` says why when it cannot be read.
    std::string Read(std::string& error) const;

private:
    bool Open();
    std::string folder_;
    std::string path_;
    OwnedFile file_;
};

}  // namespace checker
