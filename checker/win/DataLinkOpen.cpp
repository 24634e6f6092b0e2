#include "checker/win/DataLinkOpen.h"

#include <windows.h>
#include <msdasc.h>
#include <oledb.h>
#include <oledberr.h>

#include <cstdio>

#include "base/Text.h"
#include "checker/OutputText.h"

namespace checker {
namespace {

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

struct Bstr {
    BSTR text = nullptr;
    ~Bstr() { SysFreeString(text); }
    std::string Ansi() const {
        if (!text) return {};
        return ReportText(std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
    }
};

struct ComApartment {
    ComApartment() : ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok) CoUninitialize();
    }
    bool ok;
};

// The provider's error records of the failure just reported on this thread: each one's text, and
// its SQLSTATE and server error number where the provider gives them.
std::vector<ServerMessage> ErrorRecords(HRESULT failure) {
    std::vector<ServerMessage> messages;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        ComPtr<IErrorRecords> records;
        ULONG count = 0;
        if (SUCCEEDED(info->QueryInterface(IID_IErrorRecords, reinterpret_cast<void**>(&records))) &&
            SUCCEEDED(records->GetRecordCount(&count))) {
            for (ULONG i = 0; i < count; ++i) {
                ServerMessage m;
                ComPtr<IErrorInfo> one;
                Bstr text;
                if (SUCCEEDED(records->GetErrorInfo(i, GetUserDefaultLCID(), &one)) && one &&
                    SUCCEEDED(one->GetDescription(&text.text)))
                    m.text = text.Ansi();
                ComPtr<ISQLErrorInfo> sql;
                Bstr state;
                LONG native = 0;
                if (SUCCEEDED(records->GetCustomErrorObject(i, IID_ISQLErrorInfo, reinterpret_cast<IUnknown**>(&sql))) &&
                    sql && SUCCEEDED(sql->GetSQLInfo(&state.text, &native))) {
                    m.sqlState = state.Ansi();
                    m.number = native;
                }
                messages.push_back(std::move(m));
            }
        } else {
            Bstr text;
            info->GetDescription(&text.text);
            messages.push_back({{}, 0, 0, 0, text.Ansi()});
        }
    }
    if (messages.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "HRESULT 0x%08lX", static_cast<unsigned long>(failure));
        messages.push_back({{}, 0, 0, 0, code});
    }
    return messages;
}

}  // namespace

DataLinkOpen OpenDataLink(const std::string& connectionString, std::chrono::seconds loginTimeout) {
    DataLinkOpen result;
    ComApartment com;
    ComPtr<IDataInitialize> service;
    if (FAILED(CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                                reinterpret_cast<void**>(&service)))) {
        result.outcome = DataLinkOpen::Outcome::ProviderMissing;
        return result;
    }
    const std::u16string wide =
        base::Cp1252ToUtf16(connectionString + ";Connect Timeout=" + std::to_string(loginTimeout.count()));
    ComPtr<IDBInitialize> source;
    const HRESULT made = service->GetDataSource(nullptr, CLSCTX_INPROC_SERVER,
                                                const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(wide.c_str())),
                                                IID_IDBInitialize, reinterpret_cast<IUnknown**>(&source));
    if (FAILED(made)) {
        // A provider that is not registered on this PC: its name unknown (CO_E_CLASSSTRING) or
        // its class missing.
        result.outcome = made == CO_E_CLASSSTRING || made == REGDB_E_CLASSNOTREG || made == E_NOINTERFACE
                             ? DataLinkOpen::Outcome::ProviderMissing
                             : DataLinkOpen::Outcome::Failed;
        if (result.outcome == DataLinkOpen::Outcome::Failed) result.messages = ErrorRecords(made);
        return result;
    }
    const HRESULT opened = source->Initialize();
    if (SUCCEEDED(opened)) {
        source->Uninitialize();
        result.outcome = DataLinkOpen::Outcome::Connected;
    } else {
        result.messages = ErrorRecords(opened);
    }
    return result;
}

}  // namespace checker
