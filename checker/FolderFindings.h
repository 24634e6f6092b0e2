#pragma once
// Findings about the wizard's folder and its inputs that follow from the wizard's own rules: the
// database name it accepts (IsUsableDatabaseName), the scripts a run reads (ScriptsRead) and the
// runs that need the product's version (WantsVersionRow). Whatever a run may do without is an
// AVISO saying when it is needed; what every run needs is a FALHA.

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace checker
