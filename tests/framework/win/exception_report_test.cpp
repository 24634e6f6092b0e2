// The trampoline is the exception firewall: a handler that throws gives exactly one report box
// (message with its full stop, the application's title as caption, error icon) and the message
// loop goes on.

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "framework/win/StdCtrls.h"

namespace {

fw::Application& App() {
    static fw::Application application;
    return application;
}

struct SeenBox {
    std::wstring text, caption;
    LONG_PTR style = 0;
    int count = 0;
};
SeenBox g_seen;

BOOL CALLBACK CloseMessageBox(HWND hwnd, LPARAM) {
    wchar_t className[32] = {};
    ::GetClassNameW(hwnd, className, 32);
    if (std::wstring(className) != L"#32770" || !::IsWindowVisible(hwnd)) return TRUE;
    wchar_t buffer[512] = {};
    ::GetWindowTextW(hwnd, buffer, 512);
    g_seen.caption = buffer;
    ::GetDlgItemTextW(hwnd, 0xFFFF, buffer, 512);
    g_seen.text = buffer;
    g_seen.style = ::GetWindowLongPtrW(::GetDlgItem(hwnd, 0x0440 + 8), GWL_STYLE);  // icon control, if any
    ++g_seen.count;
    ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK CloseBoxesTimer(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &CloseMessageBox, 0);
}

TEST(ExceptionReport, TextGetsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},          {"Falhou", "Falhou."},  {"Falhou.", "Falhou."}, {"Falhou!", "Falhou!"},
        {"(x)", "(x)"},    {"abc,", "abc,"},        {"123", "123."},        {"Liga\xE7\xE3o", "Liga\xE7\xE3o."},
        {"fim/", "fim/."}, {"a-", "a-"},
    };
    for (const auto& [message, expected] : cases) EXPECT_EQ(fw::ExceptionReportText(message), expected) << message;
}

TEST(ExceptionReport, TitleIsTheFileNameCutAtTheFirstDotWithTheRestInLowerCase) {
    const std::pair<std::wstring, std::string> cases[] = {
        {L"C:\\Programas\\Velmo\\CriaBD.exe", "Criabd"},
        {L"C:\\a.b\\SETUP.Final.EXE", "Setup"},
        {L"Z:/tmp/x.exe", "x"},
        {L"\\\\srv\\share\\\u00C9DITION.exe", "\xC9" "dition"},
        {L"C:\\dir\\NOEXTENSION", "Noextension"},
    };
    for (const auto& [path, title] : cases) EXPECT_EQ(fw::ApplicationTitle(path), title);
    EXPECT_EQ(App().Title(), "exception_report_test");  // this program
}

TEST(ExceptionReport, AThrowingClickHandlerGivesOneReportAndTheLoopGoesOn) {
    fw::Application& app = App();
    fw::TForm form;
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    auto* box = static_cast<fw::TCheckBox*>(form.Own(std::make_unique<fw::TCheckBox>()));
    box->SetParent(&form);
    box->SetBounds(10, 10, 120, 20);
    box->SetCaption("Falha");
    box->OnClick = {"BoxClick", [](fw::Component&) { throw std::runtime_error("Erro de teste"); }};
    app.SetMainForm(&form);
    form.Show();

    const int reportsBefore = app.ExceptionReports();
    g_seen = {};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseBoxesTimer);
    ::SendMessageW(box->Handle(), BM_CLICK, 0, 0);  // BN_CLICKED -> OnClick throws
    ::KillTimer(nullptr, timer);

    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    EXPECT_EQ(g_seen.count, 1);
    EXPECT_EQ(g_seen.text, L"Erro de teste.");
    EXPECT_EQ(g_seen.caption, L"exception_report_test");
    EXPECT_TRUE(box->Checked()) << "the state change before the throw stays";

    // The loop goes on: a posted message is still dispatched.
    bool dispatched = false;
    box->OnClick = {"BoxClick", [&](fw::Component&) { dispatched = true; }};
    ::PostMessageW(box->Handle(), BM_CLICK, 0, 0);
    MSG msg;
    for (int i = 0; i < 100 && !dispatched; ++i) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
    EXPECT_TRUE(dispatched);
    app.SetMainForm(nullptr);
}

}  // namespace
