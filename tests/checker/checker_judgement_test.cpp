// The checker's judgement of what it found, over tables of real inputs: diagnostic records as the
// platform's drivers write them (quoted from public reports), error-log tails in five languages,
// and this PC's server facts (both registry views, a paused service).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "checker/Causes.h"
#include "checker/ErrorLog.h"
#include "checker/FolderFindings.h"
#include "checker/LocalServer.h"
#include "checker/LoginFindings.h"
#include "checker/ProbeFindings.h"

namespace {

using checker::Reach;
using checker::ServerMessage;

const std::string kRefused = "ninguém responde nessa porta: o serviço do SQL Server está parado ou não escuta em TCP/IP";
const std::string kNameUnknown = "o nome do servidor não é conhecido nesta rede";
const std::string kTimedOut = "o servidor não respondeu dentro do tempo de ligação";
const std::string kInstance = "a instância não foi localizada";
const std::string kCertificate = "a encriptação ou o certificado do servidor foram recusados";
const std::string kStopped = "o serviço do SQL Server está parado";
const std::string kPaused = "o serviço do SQL Server está em pausa";

// Each record set as a driver gave it (the source in the comment), with the cause it must give.
// A "Login timeout expired" side record never hides the record that names the cause.
TEST(Causes, RealDriverRecordsGiveTheirCauseByNumber) {
    const std::string d17 = "[Microsoft][ODBC Driver 17 for SQL Server]";
    const std::string d18 = "[Microsoft][ODBC Driver 18 for SQL Server]";
    const std::string nc11 = "[Microsoft][SQL Server Native Client 11.0]";
    const std::string builtIn = "[Microsoft][ODBC SQL Server Driver][DBNETLIB]";
    const std::string network = "A network-related or instance-specific error has occurred while establishing a connection "
                                "to SQL Server. Server is not found or not accessible.";
    struct Case {
        const char* source;
        std::vector<ServerMessage> records;
        Reach reach;
        std::string cause;  // the cause starts with this
    };
    const Case cases[] = {
        {"dbt-msft/dbt-sqlserver#86",
         {{"08001", 10061, 0, 0, d17 + "TCP Provider: No connection could be made because the target machine actively refused it.\r\n"},
          {"HYT00", 0, 0, 0, d17 + "Login timeout expired"},
          {"08001", 10061, 0, 0, d17 + network}},
         Reach::Unknown, kRefused},
        {"the same on a Portuguese Windows with the driver's language pack (issue 31)",
         {{"HYT00", 0, 0, 0, d17 + "Tempo limite de logon expirado"},
          {"08001", 10061, 0, 0, d17 + "Provedor TCP: Nenhuma conexão pôde ser feita porque a máquina de destino as recusou ativamente.\r\n"}},
         Reach::Unknown, kRefused},
        {"MicrosoftDocs/sql-docs#3794 (SQL Agent's log of ODBC Driver 17)",
         {{"08001", 11001, 0, 0, "TCP Provider: No such host is known."}, {"HYT00", 0, 0, 0, "Login timeout expired"},
          {"08001", 11001, 0, 0, network}},
         Reach::Unknown, kNameUnknown},
        {"microsoft/msphpsql#771 (258 shown as 0x102)",
         {{"HYT00", 0, 0, 0, d17 + "Login timeout expired"}, {"08001", 258, 0, 0, d17 + "TCP Provider: Error code 0x102"}},
         Reach::Unknown, kTimedOut},
        {"SQL Server blog, error 26 (Native Client 11)",
         {{"08001", -1, 0, 0, nc11 + "SQL Server Network Interfaces: Error Locating Server/Instance Specified [xFFFFFFFF]. "},
          {"HYT00", 0, 0, 0, nc11 + "Login timeout expired"}},
         Reach::Unknown, kInstance},
        {"tediousjs/node-mssql#362 (Native Client 11)",
         {{"08001", 53, 0, 0, nc11 + "Named Pipes Provider: Could not open a connection to SQL Server [53]. "}},
         Reach::Unknown, "o computador do servidor não foi encontrado pela rede"},
        {"microsoft/navcontainerhelper#18 (ODBC Driver 13), on this PC with the service stopped",
         {{"08001", 2, 0, 0, "Named Pipes Provider: Could not open a connection to SQL Server [2]. "}},
         Reach::ServiceStopped, kStopped},
        {"dbt-msft/dbt-sqlserver#267",
         {{"08001", -2146893019, 0, 0, d18 + "SSL Provider: The certificate chain was issued by an authority that is not trusted.\r\n"},
          {"08001", -2146893019, 0, 0, d18 + "Client unable to establish connection"}},
         Reach::Reached, kCertificate},
        {"the same, the system's words in Portuguese (issue 31)",
         {{"08001", -2146893019, 0, 0, d18 + "SSL Provider: A cadeia de certificação foi emitida por uma autoridade que não é de confiança."}},
         Reach::Reached, kCertificate},
        {"the login refused, the server in Portuguese (issue 31)",
         {{"28000", 18456, 1, 14, d17 + "[SQL Server]Falha de logon do usuário 'sa'."}},
         Reach::Reached, "o servidor recusou o login; causas possíveis"},
        // The built-in driver says "does not exist or access denied" for any failure to reach the
        // server (Microsoft KB Q311836 quotes it): the probes decide, never the words.
        {"built-in driver, the port refused", {{"08001", 17, 0, 0, builtIn + "SQL Server does not exist or access denied."}},
         Reach::Refused, kRefused},
        {"built-in driver in Portuguese, the service stopped on this PC",
         {{"08001", 17, 0, 0, builtIn + "SQL Server inexistente ou acesso negado."}}, Reach::ServiceStopped, kStopped},
        {"built-in driver, the service paused on this PC",
         {{"08001", 17, 0, 0, builtIn + "SQL Server inexistente ou acesso negado."}}, Reach::ServicePaused, kPaused},
        {"built-in driver, the name unknown", {{"08001", 17, 0, 0, builtIn + "SQL Server does not exist or access denied."}},
         Reach::NameUnknown, kNameUnknown},
        {"built-in driver, the port answered", {{"08001", 17, 0, 0, builtIn + "SQL Server inexistente ou acesso negado."}},
         Reach::Reached, "o servidor responde na porta, mas o controlador \"SQL Server\""},
        {"built-in driver, nothing known", {{"08001", 17, 0, 0, builtIn + "SQL Server does not exist or access denied."}},
         Reach::Unknown, "o controlador \"SQL Server\" (o antigo do Windows) diz só"},
        {"built-in driver's ConnectionOpen record carries the socket's number",
         {{"01000", 10060, 0, 0, builtIn + "ConnectionOpen (Connect())."},
          {"08001", 17, 0, 0, builtIn + "SQL Server does not exist or access denied."}},
         Reach::Unknown, "o servidor não respondeu na porta"},
        {"FreeTDS on this machine (platform notes)",
         {{"08S01", 20009, 0, 0, "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not exist"},
          {"08001", 0, 0, 0, "[FreeTDS][SQL Server]Unable to connect to data source"}},
         Reach::Unknown, kRefused},
        {"FreeTDS, unknown host", {{"08001", 20013, 0, 0, "[FreeTDS][SQL Server]Unknown host machine name"}}, Reach::Unknown,
         kNameUnknown},
        {"a paused server's login state (error log)", {{"28000", 18456, 13, 14, "Login failed for user 'sa'."}},
         Reach::Reached, kPaused},
    };
    for (const Case& c : cases) {
        const checker::Cause cause = checker::LikelyCause(c.records, c.reach);
        EXPECT_EQ(cause.cause.rfind(c.cause, 0), 0u) << c.source << "\n  gave: " << cause.cause;
        EXPECT_FALSE(cause.advice.empty()) << c.source;
    }
}

checker::LogTime At(int hour, int minute, int second) { return {2026, 12, 9, hour, minute, second}; }

// The same refusal as servers in five languages write it: the numbers and the quoted login decide.
TEST(ErrorLog, ARefusalIsReadByItsStructureInAnyLanguage) {
    const struct {
        const char* language;
        std::u16string numbers;
        std::u16string login;
    } tails[] = {
        {"English", u"Error: 18456, Severity: 14, State: 58.",
         u"Login failed for user 'sa'. Reason: An attempt to login using SQL authentication failed. [CLIENT: <local machine>]"},
        {"Portuguese (Brazil)", u"Erro: 18456, Gravidade: 14, Estado: 58.", u"Falha de logon do usuário 'sa'. [CLIENTE: <local machine>]"},
        {"Spanish", u"Error: 18456, Gravedad: 14, Estado: 58.", u"Error de inicio de sesión del usuario 'sa'. [CLIENTE: <local machine>]"},
        {"French", u"Erreur : 18456, Gravité : 14, État : 58.", u"Échec de la connexion pour l’utilisateur 'SA'. [CLIENT : <local machine>]"},
        {"German", u"Fehler: 18456, Schweregrad: 14, Status: 58.", u"Fehler bei der Anmeldung für den Benutzer \"sa\". [CLIENT: <local machine>]"},
    };
    for (const auto& t : tails) {
        const std::u16string stamp = u"2026-12-09 10:00:03.31 Logon       ";
        const std::u16string tail = u"ity: 14, State: 8.\r\n" + stamp + u"Error: 18456, Severity: 14, State: 5.\r\n" + stamp +
                                    u"Login failed for user 'caixa'.\r\n" + stamp + t.numbers + u"\r\n" + stamp + t.login +
                                    u"\r\n2026-12-09 10:00:04.00 spid51      Starting up database 'loja'.\r\n";
        const checker::ErrorLogReading read = checker::ReadLoginRefusals(tail, "sa", At(10, 0, 0));
        ASSERT_TRUE(read.sinceCheckBegan) << t.language;
        EXPECT_EQ(read.sinceCheckBegan->state, 58) << t.language;
        EXPECT_EQ(read.sinceCheckBegan->severity, 14) << t.language;
        EXPECT_EQ(tail.substr(read.sinceCheckBegan->at, read.sinceCheckBegan->length), stamp + t.numbers + u"\r\n" + stamp + t.login)
            << t.language;
        EXPECT_FALSE(checker::ReadLoginRefusals(tail, "s", At(10, 0, 0)).sinceCheckBegan) << t.language << ": 's' is not 'sa'";
    }
}

// Only a refusal logged since the check began (a few seconds of the log's lag allowed) is this
// check's cause; an older one is shown with its date, and none leaves the driver's cause.
TEST(ErrorLog, AStaleRefusalIsNeverTodaysCause) {
    const std::u16string tail =
        u"2026-12-09 09:15:42.31 Logon       Erro: 18456, Gravidade: 14, Estado: 8.\r\n"
        u"2026-12-09 09:15:42.31 Logon       Falha de logon do usuário 'sa'. Motivo: senha incorreta.\r\n";
    const checker::LoginFailure failure{"login em master como sa", {{"28000", 18456, 1, 14, "Falha de logon do usuário 'sa'."}},
                                        std::chrono::milliseconds(12), "sa", {}, Reach::Reached};
    const checker::ErrorLogTail log{"C:\\SQL\\Log\\ERRORLOG", tail, {}};

    const checker::LoginVerdict stale = checker::JudgeLoginFailure(failure, log, At(10, 0, 0));
    EXPECT_NE(stale.failure.text.find("o servidor recusou o login; causas possíveis"), std::string::npos) << stale.failure.text;
    ASSERT_TRUE(stale.logFinding);
    EXPECT_NE(stale.logFinding->text.find("a última é anterior, de 2026-12-09 09:15:42, e não é a causa desta: palavra-passe errada"),
              std::string::npos) << stale.logFinding->text;

    const checker::LoginVerdict lagging = checker::JudgeLoginFailure(failure, log, At(9, 15, 45));
    EXPECT_NE(lagging.failure.text.find("palavra-passe errada (erro 18456, estado 8)"), std::string::npos) << lagging.failure.text;
    EXPECT_FALSE(lagging.logFinding);
    EXPECT_EQ(lagging.details.back(), "  2026-12-09 09:15:42.31 Logon       Falha de logon do usuário 'sa'. Motivo: senha incorreta.");

    const checker::LoginVerdict none = checker::JudgeLoginFailure(failure, checker::ErrorLogTail{"ERRORLOG", u"", {}}, At(10, 0, 0));
    ASSERT_TRUE(none.logFinding);
    EXPECT_NE(none.logFinding->text.find("não tem recusa do login sa desde o início desta verificação (2026-12-09 10:00:00)"),
              std::string::npos) << none.logFinding->text;
    EXPECT_NE(none.logFinding->advice.find("auditoria"), std::string::npos);
}

// /corrigir enables a login the server said is disabled: error 18470 to the client, or state 7
// in a refusal logged since the check began; never on a stale refusal or another state.
TEST(ErrorLog, ADisabledLoginIsToldByTheServerOnly) {
    const auto logged = [](int state) {
        return checker::ErrorLogTail{"ERRORLOG",
                                     u"2026-12-09 10:00:02.31 Logon       Error: 18456, Severity: 14, State: " +
                                         std::u16string(state == 7 ? u"7" : u"8") +
                                         u".\r\n2026-12-09 10:00:02.31 Logon       Login failed for user 'caixa'.\r\n",
                                     {}};
    };
    const std::vector<checker::ServerMessage> refused{{"28000", 18456, 1, 14, "Login failed for user 'caixa'."}};
    const std::vector<checker::ServerMessage> disabled{
        {"28000", 18470, 1, 14, "Login failed for user 'caixa'. Reason: The account is disabled."}};
    const struct {
        const char* label;
        std::vector<checker::ServerMessage> records;
        std::optional<checker::ErrorLogTail> log;
        checker::LogTime began;
        bool disabled;
    } cases[] = {
        {"18470 to the client", disabled, std::nullopt, At(10, 0, 0), true},
        {"state 7 logged since the check began", refused, logged(7), At(10, 0, 0), true},
        {"state 7 logged the day before", refused, logged(7), {2026, 12, 10, 10, 0, 0}, false},
        {"state 8 logged since the check began", refused, logged(8), At(10, 0, 0), false},
        {"no log", refused, std::nullopt, At(10, 0, 0), false},
    };
    for (const auto& c : cases) {
        const checker::LoginFailure failure{"login em master como caixa", c.records, {}, "caixa", {}, Reach::Reached};
        EXPECT_EQ(checker::JudgeLoginFailure(failure, c.log, c.began).loginDisabled, c.disabled) << c.label;
    }
}

TEST(LocalServer, BothRegistryViewsAreMergedAndA32BitInstanceIsNamed) {
    using checker::ServiceState;
    checker::InstalledInstance modern{"SQLEXPRESS", "MSSQL15.SQLEXPRESS", 2UL, true, "1433", "", "", ServiceState::Running};
    checker::InstalledInstance old{"LOJA", "MSSQL10.LOJA", 2UL, false, "", "0", "", ServiceState::Paused};
    // On 32-bit Windows both views are the one view: an instance read twice is listed once.
    checker::LocalServerFacts facts{checker::MergeRegistryViews({modern}, {old, modern}), ServiceState::Running};
    ASSERT_EQ(facts.instances.size(), 2u);
    EXPECT_EQ(facts.instances[0].view, checker::RegistryView::Bits64);
    EXPECT_EQ(facts.instances[1].view, checker::RegistryView::Bits32);

    std::string said;
    for (const auto& f : checker::LocalServerFindings(facts, *checker::ParseServer(".\\LOJA"))) said += checker::FormatFinding(f);
    for (const char* line : {"[ OK ] instância LOJA instalada neste PC (MSSQL10.LOJA, de 32 bits)",
                             "[FALHA] serviço MSSQL$LOJA: em pausa (o servidor recusa novos logins)",
                             "O que fazer: Em Serviços do Windows (services.msc), no serviço do SQL Server, escolha \"Retomar\"",
                             "[AVISO] TCP/IP desativado"})
        EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;

    facts.instances[1].tcpEnabled = true;
    said.clear();
    for (const auto& f : checker::LocalServerFindings(facts, *checker::ParseServer(".\\LOJA"))) said += checker::FormatFinding(f);
    EXPECT_NE(said.find("[AVISO] TCP/IP ativo, porta dinâmica ainda não atribuída"), std::string::npos) << said;
    EXPECT_EQ(said.find("porta dinâmica 0"), std::string::npos) << said;

    // On this PC a failed probe does not stop the login; the paused service is the cause.
    const checker::BrowserProbe browser{checker::BrowserProbe::Outcome::Silent};
    const checker::TcpProbe notTried;
    const checker::InstalledInstance* local = &facts.instances[1];
    EXPECT_EQ(checker::BrowserFinding(browser, *checker::ParseServer(".\\LOJA"), local)->level, checker::Level::Warning);
    EXPECT_FALSE(checker::TcpPortToProbe(*checker::ParseServer(".\\LOJA"), browser, local));
    EXPECT_TRUE(checker::LoginWorthTrying(browser, notTried, local));
    EXPECT_FALSE(checker::LoginWorthTrying(browser, notTried, nullptr)) << "elsewhere the silent Browser ends the check";
    EXPECT_EQ(checker::ReachOf(browser, notTried, local), Reach::ServicePaused);
}

// The wizard replaces a data link file by moving a new one over it: delete access decides.
TEST(FolderFindings, ADataLinkFileThatCannotBeDeletedCannotBeReplaced) {
    checker::FolderFacts facts;
    facts.executables.push_back({prov::Product::VelmoPos, prov::ProductVersion{5, 2}});
    facts.dataLinks.push_back({"VelmoPos.udl", false, std::string("Acesso negado."), std::nullopt, {}});
    const checker::FolderJudgement judged = checker::JudgeFolder(facts);
    ASSERT_EQ(judged.folder.size(), 3u);
    EXPECT_EQ(judged.folder[2].level, checker::Level::Failure);
    EXPECT_EQ(judged.folder[2].text, "VelmoPos.udl: o assistente não o pode substituir (Acesso negado.)");
    EXPECT_TRUE(judged.dataLinks.empty());
}

}  // namespace
