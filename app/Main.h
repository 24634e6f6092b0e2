#pragma once
// The wizard window. Its controls come from the window description (app/Main.description),
// compiled into the program; this class binds them by name and holds the wizard's handlers:
// start-up (FormCreate, FormShow, btCancelClick), page navigation with input validation
// (SeguinteClick, AnteriorClick, NormalClick, rCloudClick), the product choice, and the
// provisioning sequence run on arriving at the progress page.

#include <memory>
#include <string>

#include "app/DatabaseComponents.h"
#include "controls/win/AdvGlassButton.h"
#include "controls/win/AdvPageControl.h"
#include "controls/win/AdvProgressBar.h"
#include "controls/win/AdvSmoothPanel.h"
#include "framework/win/Controls.h"
#include "framework/win/StdCtrls.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/WizardUi.h"

namespace app {

// Page indices of AdvPageControl1.
enum WizardPage { kProductPage = 0, kServerPage = 1, kReviewPage = 2, kProgressPage = 3, kFinalPage = 4 };

class TfrmMain : public fw::TForm, private prov::WizardUi {
public:
    TfrmMain();
    ~TfrmMain() override;
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // Creates every control from the compiled-in description (throws fw::DescriptionError).
    void LoadDescription();
    // The same from a description text (tests load the repository's file).
    void LoadDescription(std::string_view text, std::string_view fileName);
    fw::EventHandler FindMethod(std::string_view name) override;
    void Loaded() override;

    // State held by the window beside its controls.
    std::string software;  // the product name, empty until the product page is left
    bool demo = false;     // taken from cDemo on arriving at the progress page

    // Handlers.
    void FormCreate(fw::Component& sender);
    void FormShow(fw::Component& sender);
    void SeguinteClick(fw::Component& sender);
    void AnteriorClick(fw::Component& sender);
    void btCancelClick(fw::Component& sender);
    void NormalClick(fw::Component& sender);
    void rCloudClick(fw::Component& sender);

    // The controls, bound by name after loading (owned by the window through the description).
    ctl::TAdvSmoothPanel* AdvSmoothPanel1 = nullptr;
    fw::TImage* Image1 = nullptr;
    fw::TImage* Image3 = nullptr;
    ctl::TAdvPageControl* AdvPageControl1 = nullptr;
    ctl::TAdvGlassButton* btCancel = nullptr;
    ctl::TAdvGlassButton* Seguinte = nullptr;
    ctl::TAdvGlassButton* Anterior = nullptr;
    fw::TRadioButton* velmocafe = nullptr;
    fw::TRadioButton* velmofact = nullptr;
    fw::TRadioButton* velmopos = nullptr;
    fw::TRadioButton* velmorest = nullptr;
    fw::TEdit* servidor = nullptr;
    fw::TEdit* instancia = nullptr;
    fw::TEdit* basedados = nullptr;
    fw::TEdit* utilizador = nullptr;
    fw::TEdit* password = nullptr;
    fw::TEdit* ck_servidor = nullptr;
    fw::TEdit* ck_basedados = nullptr;
    fw::TEdit* ck_utilizador = nullptr;
    fw::TRadioButton* Normal = nullptr;
    fw::TCheckBox* cDemo = nullptr;
    fw::TRadioButton* rCloud = nullptr;
    fw::TCheckBox* cRecuperacao = nullptr;
    ctl::TAdvProgressBar* DBProgress = nullptr;
    fw::TLabel* Label23 = nullptr;
    TDbConnection* csy = nullptr;

private:
    template <typename T>
    T* Bind(std::string_view name);
    // Leaving the product page; false when no product is selected (its message was shown).
    bool ChooseProduct();
    // Leaving the server page; false when an entry is refused (its message was shown).
    bool ValidateServerPage();
    void ArriveAtReviewPage();
    void ArriveAtProgressPage(fw::Component& sender);
    int ActivePageIndex() const;
    prov::Product SelectedProduct() const;

    // prov::WizardUi
    int ShowMessage(std::string_view text, std::string_view caption, unsigned flags) override;
    std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                       std::string_view defaultText) override;
    void SetAnimated(bool animated) override;
    void GoBackOnePage() override;

    std::string programFolder_;
};

// Every class the window description may name.
const fw::ClassRegistry& WizardClasses();

}  // namespace app
