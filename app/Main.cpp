#include "app/Main.h"

#include <algorithm>

#include "base/win/AnsiText.h"
#include "framework/Description.h"
#include "framework/win/Application.h"
#include "framework/win/Dialogs.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/DataLinkFile.h"
#include "provisioning/ProvisioningSequence.h"
#include "provisioning/UserTexts.h"
#include "provisioning/win/Win32Services.h"

namespace app {

using namespace fw;

namespace {

constexpr char kDescriptionResource[] = "MAIN_DESCRIPTION";
constexpr char kDescriptionFile[] = "Main.description";

// The description text compiled into the program.
std::string_view DescriptionText() {
    HRSRC resource = ::FindResourceA(nullptr, kDescriptionResource, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!resource) throw std::runtime_error("The window description is missing from the program");
    HGLOBAL loaded = ::LoadResource(nullptr, resource);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    return {bytes, ::SizeofResource(nullptr, resource)};
}

// Messages of the server page, in the order the entries are checked.
constexpr char kNoServer[] = "Falta identificar o servidor SQL!";
constexpr char kNoUser[] = "Falta identificar o utilizador!";
constexpr char kNoDatabase[] = "Falta definir o nome da base de dados!";
constexpr char kNoPassword[] =
    "Não foi introduzida password para o Utilizador!\n"
    "Embora isso seja possível, constitui uma falha na segurança da base de dados.\n"
    "Deseja continuar?";
constexpr char kNoProduct[] = "Tem de seleccionar um software!";

}  // namespace

const ClassRegistry& WizardClasses() {
    static const ClassRegistry registry = [] {
        ClassRegistry r;
        RegisterFrameworkClasses(r);
        ctl::RegisterPageControlClasses(r);
        ctl::RegisterGlassButtonClass(r);
        ctl::RegisterSmoothPanelClasses(r);
        ctl::RegisterProgressBarClass(r);
        RegisterDatabaseClasses(r);
        return r;
    }();
    return registry;
}

TfrmMain::TfrmMain() : programFolder_(prov::ProgramFolder()) {}
TfrmMain::~TfrmMain() = default;

const ClassInfo& TfrmMain::StaticClass() {
    static const ClassInfo info{"TfrmMain", &TForm::StaticClass(), {}};
    return info;
}
const ClassInfo& TfrmMain::Class() const { return StaticClass(); }

void TfrmMain::LoadDescription() { LoadDescription(DescriptionText(), kDescriptionFile); }

void TfrmMain::LoadDescription(std::string_view text, std::string_view fileName) {
    const ObjectNode tree = ParseDescription(text, fileName);
    ApplyDescription(tree, *this, WizardClasses(), fileName);
}

EventHandler TfrmMain::FindMethod(std::string_view name) {
    using Handler = void (TfrmMain::*)(Component&);
    static constexpr std::pair<std::string_view, Handler> kHandlers[] = {
        {"FormCreate", &TfrmMain::FormCreate},       {"FormShow", &TfrmMain::FormShow},
        {"SeguinteClick", &TfrmMain::SeguinteClick}, {"AnteriorClick", &TfrmMain::AnteriorClick},
        {"btCancelClick", &TfrmMain::btCancelClick}, {"NormalClick", &TfrmMain::NormalClick},
        {"rCloudClick", &TfrmMain::rCloudClick},
    };
    for (const auto& [handlerName, handler] : kHandlers) {
        if (handlerName == name) return [this, handler](Component& sender) { (this->*handler)(sender); };
    }
    return {};
}

template <typename T>
T* TfrmMain::Bind(std::string_view name) {
    auto* component = dynamic_cast<T*>(FindComponent(name));
    if (!component) {
        throw DescriptionError(kDescriptionFile, 0, std::string(name),
                               "the window needs a component of this name and class");
    }
    return component;
}

void TfrmMain::Loaded() {
    AdvSmoothPanel1 = Bind<ctl::TAdvSmoothPanel>("AdvSmoothPanel1");
    Image1 = Bind<TImage>("Image1");
    Image3 = Bind<TImage>("Image3");
    AdvPageControl1 = Bind<ctl::TAdvPageControl>("AdvPageControl1");
    btCancel = Bind<ctl::TAdvGlassButton>("btCancel");
    Seguinte = Bind<ctl::TAdvGlassButton>("Seguinte");
    Anterior = Bind<ctl::TAdvGlassButton>("Anterior");
    velmocafe = Bind<TRadioButton>("velmocafe");
    velmofact = Bind<TRadioButton>("velmofact");
    velmopos = Bind<TRadioButton>("velmopos");
    velmorest = Bind<TRadioButton>("velmorest");
    servidor = Bind<TEdit>("servidor");
    instancia = Bind<TEdit>("instancia");
    basedados = Bind<TEdit>("basedados");
    utilizador = Bind<TEdit>("utilizador");
    password = Bind<TEdit>("password");
    ck_servidor = Bind<TEdit>("ck_servidor");
    ck_basedados = Bind<TEdit>("ck_basedados");
    ck_utilizador = Bind<TEdit>("ck_utilizador");
    Normal = Bind<TRadioButton>("Normal");
    cDemo = Bind<TCheckBox>("cDemo");
    rCloud = Bind<TRadioButton>("rCloud");
    cRecuperacao = Bind<TCheckBox>("cRecuperacao");
    DBProgress = Bind<ctl::TAdvProgressBar>("DBProgress");
    Label23 = Bind<TLabel>("Label23");
    csy = Bind<TDbConnection>("csy");
    TForm::Loaded();  // OnCreate
}

int TfrmMain::ActivePageIndex() const { return AdvPageControl1->ActivePageIndex(); }

// ---------------------------------------------------------------------------------------------
// Start-up

void TfrmMain::FormCreate(Component&) { software.clear(); }

void TfrmMain::FormShow(Component&) {
    for (int page = 0; page < AdvPageControl1->PageCount(); ++page) AdvPageControl1->Page(page)->SetTabVisible(false);
    AdvPageControl1->SelectPage(kProductPage);
    char name[256] = {};
    DWORD size = 256;
    if (::GetComputerNameA(name, &size)) servidor->SetText(name);  // up to the first NUL
    Seguinte->SetFocus();
}

void TfrmMain::btCancelClick(Component&) { Application::Instance().Terminate(); }

// ---------------------------------------------------------------------------------------------
// Navigation

void TfrmMain::SeguinteClick(Component& sender) {
    const int page = ActivePageIndex();
    if (page == kProductPage && !ChooseProduct()) return;
    if (page == kServerPage && !ValidateServerPage()) return;
    AdvPageControl1->SelectPage(page + 1);
    switch (ActivePageIndex()) {
        case kReviewPage:
            ArriveAtReviewPage();
            break;
        case kProgressPage:
            ArriveAtProgressPage(sender);
            break;
        default:
            break;  // the server and final pages have no work on arriving
    }
}

void TfrmMain::AnteriorClick(Component&) {
    Seguinte->SetEnabled(true);
    Anterior->SetEnabled(true);
    AdvPageControl1->SelectPage(ActivePageIndex() - 1);
    if (ActivePageIndex() == kProductPage) Anterior->SetEnabled(false);
}

void TfrmMain::NormalClick(Component&) {
    cDemo->SetEnabled(true);
    cRecuperacao->SetChecked(false);
    cRecuperacao->SetEnabled(false);
}

void TfrmMain::rCloudClick(Component&) {
    cRecuperacao->SetEnabled(true);
    cDemo->SetChecked(false);
    cDemo->SetEnabled(false);
}

bool TfrmMain::ChooseProduct() {
    struct Choice {
        TRadioButton* radio;
        prov::Product product;
        bool cloud;
    };
    const Choice choices[] = {{velmocafe, prov::Product::VelmoCafe, false},
                              {velmofact, prov::Product::VelmoFact, false},
                              {velmopos, prov::Product::VelmoPos, true},
                              {velmorest, prov::Product::VelmoRest, true}};
    const auto chosen = std::find_if(std::begin(choices), std::end(choices), [](const Choice& c) { return c.radio->Checked(); });
    if (chosen == std::end(choices)) {
        ShowMessageBox(this, kNoProduct, "Erro", MB_OK | MB_ICONERROR);
        return false;
    }
    software = std::string(prov::ProductName(chosen->product));
    rCloud->SetEnabled(chosen->cloud);
    prov::Win32VersionReader versions(programFolder_);
    basedados->SetText(prov::DefaultDatabaseName(software, versions.ReadProductVersion(software)));
    return true;
}

bool TfrmMain::ValidateServerPage() {
    struct Check {
        TEdit* edit;
        const char* message;
    };
    for (const Check& check : {Check{servidor, kNoServer}, Check{utilizador, kNoUser}, Check{basedados, kNoDatabase}}) {
        if (check.edit->Text().empty()) {
            ShowMessageBox(this, check.message, "Aviso", MB_OK | MB_ICONERROR);
            check.edit->SetFocus();
            return false;
        }
    }
    if (password->Text().empty() &&
        ShowMessageBox(this, kNoPassword, "Confirmação", MB_YESNO | MB_ICONQUESTION) == IDNO) {
        password->SetFocus();
        return false;
    }
    return true;
}

void TfrmMain::ArriveAtReviewPage() {
    const std::string instance = instancia->Text();
    ck_servidor->SetText(instance.empty() ? servidor->Text() : servidor->Text() + "\\" + instance);
    ck_basedados->SetText(basedados->Text());
    ck_utilizador->SetText(utilizador->Text());
    prov::Win32Files files;
    const std::optional<prov::DataLinkWriteFailure> failure = prov::WriteDataLinkFile(
        programFolder_, software, {ck_servidor->Text(), utilizador->Text(), password->Text(), basedados->Text()},
        files, base::WidenToUtf16);
    // Without its file the product cannot connect: the installation is not to end as a success
    // with nothing said. The wizard still goes on, as before.
    if (failure) {
        const prov::OwnedUserMessage warning = prov::DataLinkWriteWarning(failure->path, failure->reason);
        ShowMessageBox(this, warning.text, std::string(warning.caption), warning.flags);
    }
    Anterior->SetEnabled(true);
}

prov::Product TfrmMain::SelectedProduct() const {
    if (velmofact->Checked()) return prov::Product::VelmoFact;
    if (velmopos->Checked()) return prov::Product::VelmoPos;
    if (velmorest->Checked()) return prov::Product::VelmoRest;
    return prov::Product::VelmoCafe;
}

void TfrmMain::ArriveAtProgressPage(Component& sender) {
    Anterior->SetEnabled(false);
    Seguinte->SetEnabled(false);
    demo = cDemo->Checked();
    const prov::ProvisioningOptions options{demo, rCloud->Checked(), cRecuperacao->Checked()};
    DBProgress->SetAnimated(true);
    // The sequence keeps the loop from running until it asks something or ends: the progress page,
    // the bar running and the buttons disabled are painted now, not after it.
    Update();

    const prov::ProvisioningInputs inputs{
        SelectedProduct(),
        {ck_servidor->Text(), utilizador->Text(), password->Text(), basedados->Text()},
        options,
        programFolder_};
    prov::Win32Files files;
    prov::Win32VersionReader versions(programFolder_);
    prov::Win32Sleeper sleeper;
    prov::ProvisioningServices services{csy->Database(), *this, files, versions, sleeper, base::WidenToUtf16};
    // A failure without a guard of its own propagates to the default exception report; the
    // wizard then stays here with both buttons disabled and the bar running.
    if (prov::RunProvisioning(inputs, services) == prov::ProvisioningResult::Succeeded) {
        DBProgress->SetAnimated(false);
        SeguinteClick(sender);  // the second pass moves on to the final page
    }
}

// ---------------------------------------------------------------------------------------------
// What the provisioning sequence asks of the window

int TfrmMain::ShowMessage(std::string_view text, std::string_view caption, unsigned flags) {
    return ShowMessageBox(this, std::string(text), std::string(caption), flags);
}

std::optional<std::string> TfrmMain::AskText(std::string_view caption, std::string_view prompt,
                                             std::string_view defaultText) {
    return InputQuery(this, std::string(caption), std::string(prompt), std::string(defaultText));
}

void TfrmMain::SetAnimated(bool animated) { DBProgress->SetAnimated(animated); }

void TfrmMain::GoBackOnePage() { AnteriorClick(*Anterior); }

}  // namespace app
