// VerificaBD.exe: checks, without changing anything on the server or on disk, what the wizard
// CriaBD needs, and says why it would fail: its folder, the script files, the ODBC drivers, the
// server, the database and each data link file. One line per check (Report.h); exit code 0, 1 or
// 2 (bad options, or no password to be had). The only file it makes is the folder's write test,
// removed at once. With /corrigir it then repairs, with consent, what it found of the server on
// this PC, and checks again; /desfazer puts those changes back (checker/win/RepairCommand.h).
//
// This program gathers facts and prints; the portable judges (checker/*Findings.h) turn each
// section's facts into findings, printed as soon as the section's facts are in: the technician
// watches probes that take seconds.

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/win/AnsiText.h"
#include "checker/DatabaseFindings.h"
#include "checker/FolderFindings.h"
#include "checker/LocalServer.h"
#include "checker/LoginFindings.h"
#include "checker/Options.h"
#include "checker/ProbeFindings.h"
#include "checker/Report.h"
#include "checker/ServerName.h"
#include "checker/win/Console.h"
#include "checker/win/DataLinkOpen.h"
#include "checker/win/FolderFacts.h"
#include "checker/win/LocalServerFacts.h"
#include "checker/win/Network.h"
#include "checker/win/RepairCommand.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/SqlStatements.h"
#include "provisioning/win/OdbcDatabase.h"
#include "provisioning/win/Win32Services.h"

namespace {

using namespace checker;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr seconds kLoginTimeout{5};
constexpr milliseconds kBrowserWait{1500};
constexpr milliseconds kTcpWait{3000};
// A password piped in comes at once; a pipe that sends nothing is not waited on for ever.
constexpr milliseconds kPasswordWait{10000};
// The refusals just made are at the log's end; a log of many megabytes is not read whole.
constexpr std::size_t kErrorLogTail = 1024 * 1024;

struct Target {
    std::string origin;  // "opções" or the .udl's name
    prov::ConnectionSettings settings;
    std::string connectionString;  // the .udl's own, empty for options
};

std::vector<ServerMessage> Messages(const prov::DatabaseError& e) {
    std::vector<ServerMessage> messages;
    for (const prov::DiagnosticRecord& r : e.Records())
        messages.push_back({r.sqlState, r.nativeError, r.state, r.severity, r.text});
    if (messages.empty()) messages.push_back({e.SqlState(), e.NativeError(), 0, 0, e.what()});
    return messages;
}

milliseconds Since(std::chrono::steady_clock::time_point started) {
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started);
}

class Run {
public:
    Run(Console& console, const Options& options) : out_(console), options_(options), checkBegan_(LocalTimeNow()) {}

    int Execute() {
        const std::string folder = prov::ProgramFolder();
        FolderJudgement judged = JudgeFolder(ReadFolderFacts(folder));
        for (const NamedDataLink& udl : judged.dataLinks) out_.Hide(udl.contents.settings.password);
        Heading("Pasta " + folder);
        Report(judged.folder);
        Heading("Ficheiros de script");
        Report(judged.scripts);
        Heading("Controladores ODBC");
        CheckDrivers();
        std::optional<std::vector<Target>> targets = Targets(judged.dataLinks);
        if (!targets) return kBadOptions;
        targets_ = std::move(*targets);
        serverFindings_ = findings_.size();
        for (const Target& target : targets_) CheckServer(target);
        return ExitCode(findings_);
    }

    // /corrigir: the first server checked, and what the check found of its login.
    LoginRepairFacts RepairTarget() const {
        LoginRepairFacts login = repairLogin_;
        if (!targets_.empty()) {
            login.server = targets_.front().settings.server;
            if (login.name.empty()) login.name = targets_.front().settings.login;
        }
        return login;
    }

    // What the check read of this PC's servers, when the first server is this PC's.
    const LocalServerFacts* RepairLocalFacts() const { return repairLocal_ && localFacts_ ? &*localFacts_ : nullptr; }

    // After repairs: the servers checked again (the folder's findings stand), the exit code of
    // the whole check. A refusal the server logged before the repairs is not this check's cause.
    int Recheck() {
        findings_.resize(serverFindings_);
        localFacts_.reset();
        checkBegan_ = LocalTimeNow();
        for (const Target& target : targets_) CheckServer(target);
        return ExitCode(findings_);
    }

private:
    void Heading(const std::string& title) { out_.Write(FormatHeading(title)); }
    void Report(Finding f) {
        out_.Write(FormatFinding(f));
        findings_.push_back(std::move(f));
    }
    void Report(std::vector<Finding> findings) {
        for (Finding& f : findings) Report(std::move(f));
    }
    void Detail(const std::string& line) { out_.Write("        " + line + "\n"); }

    void CheckDrivers() {
        std::vector<std::string> installed;
        std::string error;
        try {
            installed = prov::OdbcDatabase::InstalledDrivers();
        } catch (const std::exception& e) {
            error = e.what();
        }
        Report(DriverFindings(installed, error));
    }

    // The targets: the options' server (its password asked now), then each good data link file.
    // Nothing when the password cannot be had.
    std::optional<std::vector<Target>> Targets(const std::vector<NamedDataLink>& dataLinks) {
        std::vector<Target> targets;
        if (options_.server) {
            Target target{"opções", {*options_.server, options_.login.value_or("sa"), {}, options_.database.value_or("")}, {}};
            const std::optional<std::string> password =
                out_.AskPassword("Palavra-passe de " + target.settings.login + ": ", kPasswordWait);
            if (!password) {
                out_.Write("\nSem consola e sem palavra-passe na entrada: corra o VerificaBD numa janela de comandos, "
                           "ou dê a palavra-passe na primeira linha da entrada (VerificaBD /servidor NOME < ficheiro).\n");
                return std::nullopt;
            }
            target.settings.password = *password;
            out_.Hide(target.settings.password);
            targets.push_back(std::move(target));
        }
        for (const NamedDataLink& udl : dataLinks) {
            Target target{udl.name, udl.contents.settings, udl.contents.connectionString};
            if (options_.database) target.settings.database = *options_.database;
            targets.push_back(std::move(target));
        }
        if (targets.empty()) {
            Heading("Servidor");
            Report(Warning("nenhum servidor para verificar", "Dê /servidor NOME[\\INSTANCIA] (veja VerificaBD /?), ou "
                                                             "corra o assistente até à página de revisão."));
        }
        return targets;
    }

    void CheckServer(const Target& target) {
        const prov::ConnectionSettings& s = target.settings;
        repairing_ = &target == &targets_.front();
        if (repairing_) repairLogin_ = {};
        Heading("Servidor " + s.server + " (" + target.origin + ")");
        const std::optional<ServerAddress> address = ParseServer(s.server);
        if (!address) {
            Report(Failure("o nome do servidor \"" + s.server + "\" não se lê", "Escreva NOME, NOME\\INSTANCIA ou NOME,PORTA."));
            return;
        }
        if (!s.database.empty()) {
            if (std::optional<Finding> refused = DatabaseNameFinding(s.database, base::WidenToUtf16(s.database)))
                Report(std::move(*refused));
        }
        // On the server's own PC, what the server's installer and the server wrote comes first;
        // there the wizard reaches the server without TCP/IP or the Browser (a local name goes
        // over shared memory), so a probe that fails tells only that the other tills cannot.
        const InstalledInstance* local = nullptr;
        if (NamesThisComputer(address->host, ThisComputerName(), ThisComputerAddresses())) {
            if (!localFacts_) localFacts_ = ReadLocalServerFacts();
            Report(LocalServerFindings(*localFacts_, *address));
            repairLocal_ = repairLocal_ || repairing_;
            local = InstanceAddressed(*localFacts_, *address);
        }
        BrowserProbe browser;
        if (AsksBrowser(*address)) browser = AskBrowser(address->host, address->instance, kBrowserWait);
        if (std::optional<Finding> f = BrowserFinding(browser, *address, local)) Report(std::move(*f));
        TcpProbe tcp;
        if (const std::optional<unsigned short> port = TcpPortToProbe(*address, browser, local)) {
            tcp = TryTcp(address->host, *port, kTcpWait);
            Report(TcpFinding(tcp, local));
        }
        if (!LoginWorthTrying(browser, tcp, local)) return;
        const Reach reach = ReachOf(browser, tcp, local);

        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(prov::MasterConnectionString(s));
        const auto started = std::chrono::steady_clock::now();
        try {
            db.Open();
        } catch (const prov::DatabaseError& e) {
            ReportLoginFailure({"login em master como " + s.login, Messages(e), Since(started), s.login, {}, reach}, local);
            return;
        }
        std::string version = "?", edition = "?";
        try {
            const auto rows = db.Query("SELECT SERVERPROPERTY('ProductVersion'), SERVERPROPERTY('Edition')");
            if (!rows.empty() && rows[0].size() == 2) {
                version = rows[0][0].value_or("?");
                edition = rows[0][1].value_or("?");
            }
        } catch (const std::exception&) {
        }
        Report(Ok("login em master como " + s.login + " (controlador " + db.DriverName() + "): SQL Server " + version +
                  ", " + edition));
        if (repairing_) repairLogin_.serverMajorVersion = std::atoi(version.c_str());
        Finding create = CreatePermissionFinding(s.login, ReadCreatePermission(db));
        if (repairing_ && create.level == Level::Failure) repairLogin_.cannotCreate = true;
        Report(std::move(create));
        if (!s.database.empty()) Report(DatabaseFindings(ReadDatabaseFacts(db, s)));
        db.Close();
        if (!target.connectionString.empty()) CheckDataLinkConnection(target, local, reach);
    }

    static CreatePermission ReadCreatePermission(prov::OdbcDatabase& master) {
        CreatePermission permission;
        try {
            const auto rows = master.Query("SELECT HAS_PERMS_BY_NAME(NULL, NULL, 'CREATE ANY DATABASE')");
            if (!rows.empty() && !rows[0].empty()) permission.answer = rows[0][0];
        } catch (const prov::DatabaseError& e) {
            permission.error = e.what();
        }
        return permission;
    }

    static DatabaseFacts ReadDatabaseFacts(prov::OdbcDatabase& master, const prov::ConnectionSettings& s) {
        DatabaseFacts facts;
        facts.name = s.database;
        facts.login = s.login;
        facts.usableName = prov::IsUsableDatabaseName(base::WidenToUtf16(s.database));
        std::string quoted;
        for (char c : s.database) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        try {
            const auto rows = master.Query("SELECT DATABASEPROPERTYEX('" + quoted + "', 'Status'), DATABASEPROPERTYEX('" +
                                           quoted + "', 'UserAccess')");
            if (!rows.empty() && rows[0].size() == 2) {
                facts.status = rows[0][0];
                facts.access = rows[0][1];
            }
        } catch (const prov::DatabaseError& e) {
            facts.stateError = e.what();
        }
        if (!OpensDatabase(facts)) return facts;
        // As the wizard's own probe opens it.
        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(prov::DatabaseConnectionString(s));
        try {
            db.Open();
        } catch (const prov::DatabaseError& e) {
            facts.openError = e.what();
            return facts;
        }
        try {
            const auto rows = db.Query("SELECT major, minor, loja FROM versao");
            facts.versionRow.emplace();
            if (!rows.empty()) facts.versionRow->assign(rows.front().begin(), rows.front().end());
        } catch (const prov::DatabaseError& e) {
            facts.versionError = e.what();
        }
        return facts;
    }

    // As the product connects: through the data link service with the file's provider; with ODBC
    // where that provider is not installed on this PC (said so).
    void CheckDataLinkConnection(const Target& udl, const InstalledInstance* local, Reach reach) {
        const std::string what = udl.origin + " (" + MaskPassword(udl.connectionString) + ")";
        std::string provider = udl.connectionString.substr(udl.connectionString.find('=') + 1);
        provider = provider.substr(0, provider.find(';'));
        auto started = std::chrono::steady_clock::now();
        const DataLinkOpen open = OpenDataLink(udl.connectionString, kLoginTimeout);
        const LoginFailure failure{{}, {}, {}, udl.settings.login, udl.settings.database, reach};
        if (open.outcome == DataLinkOpen::Outcome::Connected) {
            Report(Ok(what + ": o produto liga-se (OLE DB, " + provider + ")"));
            return;
        }
        if (open.outcome == DataLinkOpen::Outcome::Failed) {
            LoginFailure f = failure;
            f.what = what + " (OLE DB, " + provider + ")";
            f.records = open.messages;
            f.elapsed = Since(started);
            ReportLoginFailure(f, local);
            return;
        }
        const std::string odbc = " (tentado com ODBC: o fornecedor OLE DB " + provider + " não está instalado neste PC)";
        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(udl.connectionString);
        started = std::chrono::steady_clock::now();
        try {
            db.Open();
            Report(Ok(what + ": o produto liga-se" + odbc));
        } catch (const prov::DatabaseError& e) {
            LoginFailure f = failure;
            f.what = what + odbc;
            f.records = Messages(e);
            f.elapsed = Since(started);
            ReportLoginFailure(f, local);
        }
    }

    // The client is told state 1 whatever the cause; on the server's PC its log tells the truth.
    void ReportLoginFailure(const LoginFailure& failure, const InstalledInstance* local) {
        std::optional<ErrorLogTail> log;
        if (WantsErrorLog(failure, local)) {
            log.emplace();
            log->path = local->errorLog;
            log->text = ReadFileTail(log->path, kErrorLogTail, log->error);
        }
        LoginVerdict verdict = JudgeLoginFailure(failure, log, checkBegan_);
        if (repairing_ && verdict.loginDisabled) repairLogin_.disabled = true;
        Report(std::move(verdict.failure));
        for (const std::string& line : verdict.details) Detail(line);
        if (verdict.logFinding) Report(std::move(*verdict.logFinding));
    }

    Console& out_;
    const Options& options_;
    LogTime checkBegan_;  // this PC's clock, as the server's error log is written in
    std::vector<Finding> findings_;
    std::optional<LocalServerFacts> localFacts_;  // read once, for the first target on this PC
    std::vector<Target> targets_;
    std::size_t serverFindings_ = 0;  // the findings before the servers'
    bool repairing_ = false;          // checking the server /corrigir repairs (the first)
    bool repairLocal_ = false;        // and it is this PC's
    LoginRepairFacts repairLogin_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Console console;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(base::Narrow(std::wstring_view(argv[i])));
    const ParsedOptions parsed = ParseOptions(arguments);
    int code = kExitOk;
    if (!parsed.error.empty()) {
        console.Write(parsed.error + "\n\n" + std::string(UsageText()));
        code = kBadOptions;
    } else if (parsed.options.help) {
        console.Write(UsageText());
    } else {
        const Options& options = parsed.options;
        console.Write(options.repair || options.undo
                          ? "VerificaBD: verificação para o assistente CriaBD (só se altera o que for aceite)\n"
                          : "VerificaBD: verificação para o assistente CriaBD (nada é alterado)\n");
        try {
            ConsoleDialogue dialogue(console);
            std::optional<int> ended;
            if (options.undo) ended = Desfazer({{}, std::nullopt, options.yesToAll}, console, dialogue).exitCode;
            Run run(console, options);
            if (!ended) code = run.Execute();
            if (!ended && options.repair && code != kBadOptions) {
                const RepairOutcome repaired =
                    Corrigir({run.RepairTarget(), options.port, options.yesToAll, run.RepairLocalFacts()}, console, dialogue);
                ended = repaired.exitCode;
                if (!ended && repaired.changed) {
                    console.Write(FormatHeading("Verificação depois das correções"));
                    code = run.Recheck();
                }
            }
            if (ended) code = *ended;
        } catch (const std::exception& e) {
            console.Write(std::string("[FALHA] erro inesperado: ") + e.what() + "\n");
            code = kExitFailed;
        }
        if (code != kBadOptions)
            console.Write(code == kExitOk ? "\nResultado: sem falhas.\n" : "\nResultado: há falhas (veja [FALHA] acima).\n");
    }
    if (console.OwnConsole()) console.WaitForEnter();
    return code;
}
