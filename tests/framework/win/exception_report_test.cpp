// The default exception report: a handler that throws, reached by a click, a key or a timer, gives
// exactly one report box (message with its full stop, the application's title as caption, error
// icon, one OK button) and the message loop goes on. So does a failure while the window is
// created or set up before it is shown (Show, OnShow): it does not end the program.

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "RealInput.h"
#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "framework/win/StdCtrls.h"

namespace {

using fwtest::BoxAnswerer;
using fwtest::Settles;

fw::Application& App() {
    static fw::Application application;
    return application;
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

// A form with one check box, the application's main form while it lives.
struct ReportForm {
    ReportForm() {
        App().SetMainForm(&form);
        form.SetClientWidth(240);
        form.SetClientHeight(120);
        box = static_cast<fw::TCheckBox*>(form.Own(std::make_unique<fw::TCheckBox>()));
        box->SetName("box");
        box->SetParent(&form);
        box->SetBounds(10, 10, 120, 20);
        box->SetCaption("&Falha");
        radio = static_cast<fw::TRadioButton*>(form.Own(std::make_unique<fw::TRadioButton>()));
        radio->SetParent(&form);
        radio->SetBounds(10, 40, 120, 20);
        radio->SetCaption("&Um");
        other = static_cast<fw::TRadioButton*>(form.Own(std::make_unique<fw::TRadioButton>()));
        other->SetParent(&form);
        other->SetBounds(10, 65, 120, 20);
        other->SetCaption("&Dois");
    }
    ~ReportForm() { App().SetMainForm(nullptr); }
    fw::TForm form;
    fw::TCheckBox* box;
    fw::TRadioButton *radio, *other;
};

// What a report must look like: the text with its full stop, the program's title, an error icon
// and a single OK button; answered, and the only box.
void ExpectOneReport(BoxAnswerer& answerer, const std::wstring& text) {
    const fwtest::SeenBox& seen = answerer.Join();
    EXPECT_EQ(answerer.Failure(), "");
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.caption, L"exception_report_test");
    EXPECT_TRUE(seen.errorIcon);
    ASSERT_EQ(seen.buttons.size(), 1u);
    EXPECT_EQ(seen.buttons.front().first, IDOK);
    EXPECT_TRUE(BoxAnswerer::Boxes(::GetCurrentThreadId()).empty()) << "a second box followed";
}

// A control whose platform window cannot be made (its class does not exist).
class TUnmadeControl : public fw::TWinControl {
protected:
    void CreateParams(fw::WindowParams& params) override {
        fw::TWinControl::CreateParams(params);
        params.className = L"NoSuchWindowClass";
    }
};

class TUnmadeForm : public fw::TForm {
protected:
    void CreateParams(fw::WindowParams& params) override {
        fw::TForm::CreateParams(params);
        params.className = L"NoSuchWindowClass";
    }
};

TEST(ExceptionReport, AThrowingClickHandlerGivesOneReportAndTheLoopGoesOn) {
    fw::Application& app = App();
    ReportForm f;
    f.box->OnClick = {"BoxClick", [](fw::Component&) { throw std::runtime_error("Erro de teste"); }};
    f.form.Show();
    const int reportsBefore = app.ExceptionReports();
    {
        BoxAnswerer answerer(BoxAnswerer::Enter());
        fwtest::Click(*f.box);
        ExpectOneReport(answerer, L"Erro de teste.");
    }
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    EXPECT_TRUE(Settles([&] { return f.box->Checked(); }, true)) << "the state change before the throw stays";
    EXPECT_TRUE(Settles(fwtest::FocusedControl, static_cast<fw::TWinControl*>(f.box))) << "the focus came back";

    // The loop goes on: the next click is handled.
    bool clicked = false;
    f.box->OnClick = {"BoxClick", [&](fw::Component&) { clicked = true; }};
    fwtest::Click(*f.box);
    EXPECT_TRUE(Settles([&] { return clicked; }, true));
    EXPECT_TRUE(Settles([&] { return f.box->Checked(); }, false));
}

TEST(ExceptionReport, AThrowingHandlerReachedByTheKeyboardIsReportedLikeAClick) {
    fw::Application& app = App();
    ReportForm f;
    f.other->OnClick = {"OtherClick", [](fw::Component&) { throw std::runtime_error("Escolha recusada"); }};
    f.form.Show();
    fwtest::Click(*f.radio);
    const int reportsBefore = app.ExceptionReports();
    {
        BoxAnswerer answerer(BoxAnswerer::Enter());
        fwtest::Press(f.form, VK_DOWN);  // arrows check the next radio button: its handler throws
        ExpectOneReport(answerer, L"Escolha recusada.");
    }
    {
        BoxAnswerer answerer(BoxAnswerer::Enter());
        fwtest::Press(f.form, 'U', {VK_MENU});  // the accelerator goes back: no throw...
        fwtest::Press(f.form, 'D', {VK_MENU});  // ...and to the throwing one again
        ExpectOneReport(answerer, L"Escolha recusada.");
    }
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 2);
    EXPECT_TRUE(Settles([&] { return f.other->Checked(); }, true));
    EXPECT_TRUE(Settles([&] { return f.radio->Checked(); }, false));
}

TEST(ExceptionReport, AThrowingOnShowIsReportedAndTheWindowStillComesUp) {
    fw::Application& app = App();
    ReportForm f;
    f.form.OnShow = {"FormShow", [](fw::Component&) { throw std::runtime_error("Falha ao preparar a janela"); }};
    const int reportsBefore = app.ExceptionReports();
    BoxAnswerer answerer(BoxAnswerer::Enter());
    EXPECT_NO_THROW(f.form.Show());
    ExpectOneReport(answerer, L"Falha ao preparar a janela.");
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    ASSERT_TRUE(f.form.HandleAllocated());
    EXPECT_TRUE(::IsWindowVisible(f.form.Handle()));
    EXPECT_FALSE(f.form.SettingUp());

    // The window works: a click reaches its control.
    fwtest::Click(*f.box);
    EXPECT_TRUE(Settles([&] { return f.box->Checked(); }, true));
}

TEST(ExceptionReport, AControlWhoseWindowCannotBeMadeIsReportedAndTheFormComesUp) {
    fw::Application& app = App();
    ReportForm f;
    auto* unmade = f.form.Own(std::make_unique<TUnmadeControl>());
    static_cast<TUnmadeControl*>(unmade)->SetParent(&f.form);
    bool onShowRan = false;
    f.form.OnShow = {"FormShow", [&](fw::Component&) { onShowRan = true; }};
    const int reportsBefore = app.ExceptionReports();
    BoxAnswerer answerer(BoxAnswerer::Enter());
    EXPECT_NO_THROW(f.form.Show());
    ExpectOneReport(answerer, L"Error creating window.");
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    EXPECT_FALSE(onShowRan) << "OnShow works on controls that may have no window";
    ASSERT_TRUE(f.form.HandleAllocated());
    EXPECT_TRUE(::IsWindowVisible(f.form.Handle()));
    fwtest::Click(*f.box);
    EXPECT_TRUE(Settles([&] { return f.box->Checked(); }, true)) << "the controls made before it work";
}

TEST(ExceptionReport, AFormWhoseWindowCannotBeMadeIsReportedAndStaysWithoutAWindow) {
    fw::Application& app = App();
    TUnmadeForm form;
    app.SetMainForm(&form);
    const int reportsBefore = app.ExceptionReports();
    BoxAnswerer answerer(BoxAnswerer::Enter());
    EXPECT_NO_THROW(form.Show());
    ExpectOneReport(answerer, L"Error creating window.");
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    EXPECT_FALSE(form.HandleAllocated());
    app.SetMainForm(nullptr);
}

}  // namespace
