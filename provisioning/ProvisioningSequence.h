#pragma once
// The provisioning sequence that runs when the wizard reaches its progress page: test the server,
// probe for the database, replace or create it, then fill it (schema, default data or store
// recovery, version row and store number, demonstration data, store renumbering).
//
// The caller (the window) has disabled both buttons, taken the options and started the
// animation. RunProvisioning then ends in one of three ways:
//   - Succeeded: the connection is closed; the caller stops the animation and moves on to the
//     final page;
//   - Failed / Refused: the sequence itself has shown its message (if any), stopped the
//     animation and gone back one page, in the order its failure exits give; the caller does
//     nothing more;
//   - an exception: a step without a guard of its own failed (ProvisioningPlan.h says which); the
//     caller hands it to the default exception report, whose text is what(), and the wizard
//     stays on the progress page with the animation running.

#include <string>

#include "provisioning/WidenFunction.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/Database.h"
#include "provisioning/Files.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/Sleeper.h"
#include "provisioning/WizardUi.h"

namespace prov {

struct ProvisioningOptions {
    bool demo = false;           // cDemo ticked
    bool cloud = false;          // rCloud selected
    bool storeRecovery = false;  // cRecuperacao ticked
};

struct ProvisioningInputs {
    Product product = Product::VelmoCafe;  // the selected product radio button
    ConnectionSettings settings;           // server as on the review page
    ProvisioningOptions options;
    std::string programFolder;             // the wizard's folder, with its trailing separator
};

struct ProvisioningServices {
    Database& db;
    WizardUi& ui;
    Files& files;
    VersionReader& versions;
    Sleeper& sleeper;
    WidenFunction widen = base::Cp1252ToUtf16;  // the ANSI code page, for the database-name check
};

enum class ProvisioningResult { Succeeded, Failed, Refused };

ProvisioningResult RunProvisioning(const ProvisioningInputs& inputs, ProvisioningServices& services);

// An unguarded failure of the sequence itself (the product's version cannot be read).
class ProvisioningError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace prov
