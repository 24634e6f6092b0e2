// VerificaBD /corrigir and /desfazer run as a technician runs them, on the server's own PC: the
// instance's registry values laid into this prefix, stand-ins for its service and the Browser's
// that the service manager starts and stops, the test server for the login, the answers on
// standard input. Each repair is read back from the system itself (the registry value, the
// service's state, the SQL the server received) and from the record, then undone.

#include "tests/checker/win/CheckerRun.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "checker/win/Console.h"
#include "checker/win/RepairCommand.h"

namespace {

using namespace checker_test;

const std::string kPassword = "Segrêdo#2024";
const std::string kScenario = R"j({"logins": {"sa": "Segr\u00eado#2024", "caixa": "x"}, "disabled": ["caixa"]})j";
const std::wstring kInstance = ServerOnThisPc::kInstance;

fs::path RecordPath() {
    wchar_t* common = nullptr;
    SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &common);
    const fs::path path = fs::path(common) / L"CriaBD" / L"VerificaBD-alteracoes.txt";
    CoTaskMemFree(common);
    return path;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The instance SQLEXPRESS on this PC as its installer leaves it (TCP/IP off, Windows
// authentication only), listening on the test server's port, its service running on demand and
// the Browser disabled; and no record yet.
class ServerHere {
public:
    explicit ServerHere(int port)
        : server_({.loginMode = 1, .tcpEnabled = false, .tcpPort = port}, L""),
          browser_(L"SQLBrowser", SERVICE_DISABLED, false) {
        std::error_code ignored;
        fs::remove(RecordPath(), ignored);
    }
    ~ServerHere() {
        std::error_code ignored;
        fs::remove(RecordPath(), ignored);
    }
    StandInService& Service() { return server_.Service(); }
    StandInService& Browser() { return browser_; }

private:
    ServerOnThisPc server_;
    StandInService browser_;
};

// VerificaBD.exe from the build's folder, `input` on its standard input.
Result RunVerificaBD(const std::wstring& arguments, const std::string& input) {
    return RunProgram(ProgramFolder() / L"VerificaBD.exe", ProgramFolder(), arguments, input);
}

std::wstring Options(const sqltest::Instance& server) {
    return L"/servidor 127.0.0.1," + std::to_wstring(server.Port()) + L" /utilizador caixa /corrigir";
}

bool Received(const sqltest::Instance& server, const std::string& statement) {
    for (const std::string& request : server.Requests())
        if (request.find(statement) != std::string::npos) return true;
    return false;
}

// Yes to every question: each repair made and read back, then put back by /desfazer.
TEST(VerificaBDCorrigir, EachRepairAfterAYesThenUndoneByDesfazer) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    // The password of caixa; then TCP/IP, mixed authentication, the restart, the Browser, the
    // login (and the administrator's login and password it asks for), the firewall.
    const Result r = RunVerificaBD(Options(server), "x\nS\nsim\nS\ns\nS\nsa\n" + kPassword + "\nS\nS\n");
    EXPECT_EQ(Number(kInstance + L"\\SuperSocketNetLib\\Tcp", L"Enabled"), 1u) << r.output;
    EXPECT_EQ(Number(kInstance, L"LoginMode"), 2u);
    EXPECT_EQ(pc.Service().State(), static_cast<DWORD>(SERVICE_RUNNING)) << "restarted";
    EXPECT_EQ(pc.Browser().StartType(), static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(pc.Browser().State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(Received(server, "ALTER LOGIN [caixa] ENABLE")) << server.ConnectionSummary();
    EXPECT_EQ(server.Scalar("master", "SELECT is_disabled FROM sys.server_principals WHERE name = N'caixa'"), 0);
    for (const char* said : {"[ OK ] feito: registo HKLM\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL15.SQLEXPRESS"
                             "\\MSSQLServer\\SuperSocketNetLib\\Tcp, valor Enabled: de 0 para 1",
                             "o serviço vai ser reiniciado: quem estiver ligado perde a ligação",
                             "[ OK ] feito: serviço SQLBrowser: arranque de Desativado para Automático",
                             "[ OK ] feito: login caixa: de desativado para ativo (ALTER LOGIN [caixa] ENABLE)",
                             "== Verificação depois das correções ==", "[ OK ] login em master como caixa"})
        EXPECT_TRUE(r.Holds(said)) << said << "\n" << r.output;
    EXPECT_EQ(r.output.find(base::Cp1252ToUtf8(kPassword)), std::string::npos) << "no password in the report";
    const std::string record = ReadAll(RecordPath());
    // Backslashes doubled, as the record escapes them.
    EXPECT_NE(record.find("alterar\tregisto-numero\t64:SOFTWARE\\\\Microsoft\\\\Microsoft SQL Server\\\\"
                          "MSSQL15.SQLEXPRESS\\\\MSSQLServer\\\\SuperSocketNetLib\\\\Tcp\tEnabled\t=0\t=1\tMSSQL$SQLEXPRESS"),
              std::string::npos) << record;
    EXPECT_EQ(record.find(kPassword), std::string::npos) << "no password in the record";

    const Result undone = RunVerificaBD(L"/desfazer /sim", "sa\n" + kPassword + "\n");
    EXPECT_EQ(Number(kInstance + L"\\SuperSocketNetLib\\Tcp", L"Enabled"), 0u) << undone.output;
    EXPECT_EQ(Number(kInstance, L"LoginMode"), 1u);
    EXPECT_EQ(pc.Browser().StartType(), static_cast<DWORD>(SERVICE_DISABLED));
    EXPECT_TRUE(Received(server, "ALTER LOGIN [caixa] DISABLE")) << undone.output;
    EXPECT_EQ(pc.Service().State(), static_cast<DWORD>(SERVICE_RUNNING)) << "restarted for the settings put back";
    EXPECT_TRUE(undone.Holds("Desfeitas: ")) << undone.output;
    // Everything undone: a second /desfazer finds nothing.
    EXPECT_TRUE(RunVerificaBD(L"/desfazer", "").Holds("nada a desfazer")) << ReadAll(RecordPath());
}

// /porta N: a port something listens on is refused; a free one becomes the fixed port, the
// dynamic one emptied; /desfazer puts both back.
TEST(VerificaBDCorrigir, AFixedPortOnlyWhereItIsFree) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    const std::wstring all = kInstance + L"\\SuperSocketNetLib\\Tcp\\IPAll";
    const std::wstring dynamic = std::to_wstring(server.Port());
    SetText(all, L"TcpPort", L"");
    SetText(all, L"TcpDynamicPorts", dynamic);
    int freePort = 0;
    {
        const Listener busy;
        freePort = busy.Port();  // free once it has closed
        const Result r = RunVerificaBD(Options(server) + L" /porta " + std::to_wstring(busy.Port()), "x\n");
        EXPECT_TRUE(r.Holds("[FALHA] a porta " + std::to_string(busy.Port()) + " está ocupada")) << r.output;
        EXPECT_EQ(Text(all, L"TcpDynamicPorts"), dynamic);
    }
    // No to TCP/IP, yes to the port, no to the rest (the restart included).
    const Result r = RunVerificaBD(Options(server) + L" /porta " + std::to_wstring(freePort), "x\nN\nS\nN\nN\nN\nN\nN\n");
    EXPECT_EQ(Text(all, L"TcpPort"), std::to_wstring(freePort)) << r.output;
    EXPECT_EQ(Text(all, L"TcpDynamicPorts"), L"");
    EXPECT_TRUE(r.Holds("o serviço MSSQL$SQLEXPRESS não foi reiniciado: as alterações só contam depois de o reiniciar"))
        << r.output;
    RunVerificaBD(L"/desfazer /sim", "");
    EXPECT_EQ(Text(all, L"TcpPort"), L"");
    EXPECT_EQ(Text(all, L"TcpDynamicPorts"), dynamic);
}

// No to every question, or the end of the input: nothing changes and nothing is recorded.
TEST(VerificaBDCorrigir, NoOrTheEndOfTheInputChangesNothing) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    for (const std::string& answers : {std::string("x\nN\nn\nnao\n\nN\n"), std::string("x\n")}) {
        const Result r = RunVerificaBD(Options(server), answers);
        EXPECT_TRUE(r.Holds("Feitas: 0")) << r.output;
        EXPECT_EQ(Number(kInstance + L"\\SuperSocketNetLib\\Tcp", L"Enabled"), 0u);
        EXPECT_EQ(Number(kInstance, L"LoginMode"), 1u);
        EXPECT_EQ(pc.Browser().StartType(), static_cast<DWORD>(SERVICE_DISABLED));
        EXPECT_FALSE(Received(server, "ALTER LOGIN"));
        EXPECT_FALSE(fs::exists(RecordPath())) << ReadAll(RecordPath());
    }
}

// The input ends where the administrator's password is asked: the login is not changed, the
// report says why, and the run goes on to its end (the firewall's question then answers no).
TEST(VerificaBDCorrigir, AnInputThatEndsAtTheAdministratorsPasswordChangesNoLogin) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    // The password of caixa; no to TCP/IP, mixed authentication and the Browser; yes to the login.
    const Result r = RunVerificaBD(Options(server), "x\nN\nN\nN\nS\nsa\n");
    EXPECT_FALSE(Received(server, "ALTER LOGIN")) << r.output;
    EXPECT_TRUE(r.Holds("sem palavra-passe para o login sa (a entrada acabou)")) << r.output;
    EXPECT_TRUE(r.Holds("Os outros postos ligam-se a este servidor?")) << r.output;
    EXPECT_EQ(r.exitCode, 1u) << "the login is still disabled\n" << r.output;
}

// A restart whose start fails: recorded as made in part, reported with what to do.
TEST(VerificaBDCorrigir, AServiceThatDoesNotStartAgainIsRecordedAndReported) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    pc.Service().SetProgram(L"C:\\nao-existe\\sqlservr.exe");
    const Result r = RunVerificaBD(Options(server), "x\nS\nN\nS\nN\nN\nN\n");
    EXPECT_EQ(pc.Service().State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_TRUE(r.Holds("[FALHA] feito só em parte: serviço MSSQL$SQLEXPRESS: reiniciar")) << r.output;
    EXPECT_TRUE(r.Holds("services.msc")) << r.output;
    EXPECT_NE(ReadAll(RecordPath()).find("\tem parte\tparado, não voltou a iniciar"), std::string::npos)
        << ReadAll(RecordPath());
    EXPECT_EQ(r.exitCode, 1u) << "the check after it fails: the server is stopped\n" << r.output;
}

// The refusals, through the program's own seams: another PC's server is never touched, and
// without administrator rights nothing changes and the exit code is 2.
TEST(VerificaBDCorrigir, RefusedForAnotherPcOrWithoutAdministratorRights) {
    sqltest::Instance server(kScenario);
    ServerHere pc(server.Port());
    struct Said : checker::RepairDialogue {
        std::string text;
        void Write(std::string_view t) override { text += t; }
        std::optional<std::string> Ask(std::string_view) override { return "S"; }
    };
    checker::Console console;
    Said other;
    checker::RepairRequest request{{"OUTROPC\\SQLEXPRESS", "caixa", true}, std::nullopt, true};
    EXPECT_EQ(checker::Corrigir(request, console, other).exitCode, std::nullopt);
    EXPECT_NE(other.text.find("não é deste PC: nada foi alterado"), std::string::npos) << other.text;

    Said refused;
    request.login.server = "127.0.0.1," + std::to_string(server.Port());
    const checker::RepairOutcome outcome = checker::Corrigir(request, console, refused, [] { return false; });
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(refused.text.find("[FALHA] sem direitos de administrador: nada foi alterado"), std::string::npos) << refused.text;
    EXPECT_NE(refused.text.find("Executar como administrador"), std::string::npos);
    EXPECT_EQ(Number(kInstance + L"\\SuperSocketNetLib\\Tcp", L"Enabled"), 0u);
    EXPECT_EQ(pc.Browser().StartType(), static_cast<DWORD>(SERVICE_DISABLED));
    EXPECT_FALSE(fs::exists(RecordPath()));
    EXPECT_TRUE(checker::RunsAsAdministrator()) << "Wine runs programs as an administrator";
}

}  // namespace
