// VerificaBD.exe: checks, without changing anything on the server or on disk, what the wizard
// CriaBD needs, and says why it would fail: its folder, the script files, the ODBC drivers, the
// server, the database and each data link file. One line per check (Report.h); exit code 0, 1 or
// 2 (bad options). The only file it makes is the folder's write test, removed at once.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/win/AnsiText.h"
#include "checker/Causes.h"
#include "checker/DataLinkCheck.h"
#include "checker/FolderFindings.h"
#include "checker/LocalServer.h"
#include "checker/Options.h"
#include "checker/Report.h"
#include "checker/ScriptFindings.h"
#include "checker/ServerName.h"
#include "checker/win/Console.h"
#include "checker/win/DataLinkOpen.h"
#include "checker/win/LocalServerFacts.h"
#include "checker/win/Network.h"
#include "checker/win/RepairCommand.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/ScriptText.h"
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
// The refusals just made are at the log's end; a log of many megabytes is not read whole.
constexpr std::size_t kErrorLogTail = 1024 * 1024;

const prov::Product kProducts[] = {prov::Product::VelmoCafe, prov::Product::VelmoFact, prov::Product::VelmoPos,
                                   prov::Product::VelmoRest};

class Run {
public:
    Run(Console& console, const Options& options) : out_(console), options_(options) {}

    int Execute() {
        const std::string folder = prov::ProgramFolder();
        Heading("Pasta " + folder);
        CheckFolder(folder);
        Heading("Ficheiros de script");
        for (const std::string& script : scripts_) {
            for (Finding& f : CheckScript(script, scriptBytes_[&script - scripts_.data()])) Report(std::move(f));
        }
        Heading("Controladores ODBC");
        CheckDrivers();
        Targets();
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
    // the whole check.
    int Recheck() {
        findings_.resize(serverFindings_);
        localFacts_.reset();
        for (const Target& target : targets_) CheckServer(target);
        return ExitCode(findings_);
    }

private:
    struct Target {
        std::string origin;  // "op\xE7\xF5" "es" or the .udl's name
        prov::ConnectionSettings settings;
        std::string connectionString;  // the .udl's own, empty for options
    };

    void Heading(const std::string& title) { out_.Write(FormatHeading(title)); }
    void Report(Finding f) {
        out_.Write(FormatFinding(f));
        findings_.push_back(std::move(f));
    }

    void CheckFolder(const std::string& folder) {
        // A file of its own, with a unique name, removed when closed.
        const std::string probe = folder + "VerificaBD-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount64()) + ".tmp";
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE && WriteFile(file, "x", 1, &written, nullptr) && written == 1) {
            Report(Ok("a pasta aceita ficheiros novos (o assistente grava a\xED o ficheiro .udl)"));
        } else {
            Report(Failure("a pasta n\xE3o aceita ficheiros novos: " + prov::SystemErrorText(GetLastError()),
                           "Copie o produto para uma pasta onde o utilizador possa escrever, ou corra o assistente "
                           "como administrador."));
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        DeleteFileA(probe.c_str());

        prov::Win32Files files;
        for (std::string_view script : {prov::kSchemaScript, prov::kDefaultDataScript, prov::kDemoDataScript}) {
            try {
                std::string bytes = files.ReadAllBytes(folder + std::string(script));
                Report(Ok(std::string(script) + ": presente, " + std::to_string(bytes.size()) + " bytes"));
                scripts_.emplace_back(script);
                scriptBytes_.push_back(std::move(bytes));
            } catch (const std::exception& e) {
                Report(MissingScriptFinding(script, e.what()));
            }
        }

        prov::Win32VersionReader versions(folder);
        int found = 0;
        for (prov::Product product : kProducts) {
            const std::string name(prov::ProductName(product));
            if (GetFileAttributesA((folder + name + ".exe").c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            ++found;
            const std::optional<prov::ProductVersion> version = versions.ReadProductVersion(name);
            if (version) {
                Report(Ok(name + ".exe: vers\xE3o " + std::to_string(version->major) + "." +
                          std::to_string(version->minor) + "; base de dados proposta " +
                          prov::DefaultDatabaseName(name, version)));
            } else {
                Report(MissingVersionFinding(product));
            }
        }
        if (found == 0) {
            Report(Failure("nenhum execut\xE1vel de produto (VelmoCafe, VelmoFact, VelmoPos, VelmoRest) na pasta",
                           "Ponha o CriaBD.exe na pasta do execut\xE1vel do produto."));
        }

        for (prov::Product product : kProducts) {
            const std::string name = std::string(prov::ProductName(product)) + ".udl";
            const std::string path = folder + name;
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            if (std::optional<Finding> fixed = UnreplaceableFile(name, path)) {
                Report(std::move(*fixed));
                continue;
            }
            std::string bytes;
            try {
                bytes = files.ReadAllBytes(path);
            } catch (const std::exception& e) {
                Report(Failure(name + ": " + e.what(), "Feche o programa que tem o ficheiro aberto."));
                continue;
            }
            const std::vector<std::uint8_t> raw(bytes.begin(), bytes.end());
            DataLinkCheck check = CheckDataLinkBytes(name, raw);
            if (check.contents) {
                out_.Hide(check.contents->settings.password);
                udls_.push_back({name, check.contents->settings, check.contents->connectionString});
            }
            Report(std::move(check.finding));
        }
    }

    // The wizard replaces the data link file (a new file moved over it): one it cannot replace
    // stops the run at the review page. Opened for writing only to see whether it could be.
    static std::optional<Finding> UnreplaceableFile(const std::string& name, const std::string& path) {
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY)
            return Failure(name + ": s\xF3 de leitura, o assistente n\xE3o o pode substituir",
                           "Nas propriedades do ficheiro desmarque \"S\xF3 de leitura\".");
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return std::nullopt;
        }
        return Failure(name + ": o assistente n\xE3o o pode substituir (" + prov::SystemErrorText(GetLastError()) + ")",
                       "Feche o programa que o tem aberto; d\xEA ao utilizador permiss\xE3o de escrita no ficheiro.");
    }

    void CheckDrivers() {
        std::vector<std::string> installed;
        try {
            installed = prov::OdbcDatabase::InstalledDrivers();
        } catch (const std::exception& e) {
            Report(Failure(std::string("o gestor de ODBC n\xE3o responde: ") + e.what(), "Repare a instala\xE7\xE3o do Windows."));
            return;
        }
        std::string list;
        for (const std::string& name : installed) list += (list.empty() ? "" : ", ") + name;
        Report(Ok("instalados: " + (list.empty() ? std::string("nenhum") : list)));
        const std::vector<prov::OdbcDriver> chosen = prov::ChooseOdbcDrivers(installed);
        if (chosen.empty()) {
            Report(Failure("nenhum controlador ODBC do SQL Server que o assistente use",
                           "Instale o controlador ODBC do SQL Server (ODBC Driver 17 ou 18 for SQL Server)."));
        } else {
            Report(Ok("o assistente usar\xE1 \"" + std::string(chosen.front().name) + "\""));
        }
    }

    void Targets() {
        if (options_.server) {
            Target target{"op\xE7\xF5" "es", {*options_.server, options_.login.value_or("sa"), {}, options_.database.value_or("")}, {}};
            target.settings.password = out_.AskPassword("Palavra-passe de " + target.settings.login + ": ");
            out_.Hide(target.settings.password);
            targets_.push_back(std::move(target));
        }
        for (Target udl : udls_) {
            if (options_.database) udl.settings.database = *options_.database;
            targets_.push_back(std::move(udl));
        }
        if (targets_.empty()) {
            Heading("Servidor");
            Report(Warning("nenhum servidor para verificar", "D\xEA /servidor NOME[\\INSTANCIA] (veja VerificaBD /?), ou "
                                                             "corra o assistente at\xE9 \xE0 p\xE1gina de revis\xE3o."));
        }
    }

    void CheckServer(const Target& target) {
        const prov::ConnectionSettings& s = target.settings;
        repairing_ = &target == &targets_.front();
        if (repairing_) repairLogin_ = {};
        Heading("Servidor " + s.server + " (" + target.origin + ")");
        const std::optional<ServerAddress> address = ParseServer(s.server);
        if (!address) {
            Report(Failure("o nome do servidor \"" + s.server + "\" n\xE3o se l\xEA", "Escreva NOME, NOME\\INSTANCIA ou NOME,PORTA."));
            return;
        }
        if (!s.database.empty()) {
            if (std::optional<Finding> refused = DatabaseNameFinding(s.database, base::WidenToUtf16(s.database)))
                Report(std::move(*refused));
        }
        // On the server's own PC, what the server's installer and the server wrote comes first;
        // there the wizard reaches the server without TCP/IP or the Browser (a local name goes
        // over shared memory), so a probe that fails tells only that the other tills cannot.
        local_ = nullptr;
        if (NamesThisComputer(address->host, ThisComputerName(), ThisComputerAddresses())) {
            if (!localFacts_) localFacts_ = ReadLocalServerFacts();
            for (Finding& f : LocalServerFindings(*localFacts_, *address)) Report(std::move(f));
            repairLocal_ = repairLocal_ || repairing_;
            local_ = InstanceAddressed(*localFacts_, *address);
        }
        if (!ProbeNetwork(*address)) return;

        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(prov::MasterConnectionString(s));
        const auto started = std::chrono::steady_clock::now();
        try {
            db.Open();
        } catch (const prov::DatabaseError& e) {
            ReportConnectionFailure("login em master como " + s.login, e, started, s.login);
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
        CheckCreatePermission(db, s.login);
        if (!s.database.empty()) CheckDatabase(db, s);
        db.Close();
        if (!target.connectionString.empty()) CheckDataLinkConnection(target);
    }

    // The Browser (for a named instance without a port) and the TCP port, as another till reaches
    // the server. False when the login is not worth trying: a probe that failed, unless the
    // instance is installed on this PC.
    bool ProbeNetwork(const ServerAddress& address) {
        std::optional<unsigned short> port = address.port;
        if (!address.instance.empty() && !port) {
            std::string error;
            const std::optional<std::string> answer =
                AskBrowser(address.host, std::string("\x04", 1) + address.instance + std::string("\0", 1), kBrowserWait, error);
            const auto instances = answer ? ParseBrowserAnswer(*answer) : std::nullopt;
            if (instances && !instances->empty() && (*instances)[0].tcpPort) {
                port = (*instances)[0].tcpPort;
                Report(Ok("SQL Server Browser: inst\xE2ncia " + address.instance + ", porta TCP " + std::to_string(*port) +
                          ", vers\xE3o " + (*instances)[0].version));
            } else if (instances && !instances->empty()) {
                Probe(Failure("SQL Server Browser: a inst\xE2ncia " + address.instance + " n\xE3o escuta em TCP/IP",
                              "Ative o TCP/IP da inst\xE2ncia no SQL Server Configuration Manager e reinicie-a."));
                if (!local_) return false;
            } else if (!error.empty()) {
                Probe(Failure("SQL Server Browser: " + error, "Confirme o nome do computador do servidor."));
                if (!local_) return false;
            } else {
                // Silent for this name: does it answer at all?
                std::string ignored;
                const std::optional<std::string> all = AskBrowser(address.host, "\x03", kBrowserWait, ignored);
                const auto known = all ? ParseBrowserAnswer(*all) : std::nullopt;
                if (known && !known->empty()) {
                    std::string names;
                    for (const BrowserInstance& i : *known) names += (names.empty() ? "" : ", ") + i.instance;
                    Probe(Failure("SQL Server Browser: a inst\xE2ncia " + address.instance +
                                      " n\xE3o existe neste servidor; inst\xE2ncias conhecidas: " + names,
                                  "Corrija o nome da inst\xE2ncia (no assistente, o campo da inst\xE2ncia)."));
                } else {
                    Probe(Failure("SQL Server Browser: sem resposta em " + std::to_string(kBrowserWait.count()) +
                                      " ms (UDP 1434)",
                                  "Inicie o servi\xE7o SQL Server Browser e deixe passar UDP 1434 na firewall, ou d\xEA a "
                                  "porta: NOME,PORTA."));
                }
                if (!local_) return false;
            }
        }
        // What the registry said of TCP/IP on this PC needs no probe to be told again.
        if (local_ && local_->tcpEnabled == false) return true;
        if (local_ && !port && !address.instance.empty()) return true;
        const unsigned short tcpPort = port.value_or(1433);
        const std::string tcp = TryTcp(address.host, tcpPort, kTcpWait);
        if (!tcp.empty()) {
            Probe(Failure("TCP " + address.host + ":" + std::to_string(tcpPort) + ": " + tcp,
                          "Inicie o servi\xE7o do SQL Server, ative o TCP/IP e deixe passar a porta na firewall."));
            return local_ != nullptr;
        }
        Report(Ok("TCP " + address.host + ":" + std::to_string(tcpPort) + ": aceita liga\xE7\xF5" "es"));
        return true;
    }

    // A probe that fails for an instance of this PC is an AVISO: the wizard here still connects.
    void Probe(Finding f) {
        if (local_ && f.level == Level::Failure) {
            f.level = Level::Warning;
            f.advice = "Neste PC o assistente liga-se na mesma; os outros postos n\xE3o: " + f.advice;
        }
        Report(std::move(f));
    }

    // The wizard creates the database: the login needs CREATE ANY DATABASE (sysadmin and
    // dbcreator have it).
    void CheckCreatePermission(prov::OdbcDatabase& master, const std::string& login) {
        try {
            const auto rows = master.Query("SELECT HAS_PERMS_BY_NAME(NULL, NULL, 'CREATE ANY DATABASE')");
            if (!rows.empty() && !rows[0].empty() && rows[0][0] == "1") {
                Report(Ok("o login " + login + " pode criar bases de dados"));
            } else {
                if (repairing_) repairLogin_.cannotCreate = true;
                Report(Failure("o login " + login + " n\xE3o pode criar bases de dados (falta-lhe CREATE ANY DATABASE)",
                               "No SQL Server Management Studio d\xEA ao login a fun\xE7\xE3o de servidor dbcreator "
                               "(Seguran\xE7" "a, Logins, propriedades, Fun\xE7\xF5" "es de servidor), ou use no assistente o "
                               "login sa."));
            }
        } catch (const prov::DatabaseError& e) {
            Report(Warning(std::string("a permiss\xE3o de criar bases de dados n\xE3o se l\xEA (") + e.what() + ")",
                           "Confirme que o login tem a fun\xE7\xE3o de servidor dbcreator ou sysadmin."));
        }
    }

    void CheckDatabase(prov::OdbcDatabase& master, const prov::ConnectionSettings& s) {
        std::string quoted;
        for (char c : s.database) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        std::optional<std::string> status, access;
        try {
            const auto rows = master.Query("SELECT DATABASEPROPERTYEX('" + quoted + "', 'Status'), DATABASEPROPERTYEX('" +
                                           quoted + "', 'UserAccess')");
            if (!rows.empty() && rows[0].size() == 2) {
                status = rows[0][0];
                access = rows[0][1];
            }
        } catch (const prov::DatabaseError& e) {
            Report(Warning("base de dados " + s.database + ": o estado n\xE3o se l\xEA (" + e.what() + ")",
                           "Confirme as permiss\xF5" "es do login."));
            return;
        }
        if (!status) {
            // A refused name has had its FALHA: the wizard creates nothing under it.
            if (prov::IsUsableDatabaseName(base::WidenToUtf16(s.database)))
                Report(Ok("base de dados " + s.database + ": n\xE3o existe (o assistente cria-a)"));
            return;
        }
        if (*status != "ONLINE") {
            Report(Failure("base de dados " + s.database + ": estado " + *status,
                           "Ponha-a ONLINE no SQL Server Management Studio, ou restaure-a."));
            return;
        }
        const bool singleUser = access.value_or("") == "SINGLE_USER";
        if (singleUser) {
            Report(Failure("base de dados " + s.database + ": em modo SINGLE_USER (o produto n\xE3o a pode usar)",
                           "Feche os programas que a usam e corra no servidor: " + prov::MultiUserStatement(s.database)));
        }
        // The wizard's own probe: a database it cannot open counts as absent, so it goes straight
        // to CREATE DATABASE, which fails on the existing one.
        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(prov::DatabaseConnectionString(s));
        try {
            db.Open();
        } catch (const prov::DatabaseError& e) {
            if (singleUser) return;  // its FALHA says why
            Report(Failure("base de dados " + s.database + ": existe, mas o login " + s.login +
                               " n\xE3o a pode abrir; o assistente toma-a por ausente, tenta cri\xE1-la e mostra \"Erro na "
                               "cria\xE7\xE3o da base de dados!\" (" + e.what() + ")",
                           "D\xEA ao login acesso a esta base de dados (um utilizador nela, no SQL Server Management "
                           "Studio), ou use no assistente um login que a possa abrir (sa)."));
            return;
        }
        if (!singleUser) {
            Report(Ok("base de dados " + s.database + ": existe, ONLINE, " + access.value_or("?") +
                      " (o assistente pergunta antes de a substituir)"));
        }
        try {
            const auto rows = db.Query("SELECT major, minor, loja FROM versao");
            if (rows.empty()) {
                Report(Ok("base de dados " + s.database + ": tabela versao sem linhas"));
            } else {
                const auto& r = rows.front();
                Report(Ok("base de dados " + s.database + ": versao " + r[0].value_or("NULL") + "." +
                          r[1].value_or("NULL") + ", loja " + r[2].value_or("NULL")));
            }
        } catch (const prov::DatabaseError& e) {
            // Never advise replacing it: it may be a shop's live database under another layout.
            Report(Warning("base de dados " + s.database + ": a linha versao n\xE3o se l\xEA (" + e.what() + ")",
                           "Confirme que \xE9 a base de dados deste produto; envie este relat\xF3rio ao suporte. "
                           "N\xE3o a substitua: pode ter os dados da loja."));
        }
    }

    // As the product connects: through the data link service with the file's provider; with ODBC
    // where that provider is not installed on this PC (said so).
    void CheckDataLinkConnection(const Target& udl) {
        const std::string what = udl.origin + " (" + MaskPassword(udl.connectionString) + ")";
        std::string provider = udl.connectionString.substr(udl.connectionString.find('=') + 1);
        provider = provider.substr(0, provider.find(';'));
        auto started = std::chrono::steady_clock::now();
        const DataLinkOpen open = OpenDataLink(udl.connectionString, kLoginTimeout);
        if (open.outcome == DataLinkOpen::Outcome::Connected) {
            Report(Ok(what + ": o produto liga-se (OLE DB, " + provider + ")"));
            return;
        }
        if (open.outcome == DataLinkOpen::Outcome::Failed) {
            ReportRefusal(what + " (OLE DB, " + provider + ")", open.messages, started, udl.settings.login,
                          udl.settings.database);
            return;
        }
        const std::string odbc = " (tentado com ODBC: o fornecedor OLE DB " + provider + " n\xE3o est\xE1 instalado neste PC)";
        prov::OdbcDatabase db({kLoginTimeout, seconds(10)});
        db.SetConnectionString(udl.connectionString);
        started = std::chrono::steady_clock::now();
        try {
            db.Open();
            Report(Ok(what + ": o produto liga-se" + odbc));
        } catch (const prov::DatabaseError& e) {
            ReportConnectionFailure(what + odbc, e, started, udl.settings.login, udl.settings.database);
        }
    }

    void ReportConnectionFailure(const std::string& what, const prov::DatabaseError& e,
                                 std::chrono::steady_clock::time_point started, const std::string& login,
                                 std::string_view database = {}) {
        std::vector<ServerMessage> messages;
        for (const prov::DiagnosticRecord& r : e.Records())
            messages.push_back({r.sqlState, r.nativeError, r.state, r.severity, r.text});
        if (messages.empty()) messages.push_back({e.SqlState(), e.NativeError(), 0, 0, e.what()});
        ReportRefusal(what, messages, started, login, database);
    }

    void ReportRefusal(const std::string& what, const std::vector<ServerMessage>& messages,
                       std::chrono::steady_clock::time_point started, const std::string& login, std::string_view database) {
        Cause cause = LikelyCause(messages, database);
        const auto has = [&](long number) {
            return std::any_of(messages.begin(), messages.end(), [&](const ServerMessage& m) { return m.number == number; });
        };
        // The client is told state 1 whatever the cause; on the server's PC its log tells the truth.
        std::optional<LoginRefusal> logged;
        std::string logError;
        const bool readLog = has(18456) && !has(4060) && local_ && !local_->errorLog.empty();
        if (readLog) {
            const std::u16string tail = ReadFileTail(local_->errorLog, kErrorLogTail, logError);
            if (logError.empty()) logged = LatestLoginRefusal(tail, login);
            if (logged) cause = LoginStateCause(logged->state);
        }
        if (repairing_ && (has(18470) || (logged && logged->state == 7))) repairLogin_.disabled = true;
        const auto elapsed = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started);
        Report(Failure(what + ": " + cause.cause + " (" + std::to_string(elapsed.count()) + " ms)", cause.advice));
        for (const ServerMessage& m : messages) out_.Write("        " + DescribeMessage(m) + "\n");
        if (!readLog) return;
        const std::string log = "o registo de erros do servidor (" + local_->errorLog + ")";
        if (logged) {
            out_.Write("        " + log + ":\n");
            for (std::size_t at = 0; at < logged->lines.size();) {
                const std::size_t end = logged->lines.find('\n', at);
                out_.Write("          " + logged->lines.substr(at, end - at) + "\n");
                at = end + 1;
            }
        } else if (!logError.empty()) {
            Report(Warning(log + " n\xE3o se l\xEA: " + logError,
                           "Corra o VerificaBD como administrador (bot\xE3o direito, \"Executar como administrador\"): o "
                           "registo diz a causa exata da recusa."));
        } else {
            Report(Warning(log + " n\xE3o tem a recusa do login " + login,
                           "No SQL Server Management Studio, propriedades do servidor, Seguran\xE7" "a, ponha a auditoria "
                           "de logins em \"S\xF3 logins falhados\" e corra o VerificaBD de novo."));
        }
    }

    Console& out_;
    const Options& options_;
    std::vector<Finding> findings_;
    std::vector<std::string> scripts_;
    std::vector<std::string> scriptBytes_;
    std::vector<Target> udls_;
    std::vector<Target> targets_;
    std::optional<LocalServerFacts> localFacts_;  // read once, for the first target on this PC
    // The current target's instance when it is installed on this PC (in localFacts_): the wizard
    // here reaches it without the network.
    const InstalledInstance* local_ = nullptr;
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
                          ? "VerificaBD: verifica\xE7\xE3o para o assistente CriaBD (s\xF3 se altera o que for aceite)\n"
                          : "VerificaBD: verifica\xE7\xE3o para o assistente CriaBD (nada \xE9 alterado)\n");
        try {
            ConsoleDialogue dialogue(console);
            std::optional<int> ended;
            if (options.undo) ended = Desfazer({{}, std::nullopt, options.yesToAll}, console, dialogue).exitCode;
            Run run(console, options);
            if (!ended) code = run.Execute();
            if (!ended && options.repair) {
                const RepairOutcome repaired =
                    Corrigir({run.RepairTarget(), options.port, options.yesToAll, run.RepairLocalFacts()}, console, dialogue);
                ended = repaired.exitCode;
                if (!ended && repaired.changed) {
                    console.Write(FormatHeading("Verifica\xE7\xE3o depois das corre\xE7\xF5" "es"));
                    code = run.Recheck();
                }
            }
            if (ended) code = *ended;
        } catch (const std::exception& e) {
            console.Write(std::string("[FALHA] erro inesperado: ") + e.what() + "\n");
            code = kExitFailed;
        }
        console.Write(code == kExitOk ? "\nResultado: sem falhas.\n" : "\nResultado: h\xE1 falhas (veja [FALHA] acima).\n");
    }
    if (console.OwnConsole()) console.WaitForEnter();
    return code;
}
