#pragma once
// The wizard's window as a person finds their way in it with a screen reader: its controls by
// role and name (what they are and what they read), and which of its five pages shows.

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/Snapshot.h"

namespace wizard {

using gui::Element;
using gui::Named;
using gui::Snapshot;

// Page indices of the wizard. A reader hears one property page at a time, named "1" to "5".
enum Page { kProductPage = 0, kServerPage = 1, kReviewPage = 2, kProgressPage = 3, kFinalPage = 4 };

// The page named by a property page's name ("1" to "5"); -1 for any other name.
inline int PageNamed(const std::string& name) {
    return name.size() == 1 && name[0] >= '1' && name[0] <= '5' ? name[0] - '1' : -1;
}
// The page a reader hears (the one visible property page); -1 when none shows, or more than one.
inline int PageOf(const Snapshot& s) {
    const auto pages = s.All(ROLE_SYSTEM_PROPERTYPAGE);
    return pages.size() == 1 ? PageNamed(pages.front()->Name()) : -1;
}
// The same, of the property pages found to show (App::WaitForShown).
inline int PageOf(const std::vector<Element>& shownPages) {
    return shownPages.size() == 1 ? PageNamed(shownPages.front().Name()) : -1;
}

// The wizard's controls as a person finds them: what they are and what they read.
inline const Named kSeguinte{ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>"};
inline const Named kAnterior{ROLE_SYSTEM_PUSHBUTTON, "<< Anterior"};
inline const Named kSair{ROLE_SYSTEM_PUSHBUTTON, "Sair"};
// The product page's choice of a product by its name ("VelmoPos").
inline Named ProductChoice(std::string_view product) { return {ROLE_SYSTEM_RADIOBUTTON, std::string(product)}; }
// The server page's boxes, named by their labels.
inline const Named kServerBox{ROLE_SYSTEM_TEXT, "Servidor"};
inline const Named kInstanceBox{ROLE_SYSTEM_TEXT, "Instância"};
inline const Named kDatabaseBox{ROLE_SYSTEM_TEXT, "Base de Dados"};
inline const Named kUserBox{ROLE_SYSTEM_TEXT, "Utilizador"};
inline const Named kPasswordBox{ROLE_SYSTEM_TEXT, "Password"};
// The review page's read-only boxes, as their labels read there.
inline const Named kReviewServerBox{ROLE_SYSTEM_TEXT, "Servidor"};
inline const Named kReviewDatabaseBox{ROLE_SYSTEM_TEXT, "Base de dados"};
inline const Named kReviewUserBox{ROLE_SYSTEM_TEXT, "Utilizador"};
// The review page's installation options.
inline const Named kNormal{ROLE_SYSTEM_RADIOBUTTON, "Normal"};
inline const Named kCloud{ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud"};
inline const Named kDemo{ROLE_SYSTEM_CHECKBUTTON, "Criar Dados Demonstrativos"};
inline const Named kRecovery{ROLE_SYSTEM_CHECKBUTTON, "Recuperação de Loja"};
// The progress page's bar (unnamed) and the page list (named after the page it shows).
inline const Named kProgressBar{ROLE_SYSTEM_PROGRESSBAR, ""};
inline Named PageList(int page) { return {ROLE_SYSTEM_PAGETABLIST, std::string(1, static_cast<char>('1' + page))}; }
// The final page's note about the first run, which must stay hidden.
inline constexpr char kFirstRunNote[] =
    "Após carregar em \"Sair\" deve executar a aplicação e escolher a opção ";
// Whether a reader hears a static text that starts with `start`.
inline bool HearsTextStarting(const Snapshot& s, std::string_view start) {
    for (const Element* e : s.All(ROLE_SYSTEM_STATICTEXT))
        if (e->Name().rfind(start, 0) == 0) return true;
    return false;
}

}  // namespace wizard
