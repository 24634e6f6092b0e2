#pragma once
// Every fixed text the provisioning shows the user, with its caption and message box flags, in
// one table. Texts are Windows-1252; lines are separated by a single LF.

#include <string>
#include <string_view>

#include "provisioning/WizardUi.h"

namespace prov {

enum class MessageId {
    ServerUnreachable,  // the master connection could not be opened
    ConfirmReplace,     // the database exists: replace it?
    CreationFailed,     // ALTER / DROP / CREATE DATABASE failed, or the name is unusable
    TablesFailed,       // the schema script failed
    DataFailed,         // the default-data script failed
    DemoFailed,         // the demonstration-data script failed
};

struct UserMessage {
    MessageId id;
    std::string_view text;
    std::string_view caption;
    unsigned flags;
};

inline constexpr UserMessage kUserMessages[] = {
    {MessageId::ServerUnreachable,
     "Erro na ligação ao servidor!\nPor favor verifique os dados e tente de novo.", "Aviso",
     kMbOk | kMbIconError},
    {MessageId::ConfirmReplace,
     "A base de dados já existe! Se continuar irá perder todos os dados e criar uma nova! TEM A CERTEZA?",
     "Confirmação", kMbOkCancel | kMbIconQuestion | kMbDefButton2},
    {MessageId::CreationFailed,
     "Erro na criação da base de dados!\nPor favor verifique os dados e tente de novo.", "Erro",
     kMbOk | kMbIconError},
    {MessageId::TablesFailed, "Erro na criação das tabelas!", "Erro", kMbOk | kMbIconError},
    {MessageId::DataFailed, "Erro na inserção de dados!", "Erro", kMbOk | kMbIconError},
    {MessageId::DemoFailed, "Erro na inserção dos dados demonstrativos!", "Erro", kMbOk | kMbIconError},
};

constexpr const UserMessage& UserMessageFor(MessageId id) {
    for (const UserMessage& message : kUserMessages) {
        if (message.id == id) return message;
    }
    return kUserMessages[0];  // unreachable: every id has its row
}

// The warning shown when the data link file could not be written (caption "Aviso", OK, warning
// icon): the file's full path and the system's reason.
struct OwnedUserMessage {
    std::string text;
    std::string_view caption;
    unsigned flags;
};
inline OwnedUserMessage DataLinkWriteWarning(std::string_view path, std::string_view reason) {
    std::string text = "N\xE3o foi poss\xEDvel gravar o ficheiro de liga\xE7\xE3o \"";
    text += path;
    text += "\":\n";
    text += reason;
    text += ".\nO programa n\xE3o poder\xE1 ligar-se \xE0 base de dados sem ele.";
    return {std::move(text), "Aviso", kMbOk | kMbIconWarning};
}

// The input box asking for the store number of a cloud installation.
struct TextPrompt {
    std::string_view caption;
    std::string_view prompt;
    std::string_view defaultText;
};
inline constexpr TextPrompt kStoreNumberPrompt = {"Numero da Loja", "Escolha o numero da loja:", "1"};

}  // namespace prov
