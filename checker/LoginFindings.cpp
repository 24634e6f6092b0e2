#include "checker/LoginFindings.h"

#include <algorithm>

#include "checker/OutputText.h"

namespace checker {
namespace {

bool Has(const std::vector<ServerMessage>& records, long number) {
    return std::any_of(records.begin(), records.end(), [&](const ServerMessage& m) { return m.number == number; });
}

// The refusal's lines as the log has them, each on a detail line of its own.
void AddLines(std::vector<std::string>& details, std::u16string_view lines) {
    while (!lines.empty()) {
        const std::size_t end = std::min(lines.find(u'\n'), lines.size());
        std::u16string_view line = lines.substr(0, end);
        while (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        details.push_back("  " + ReportText(line));
        lines.remove_prefix(std::min(end + 1, lines.size()));
    }
}

}  // namespace

bool WantsErrorLog(const LoginFailure& failure, const InstalledInstance* local) {
    return Has(failure.records, 18456) && !Has(failure.records, 4060) && local && !local->errorLog.empty();
}

LoginVerdict JudgeLoginFailure(const LoginFailure& failure, const std::optional<ErrorLogTail>& log,
                               const LogTime& checkBegan) {
    Cause cause = LikelyCause(failure.records, failure.reach, failure.database);
    std::optional<ErrorLogReading> reading;
    if (log && log->error.empty()) {
        reading = ReadLoginRefusals(log->text, failure.login, checkBegan);
        if (reading->sinceCheckBegan) cause = LoginStateCause(reading->sinceCheckBegan->state);
    }
    LoginVerdict verdict;
    const bool loggedDisabled = reading && reading->sinceCheckBegan && reading->sinceCheckBegan->state == 7;
    verdict.loginDisabled = Has(failure.records, 18470) || loggedDisabled;
    verdict.failure = Failure(failure.what + ": " + cause.cause + " (" + std::to_string(failure.elapsed.count()) + " ms)",
                              cause.advice);
    for (const ServerMessage& m : failure.records) verdict.details.push_back(DescribeMessage(m));
    if (!log) return verdict;

    const std::string where = "o registo de erros do servidor (" + log->path + ")";
    if (!log->error.empty()) {
        verdict.logFinding = Warning(where + " não se lê: " + log->error,
                                     "Corra o VerificaBD como administrador (botão direito, \"Executar como "
                                     "administrador\"): o registo diz a causa exata da recusa.");
        return verdict;
    }
    if (reading->sinceCheckBegan) {
        const LoggedRefusal& r = *reading->sinceCheckBegan;
        verdict.details.push_back(where + ":");
        AddLines(verdict.details, std::u16string_view(log->text).substr(r.at, r.length));
        return verdict;
    }
    const std::string since = " desde o início desta verificação (" + FormatLogTime(checkBegan) + ")";
    const std::string mayNotTell =
        "O registo pode não o dizer por várias razões, sem que se saiba qual: a auditoria de logins em \"Nenhum\" "
        "(propriedades do servidor, Segurança: ponha \"Só logins falhados\"), o servidor a escrever noutro registo, ou "
        "a conta do serviço sem direito de escrita nele. Veja isso e corra o VerificaBD de novo.";
    if (reading->earlier) {
        const LoggedRefusal& r = *reading->earlier;
        verdict.logFinding = Warning(where + " não tem recusa do login " + failure.login + since +
                                         "; a última é anterior, de " + FormatLogTime(r.when) +
                                         ", e não é a causa desta: " + LoginStateCause(r.state).cause,
                                     mayNotTell);
    } else {
        verdict.logFinding = Warning(where + " não tem recusa do login " + failure.login + since, mayNotTell);
    }
    return verdict;
}

}  // namespace checker
