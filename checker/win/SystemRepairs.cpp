#include "checker/win/SystemRepairs.h"

#include <chrono>
#include <cstdio>

#include "checker/win/SystemSettings.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/win/OdbcDatabase.h"

namespace checker {
namespace {

using std::chrono::milliseconds;
constexpr std::chrono::seconds kServiceBound{60};
constexpr std::chrono::seconds kLoginTimeout{5};
// As the check's own password: a pipe that sends nothing is not waited on for ever.
constexpr std::chrono::seconds kPasswordWait{10};

std::string Seconds(milliseconds waited) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(waited.count()) / 1000.0);
    std::string shown = text;
    for (char& c : shown) if (c == '.') c = ',';
    return shown;
}

std::optional<std::string> FirstValue(prov::OdbcDatabase& db, const std::string& query) {
    const auto rows = db.Query(query);
    if (rows.empty() || rows[0].empty()) return std::nullopt;
    return rows[0][0];
}

ActionResult Done(std::string readBack) { return {EntryStatus::Done, std::move(readBack)}; }
ActionResult Failed(std::string why) { return {EntryStatus::Failed, std::move(why)}; }

}  // namespace

SystemRepairs::SystemRepairs(std::string server, RepairDialogue& dialogue, Console& console, Firewall& firewall)
    : server_(std::move(server)), dialogue_(dialogue), console_(console), firewall_(firewall) {}

SystemRepairs::~SystemRepairs() = default;

ActionResult SystemRepairs::Make(const Change& change) {
    switch (change.kind) {
        case ChangeKind::StartType:
        case ChangeKind::Start:
        case ChangeKind::Restart: return Service(change);
        case ChangeKind::RegistryNumber:
        case ChangeKind::RegistryText: return Registry(change);
        case ChangeKind::LoginEnabled:
        case ChangeKind::RoleMember: return Login(change);
        case ChangeKind::FirewallRule: return FirewallRule(change);
    }
    return Failed("alteração desconhecida");
}

bool SystemRepairs::IsRunning(const std::string& service) { return ReadService(service).running; }

ActionResult SystemRepairs::Service(const Change& change) {
    const std::string& name = change.target;
    if (change.kind == ChangeKind::StartType) {
        const auto wanted = static_cast<StartType>(std::stoi(change.after.value_or("0")));
        if (std::string why = SetStartType(name, wanted); !why.empty()) return Failed(why);
        const StartType now = ReadService(name).startType;
        if (now != wanted) return Failed("o arranque lido de novo é " + std::to_string(static_cast<int>(now)));
        return Done(StartTypeName(change.after.value_or("")));
    }
    // A start or restart: waited for, with a line of progress.
    const auto progress = [&](milliseconds) { dialogue_.Write("."); };
    const auto started = std::chrono::steady_clock::now();
    const auto waited = [&] {
        return Seconds(std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started));
    };
    if (change.kind == ChangeKind::Restart && ReadService(name).running) {
        dialogue_.Write("        a parar o serviço " + name + " (até 60 s)");
        if (std::string why = StopAndWait(name, kServiceBound, progress); !why.empty()) {
            dialogue_.Write(" " + why + "\n");
            return Failed(why + "; o serviço continua como estava");
        }
        dialogue_.Write(" parado ao fim de " + waited() + "\n");
    }
    admin_.reset();  // a connection does not outlive the server's restart
    dialogue_.Write("        a iniciar o serviço " + name + " (até 60 s)");
    const std::string why = StartAndWait(name, kServiceBound, progress);
    const bool running = ReadService(name).running;
    dialogue_.Write(running ? " a correr ao fim de " + waited() + "\n" : " " + why + "\n");
    if (running) return Done("a correr");
    if (change.kind == ChangeKind::Restart)
        return {EntryStatus::Partly, "parado, não voltou a iniciar: " + why + ". Inicie-o em Serviços do Windows "
                                     "(services.msc); veja o registo de erros do servidor"};
    return Failed(why);
}

ActionResult SystemRepairs::Registry(const Change& change) {
    const std::optional<RegistryPlace> place = ReadRegistryTarget(change.target);
    if (!place) return Failed("chave do registo ilegível: " + change.target);
    RegistryKey key(place->view, place->key, true);
    if (!key) return Failed("a chave não abre: " + key.Error());
    std::optional<std::string> now;
    if (change.kind == ChangeKind::RegistryNumber) {
        const std::optional<DWORD> wanted =
            change.after ? std::optional<DWORD>(std::stoul(*change.after)) : std::nullopt;
        if (std::string why = key.SetNumber(change.value, wanted); !why.empty()) return Failed(why);
        if (const std::optional<DWORD> read = key.Number(change.value)) now = std::to_string(*read);
    } else {
        if (std::string why = key.SetText(change.value, change.after); !why.empty()) return Failed(why);
        now = key.Text(change.value);
    }
    if (now != change.after) return Failed("o valor lido de novo é " + now.value_or("(nenhum)"));
    return Done(now ? *now : "(não existe)");
}

ActionResult SystemRepairs::Login(const Change& change) {
    std::string why;
    prov::OdbcDatabase* db = Administrator(change.server.empty() ? server_ : change.server, true, why);
    if (!db) return Failed(why);
    try {
        db->ExecuteCommand(LoginStatement(change, serverMajorVersion_));
    } catch (const std::exception& e) {
        return Failed(std::string("o servidor recusou: ") + e.what());
    }
    try {
        const std::optional<std::string> state = LoginStateFromReadBack(change, FirstValue(*db, LoginReadBackQuery(change)));
        if (state != change.after) return Failed("lido de novo, o login não mudou");
    } catch (const std::exception& e) {
        return Failed(std::string("feito, mas não se lê de novo: ") + e.what());
    }
    return Done(change.after == "1" ? "sim" : "não");
}

ActionResult SystemRepairs::FirewallRule(const Change& change) {
    const std::string why =
        change.after ? firewall_.AddInboundRule(change.target, change.value) : firewall_.RemoveRule(change.target);
    if (!why.empty()) return Failed(why);
    return Done(change.after ? "a regra existe" : "a regra já não existe");
}

prov::OdbcDatabase* SystemRepairs::Administrator(const std::string& server, bool mayAsk, std::string& why) {
    if (admin_ && adminServer_ == server) return admin_.get();
    admin_.reset();
    auto db = std::make_unique<prov::OdbcDatabase>(prov::OdbcOptions{kLoginTimeout, std::chrono::seconds(30)});
    // Connected as someone who may change logins: a member of sysadmin.
    const auto connect = [&](const std::string& connection) -> std::string {
        try {
            db->SetConnectionString(connection);
            db->Open();
            if (FirstValue(*db, "SELECT IS_SRVROLEMEMBER('sysadmin')") != "1") {
                db->Close();
                return "não é administrador do servidor (sysadmin)";
            }
            const std::string version = FirstValue(*db, "SELECT SERVERPROPERTY('ProductVersion')").value_or("");
            serverMajorVersion_ = std::atoi(version.c_str());
            return {};
        } catch (const std::exception& e) {
            return e.what();
        }
    };
    if (windowsRefused_.empty()) {
        windowsRefused_ = connect("Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=master;Data Source=" +
                                  prov::QuoteOleDbValue(server));
        if (windowsRefused_.empty()) {
            admin_ = std::move(db);
            adminServer_ = server;
            return admin_.get();
        }
    }
    why = "sem ligação como administrador do servidor (autenticação do Windows: " + windowsRefused_ + ")";
    if (!mayAsk || adminAsked_) return nullptr;
    adminAsked_ = true;
    dialogue_.Write(FormatFinding(Warning("a autenticação do Windows não dá acesso de administrador ao "
                                          "servidor " + server + " (" + windowsRefused_ + ")",
                                          "Dê o login de outro administrador do servidor (por exemplo sa); a "
                                          "palavra-passe não aparece nem fica guardada.")));
    std::string login = dialogue_.Ask("Login de administrador do servidor (Enter para não fazer): ").value_or("");
    while (!login.empty() && (login.back() == ' ' || login.back() == '\r')) login.pop_back();
    if (login.empty()) {
        why = "nenhum login de administrador dado";
        return nullptr;
    }
    std::optional<std::string> asked = console_.AskPassword("Palavra-passe de " + login + ": ", kPasswordWait);
    if (!asked) {
        why = "sem palavra-passe para o login " + login + " (a entrada acabou)";
        return nullptr;
    }
    std::string password = std::move(*asked);
    console_.Hide(password);
    const std::string refused = connect(prov::MasterConnectionString({server, login, password, {}}));
    password.assign(password.size(), '\0');
    if (!refused.empty()) {
        why = "o login " + login + " não serve: " + refused;
        return nullptr;
    }
    admin_ = std::move(db);
    adminServer_ = server;
    return admin_.get();
}

std::optional<int> SystemRepairs::ConnectedSessions() {
    std::string why;
    prov::OdbcDatabase* db = Administrator(server_, false, why);
    if (!db) return std::nullopt;
    try {
        const std::optional<std::string> count = FirstValue(
            *db, "SELECT COUNT(*) FROM sys.dm_exec_sessions WHERE is_user_process = 1 AND session_id <> @@SPID");
        if (count) return std::atoi(count->c_str());
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace checker
