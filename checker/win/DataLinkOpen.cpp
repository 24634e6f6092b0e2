#include "checker/win/DataLinkOpen.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <windows.h>
#include <msdasc.h>
#include <oledb.h>
#include <oledberr.h>

#include <cstdio>

#include "base/Text.h"
#include "checker/OutputText.h"

namespace checker {
namespace {

std::string Ansi(const OwnedBstr& text) {
    if (!text) return {};
    return ReportText(std::u16string_view(reinterpret_cast<const char16_t*>(text.Get()), SysStringLen(text.Get())));
}

// The provider's error records of the failure just reported on this thread: each one's text, and
// its SQLSTATE and server error number where the provider gives them.
std::vector<ServerMessage> ErrorRecords(HRESULT failure) {
    std::vector<ServerMessage> messages;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        ComPtr<IErrorRecords> records;
        ULONG count = 0;
        if (SUCCEEDED(info->QueryInterface(IID_IErrorRecords, records.PutVoid())) &&
            SUCCEEDED(records->GetRecordCount(&count))) {
            for (ULONG i = 0; i < count; ++i) {
                ServerMessage m;
                ComPtr<IErrorInfo> one;
                OwnedBstr text;
                if (SUCCEEDED(records->GetErrorInfo(i, GetUserDefaultLCID(), one.Put())) && one &&
                    SUCCEEDED(one->GetDescription(text.Put())))
                    m.text = Ansi(text);
                ComPtr<ISQLErrorInfo> sql;
                OwnedBstr state;
                LONG native = 0;
                if (SUCCEEDED(records->GetCustomErrorObject(i, IID_ISQLErrorInfo, sql.PutUnknown())) && sql &&
                    SUCCEEDED(sql->GetSQLInfo(state.Put(), &native))) {
                    m.sqlState = Ansi(state);
                    m.number = native;
                }
                messages.push_back(std::move(m));
            }
        } else {
            OwnedBstr text;
            info->GetDescription(text.Put());
            messages.push_back({{}, 0, 0, 0, Ansi(text)});
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
                                service.PutVoid()))) {
        result.outcome = DataLinkOpen::Outcome::ProviderMissing;
        return result;
    }
    const std::u16string wide =
        base::Cp1252ToUtf16(connectionString + ";Connect Timeout=" + std::to_string(loginTimeout.count()));
    ComPtr<IDBInitialize> source;
    const HRESULT made = service->GetDataSource(nullptr, CLSCTX_INPROC_SERVER,
                                                const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(wide.c_str())),
                                                IID_IDBInitialize, source.PutUnknown());
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
