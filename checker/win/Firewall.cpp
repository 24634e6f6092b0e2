#include "checker/win/Firewall.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <netfw.h>

#include <memory>

#include "base/win/AnsiText.h"
#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

OwnedBstr MakeBstr(const std::string& ansi) { return OwnedBstr(SysAllocString(base::Widen(ansi).c_str())); }

std::string Why(HRESULT result) { return prov::SystemErrorText(static_cast<unsigned long>(result)); }

}  // namespace

struct Firewall::Rules {
    ComPtr<INetFwPolicy2> policy;
    ComPtr<INetFwRules> rules;
};

Firewall::Firewall() {
    auto owned = std::make_unique<Rules>();
    HRESULT result = CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwPolicy2),
                                      owned->policy.PutVoid());
    if (FAILED(result) || !owned->policy) {
        error_ = "a firewall do Windows não responde (" + Why(result) + ")";
        return;
    }
    result = owned->policy->get_Rules(owned->rules.Put());
    if (FAILED(result) || !owned->rules) {
        error_ = "as regras da firewall do Windows não se leem (" + Why(result) + ")";
        return;
    }
    rules_ = std::move(owned);
}

Firewall::~Firewall() = default;

std::optional<bool> Firewall::HasRule(const std::string& name) {
    if (!rules_) return std::nullopt;
    ComPtr<INetFwRule> rule;
    const HRESULT result = rules_->rules->Item(MakeBstr(name).Get(), rule.Put());
    if (SUCCEEDED(result) && rule) return true;
    if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return false;
    return std::nullopt;
}

std::string Firewall::AddInboundRule(const std::string& name, const std::string& what) {
    if (!rules_) return error_;
    ComPtr<INetFwRule> rule;
    HRESULT result = CoCreateInstance(__uuidof(NetFwRule), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwRule),
                                      rule.PutVoid());
    if (FAILED(result) || !rule) return "a firewall do Windows não cria regras (" + Why(result) + ")";
    const bool udp = what.rfind("udp:", 0) == 0;
    const auto step = [&](HRESULT r) {
        if (SUCCEEDED(result)) result = r;
    };
    step(rule->put_Name(MakeBstr(name).Get()));
    step(rule->put_Description(MakeBstr("Criada pelo VerificaBD /corrigir (CriaBD); VerificaBD /desfazer remove-a.").Get()));
    step(rule->put_Direction(NET_FW_RULE_DIR_IN));
    step(rule->put_Action(NET_FW_ACTION_ALLOW));
    step(rule->put_Profiles(NET_FW_PROFILE2_ALL));
    if (udp) {
        step(rule->put_Protocol(NET_FW_IP_PROTOCOL_UDP));
        step(rule->put_LocalPorts(MakeBstr(what.substr(4)).Get()));
    } else {
        step(rule->put_ApplicationName(MakeBstr(what.substr(what.find(':') + 1)).Get()));
    }
    step(rule->put_Enabled(VARIANT_TRUE));
    step(rules_->rules->Add(rule.Get()));
    if (FAILED(result)) return "a regra não foi criada (" + Why(result) + ")";
    if (HasRule(name) != true) return "a regra não aparece na firewall depois de criada";
    return {};
}

std::string Firewall::RemoveRule(const std::string& name) {
    if (!rules_) return error_;
    const HRESULT result = rules_->rules->Remove(MakeBstr(name).Get());
    if (FAILED(result)) return "a regra não foi removida (" + Why(result) + ")";
    if (HasRule(name) != false) return "a regra continua na firewall";
    return {};
}

}  // namespace checker
