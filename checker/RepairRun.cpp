#include "checker/RepairRun.h"

#include <set>

namespace checker {
namespace {

const std::string kByHand = "Faça a alteração à mão (veja LEIA-ME.txt, VerificaBD /corrigir) ou envie "
                            "este relatório ao suporte.";

// One question; /sim answers it yes and says so.
bool Consent(RepairDialogue& dialogue, bool yesToAll, std::string_view question) {
    const std::string asked = std::string(question) + " (S/N) ";
    if (yesToAll) {
        dialogue.Write(asked + "S (/sim)\n");
        return true;
    }
    return SaysYes(dialogue.Ask(asked));
}

// Records, makes and reports one change; false when it did not (all) happen.
class ChangeMaker {
public:
    ChangeMaker(int firstNumber, RepairActions& actions, RepairDialogue& dialogue, RecordFile& record, RepairCounts& counts)
        : next_(firstNumber), actions_(actions), dialogue_(dialogue), record_(record), counts_(counts) {}

    bool Make(const Change& change, bool undoing) {
        const int number = next_++;
        if (!record_.Append(StartedLine(number, record_.Now(), change, undoing))) {
            counts_.recordUnwritable = true;
            dialogue_.Write(FormatFinding(Failure("o registo das alterações (" + record_.Where() +
                                                      ") não se escreve: nada mais foi alterado",
                                                  "Sem registo não há caminho de volta; veja se o disco está "
                                                  "cheio e corra de novo como administrador.")));
            return false;
        }
        const ActionResult result = actions_.Make(change);
        record_.Append(OutcomeLine(number, record_.Now(), result.status, result.detail));
        const std::string what = Describe(change);
        if (result.status == EntryStatus::Done) {
            ++counts_.made;
            dialogue_.Write(FormatFinding(Ok((undoing ? "desfeito: " : "feito: ") + what +
                                             (result.detail.empty() ? "" : " (lido de novo: " + result.detail + ")"))));
            return true;
        }
        ++counts_.failed;
        if (result.status == EntryStatus::Partly) {
            dialogue_.Write(FormatFinding(Failure("feito só em parte: " + what + ": " + result.detail,
                                                  "Para repor o que foi feito corra VerificaBD /desfazer; " + kByHand)));
        } else {
            dialogue_.Write(FormatFinding(Failure("não foi feito: " + what + ": " + result.detail, kByHand)));
        }
        return false;
    }

    // Marks an undone entry (the change that put it back has its own entry).
    void MarkUndone(const RecordEntry& entry, bool done, const std::string& detail) {
        record_.Append(done ? OutcomeLine(entry.number, record_.Now(), EntryStatus::Undone)
                            : UndoFailedLine(entry.number, record_.Now(), detail));
    }

private:
    int next_;
    RepairActions& actions_;
    RepairDialogue& dialogue_;
    RecordFile& record_;
    RepairCounts& counts_;
};

void Show(RepairDialogue& dialogue, const std::string& finding, const std::vector<Change>& changes, const std::string& effect) {
    std::string text = "\n" + finding + "\n";
    for (const Change& c : changes) text += "        muda: " + Describe(c) + "\n";
    if (!effect.empty()) text += "        e também: " + effect + "\n";
    dialogue.Write(text);
}

void Summary(RepairDialogue& dialogue, const RepairCounts& counts, const RecordFile& record, bool undoing) {
    dialogue.Write("\n" + std::string(undoing ? "Desfeitas: " : "Feitas: ") + std::to_string(counts.made) +
                   "; recusadas: " + std::to_string(counts.declined) + "; falharam: " + std::to_string(counts.failed) +
                   ". Registo: " + record.Where() + "\n");
    if (!undoing && counts.made + counts.failed > 0)
        dialogue.Write("Para as desfazer: VerificaBD /desfazer (como administrador).\n");
}

// The service's restart, when something made in this run counts only after it.
void OfferRestart(const std::string& service, const std::string& why, bool yesToAll, RepairActions& actions,
                  RepairDialogue& dialogue, ChangeMaker& maker, RepairCounts& counts) {
    const Change restart{ChangeKind::Restart, service, {}, "a correr", "a correr", {}};
    Show(dialogue, why, {restart}, "o serviço vai ser reiniciado: quem estiver ligado perde a ligação");
    if (const std::optional<int> sessions = actions.ConnectedSessions())
        dialogue.Write("        sessões ligadas ao servidor agora: " + std::to_string(*sessions) + "\n");
    if (!Consent(dialogue, yesToAll, "Reiniciar?")) {
        ++counts.declined;
        dialogue.Write(FormatFinding(Warning("o serviço " + service + " não foi reiniciado: as alterações "
                                             "só contam depois de o reiniciar",
                                             "Reinicie-o em Serviços do Windows (services.msc) quando ninguém "
                                             "estiver ligado.")));
        return;
    }
    maker.Make(restart, false);
}

}  // namespace

RepairCounts MakeRepairs(const RepairPlan& plan, bool yesToAll, int firstNumber, RepairActions& actions,
                         RepairDialogue& dialogue, RecordFile& record) {
    RepairCounts counts;
    ChangeMaker maker(firstNumber, actions, dialogue, record, counts);
    std::set<std::string> awaitingRestart;  // services with a setting made in this run
    for (const Finding& note : plan.notes) dialogue.Write(FormatFinding(note));
    if (plan.repairs.empty()) {
        dialogue.Write(FormatFinding(Ok("nada a corrigir neste PC")));
        return counts;
    }
    for (const Repair& repair : plan.repairs) {
        if (repair.restartForChanges) {
            const std::string& service = repair.changes.front().target;
            if (awaitingRestart.count(service) == 0) continue;
            OfferRestart(service, repair.finding, yesToAll, actions, dialogue, maker, counts);
            awaitingRestart.erase(service);
            if (counts.recordUnwritable) break;
            continue;
        }
        Show(dialogue, repair.finding, repair.changes, repair.effect);
        if ((!repair.askFirst.empty() && !Consent(dialogue, yesToAll, repair.askFirst)) ||
            !Consent(dialogue, yesToAll, "Corrigir?")) {
            ++counts.declined;
            continue;
        }
        for (const Change& change : repair.changes) {
            if (!maker.Make(change, false)) break;
            if (!change.service.empty()) awaitingRestart.insert(change.service);
            // A start puts every setting made before it into effect.
            if (change.kind == ChangeKind::Start) awaitingRestart.erase(change.target);
        }
        if (counts.recordUnwritable) break;
    }
    Summary(dialogue, counts, record, false);
    return counts;
}

RepairCounts UndoRepairs(const std::vector<RecordEntry>& plan, bool yesToAll, int firstNumber, RepairActions& actions,
                         RepairDialogue& dialogue, RecordFile& record) {
    RepairCounts counts;
    ChangeMaker maker(firstNumber, actions, dialogue, record, counts);
    std::set<std::string> awaitingRestart;
    if (plan.empty()) dialogue.Write(FormatFinding(Ok("nada a desfazer: o registo não tem alterações por desfazer")));
    for (const RecordEntry& entry : plan) {
        const Change back = Inverse(entry.change);
        // What the record says of how far the change went, where it did not end as asked.
        std::string state;
        if (entry.status == EntryStatus::Partly) state = "a alteração ficou feita só em parte: " + entry.detail;
        if (entry.status == EntryStatus::Started) state = "o programa parou durante a alteração: pode não ter sido feita";
        Show(dialogue, "alteração " + std::to_string(entry.number) + " de " + entry.when + ": " + Describe(entry.change),
             {back}, state);
        if (!Consent(dialogue, yesToAll, "Desfazer?")) {
            ++counts.declined;
            continue;
        }
        const bool done = maker.Make(back, true);
        if (counts.recordUnwritable) break;
        maker.MarkUndone(entry, done, done ? std::string() : "ver a entrada seguinte do registo");
        if (done && !back.service.empty()) awaitingRestart.insert(back.service);
    }
    for (const std::string& service : awaitingRestart) {
        if (counts.recordUnwritable || !actions.IsRunning(service)) continue;
        OfferRestart(service, "as alterações desfeitas só contam depois de reiniciar o serviço " + service,
                     yesToAll, actions, dialogue, maker, counts);
    }
    Summary(dialogue, counts, record, true);
    return counts;
}

RefusalReport DescribeRefusal(const RepairPlan& plan, std::string_view server) {
    RefusalReport report;
    switch (plan.refusal) {
        case RepairPlan::Refusal::None:
            break;
        case RepairPlan::Refusal::OtherComputer:
            report.findings.push_back(Warning("o servidor " + std::string(server) + " não é deste PC: nada foi "
                                              "alterado (o VerificaBD só corrige o PC onde corre)",
                                              "Corra VerificaBD /corrigir no PC do servidor, como administrador."));
            break;
        case RepairPlan::Refusal::NotInstalledHere:
            report.findings.push_back(Warning("a instância de " + std::string(server) + " não está instalada neste "
                                              "PC: nada foi alterado",
                                              "Confirme o nome da instância; corra VerificaBD /corrigir no PC do "
                                              "servidor."));
            break;
        case RepairPlan::Refusal::NotAdministrator:
            for (const Repair& repair : plan.repairs) {
                if (!repair.restartForChanges) report.findings.push_back(Warning(repair.finding, "corrigido com /corrigir"));
            }
            report.findings.push_back(Failure("sem direitos de administrador: nada foi alterado",
                                              "Feche esta janela; clique com o botão direito em \"Linha de comandos\" "
                                              "(ou no VerificaBD.exe), escolha \"Executar como administrador\" e corra "
                                              "de novo VerificaBD /corrigir."));
            report.exitCode = 2;
            break;
    }
    return report;
}

}  // namespace checker
