#include "checker/win/Firewall.h"

#include <windows.h>
#include <netfw.h>
#include <oleauto.h>

#include <memory>

#include "base/win/AnsiText.h"
#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using ComOwner = std::unique_ptr<T, ComRelease>;

struct BstrFree {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, BstrFree>;

Bstr MakeBstr(const std::string& ansi) { return Bstr(SysAllocString(base::Widen(ansi).c_str())); }

std::string Why(HRESULT result) { return prov::SystemErrorText(static_cast<unsigned long>(result)); }

}  // namespace

struct Firewall::Rules {
    ComOwner<INetFwPolicy2> policy;
    ComOwner<INetFwRules> rules;
};

Firewall::Firewall() {
    INetFwPolicy2* policy = nullptr;
    HRESULT result = CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwPolicy2),
                                      reinterpret_cast<void**>(&policy));
    if (FAILED(result) || !policy) {
        error_ = "a firewall do Windows não responde (" + Why(result) + ")";
        return;
    }
    auto owned = std::make_unique<Rules>();
    owned->policy.reset(policy);
    INetFwRules* rules = nullptr;
    result = policy->get_Rules(&rules);
    if (FAILED(result) || !rules) {
        error_ = "as regras da firewall do Windows não se leem (" + Why(result) + ")";
        return;
    }
    owned->rules.reset(rules);
    rules_ = std::move(owned);
}

Firewall::~Firewall() = default;

std::optional<bool> Firewall::HasRule(const std::string& name) {
    if (!rules_) return std::nullopt;
    INetFwRule* rule = nullptr;
    const HRESULT result = rules_->rules->Item(MakeBstr(name).get(), &rule);
    const ComOwner<INetFwRule> owned(rule);
    if (SUCCEEDED(result) && rule) return true;
    if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return false;
    return std::nullopt;
}

std::string Firewall::AddInboundRule(const std::string& name, const std::string& what) {
    if (!rules_) return error_;
    INetFwRule* created = nullptr;
    HRESULT result = CoCreateInstance(__uuidof(NetFwRule), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwRule),
                                      reinterpret_cast<void**>(&created));
    const ComOwner<INetFwRule> rule(created);
    if (FAILED(result) || !rule) return "a firewall do Windows não cria regras (" + Why(result) + ")";
    const bool udp = what.rfind("udp:", 0) == 0;
    const auto step = [&](HRESULT r) {
        if (SUCCEEDED(result)) result = r;
    };
    step(rule->put_Name(MakeBstr(name).get()));
    step(rule->put_Description(MakeBstr("Criada pelo VerificaBD /corrigir (CriaBD); VerificaBD /desfazer remove-a.").get()));
    step(rule->put_Direction(NET_FW_RULE_DIR_IN));
    step(rule->put_Action(NET_FW_ACTION_ALLOW));
    step(rule->put_Profiles(NET_FW_PROFILE2_ALL));
    if (udp) {
        step(rule->put_Protocol(NET_FW_IP_PROTOCOL_UDP));
        step(rule->put_LocalPorts(MakeBstr(what.substr(4)).get()));
    } else {
        step(rule->put_ApplicationName(MakeBstr(what.substr(what.find(':') + 1)).get()));
    }
    step(rule->put_Enabled(VARIANT_TRUE));
    step(rules_->rules->Add(rule.get()));
    if (FAILED(result)) return "a regra não foi criada (" + Why(result) + ")";
    if (HasRule(name) != true) return "a regra não aparece na firewall depois de criada";
    return {};
}

std::string Firewall::RemoveRule(const std::string& name) {
    if (!rules_) return error_;
    const HRESULT result = rules_->rules->Remove(MakeBstr(name).get());
    if (FAILED(result)) return "a regra não foi removida (" + Why(result) + ")";
    if (HasRule(name) != false) return "a regra continua na firewall";
    return {};
}

}  // namespace checker
