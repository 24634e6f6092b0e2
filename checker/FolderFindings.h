#pragma once
// Findings about the wizard's folder and its inputs that follow from the wizard's own rules: the
// database name it accepts (IsUsableDatabaseName), the scripts a run reads (ScriptsRead) and the
// runs that need the product's version (WantsVersionRow). Whatever a run may do without is an
// AVISO saying when it is needed; what every run needs is a FALHA.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/DataLinkCheck.h"
#include "checker/Report.h"
#include "provisioning/ProductVersion.h"

namespace checker {

// A FALHA naming the part of the rule the name breaks, when the wizard refuses it (it then shows
// "Erro na criação da base de dados!" before touching the server); nothing when it is usable.
// `wideName` is the name as the wizard widens it (the ANSI code page).
std::optional<Finding> DatabaseNameFinding(std::string_view name, std::u16string_view wideName);

// A script file that cannot be read: FALHA when every run reads it, AVISO saying when it is read
// otherwise. `reason` is the file-open error as the wizard would show it.
Finding MissingScriptFinding(std::string_view script, std::string_view reason);

// A product executable without version information: FALHA when every run for it needs the
// version (the wizard stops before changing the server), AVISO otherwise, naming the choice that
// needs it.
Finding MissingVersionFinding(prov::Product product);

// What the wizard's folder holds, as read from it (checker/win/FolderFacts.h).
struct FolderFacts {
    std::string folder;                       // with its trailing separator
    std::optional<std::string> newFileError;  // why a new file could not be made there; nullopt when it could
    struct Script {
        std::string name;                  // DBScript.inf, DBDefault.inf, DBDemo.inf
        std::optional<std::string> bytes;  // nullopt when it could not be read
        std::string readError;             // the file-open error as the wizard would show it
    };
    std::vector<Script> scripts;
    struct Executable {
        prov::Product product;
        std::optional<prov::ProductVersion> version;
    };
    std::vector<Executable> executables;  // the products' executables found there
    struct DataLink {
        std::string name;                          // VelmoPos.udl
        bool readOnly = false;
        std::optional<std::string> notReplaceable;  // why it cannot be opened for deleting (the wizard moves a new file over it)
        std::optional<std::vector<std::uint8_t>> bytes;
        std::string readError;
    };
    std::vector<DataLink> dataLinks;  // the products' data link files found there
};

struct NamedDataLink {
    std::string name;
    DataLinkContents contents;
};

struct FolderJudgement {
    std::vector<Finding> folder;   // the folder, the scripts present, the executables, the data link files
    std::vector<Finding> scripts;  // what each script read holds
    std::vector<NamedDataLink> dataLinks;  // the data link files whose connection is checked
};

FolderJudgement JudgeFolder(const FolderFacts& facts);

}  // namespace checker
