// The automation responder's line format, and its transport between two processes.

#include <gtest/gtest.h>

#include "driver/GuiTest.h"
#include "framework/win/Automation.h"

namespace {

fw::AutomationRecord Sample() {
    fw::AutomationRecord r;
    r.name = "Seguinte";
    r.className = "TAdvGlassButton";
    r.handle = 0x2a03e4;
    r.parent = "AdvSmoothPanel1";
    r.visible = true;
    r.enabled = false;
    r.focused = true;
    r.checked = -1;
    r.screen = {-5, 311, 490, 340};
    r.text = "Seguinte >>";
    r.extras = {{"Animated", "1"}, {"Odd key=,%", "a,b=c%\t\n\xE7"}};
    return r;
}

void ExpectSame(const fw::AutomationRecord& a, const fw::AutomationRecord& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.className, b.className);
    EXPECT_EQ(a.handle, b.handle);
    EXPECT_EQ(a.parent, b.parent);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_EQ(a.enabled, b.enabled);
    EXPECT_EQ(a.focused, b.focused);
    EXPECT_EQ(a.checked, b.checked);
    EXPECT_TRUE(EqualRect(&a.screen, &b.screen));
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.extras, b.extras);
}

TEST(AutomationFormat, LineIsTheDocumentedElevenTabSeparatedFields) {
    EXPECT_EQ(fw::FormatAutomationRecord(Sample()),
              "Seguinte\tTAdvGlassButton\t2a03e4\tAdvSmoothPanel1\t1\t0\t1\t-\t-5,311,490,340\tSeguinte%20>>\t"
              "Animated=1,Odd%20key%3D%2C%25=a%2Cb%3Dc%25%09%0A%E7");
}

TEST(AutomationFormat, EveryByteValueSurvivesTheRoundTrip) {
    auto record = Sample();
    record.text.clear();
    for (int byte = 0; byte < 256; ++byte) record.text += static_cast<char>(byte);
    for (const int checked : {-1, 0, 1}) {
        record.checked = checked;
        const std::string line = fw::FormatAutomationRecord(record);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        const auto back = fw::ParseAutomationRecord(line);
        ASSERT_TRUE(back) << line;
        ExpectSame(*back, record);
    }
}

TEST(AutomationFormat, MalformedLinesAreRejected) {
    const std::string good = fw::FormatAutomationRecord(Sample());
    ASSERT_TRUE(fw::ParseAutomationRecord(good));
    const auto replaceField = [&good](int index, std::string value) {
        std::vector<std::string> fields(1);
        for (char c : good) {
            if (c == '\t') fields.emplace_back();
            else fields.back() += c;
        }
        fields.at(static_cast<std::size_t>(index)) = std::move(value);
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
        return line;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ten fields", good.substr(0, good.rfind('\t'))},
        {"twelve fields", good + "\tx"},
        {"empty name", replaceField(0, "")},
        {"handle not hex", replaceField(2, "0x12")},
        {"visible not a flag", replaceField(4, "yes")},
        {"checked not a flag", replaceField(7, "2")},
        {"three corners", replaceField(8, "1,2,3")},
        {"corner not a number", replaceField(8, "1,2,3,x")},
        {"cut escape", replaceField(9, "ab%4")},
        {"bad escape", replaceField(9, "%G0")},
        {"extra without =", replaceField(10, "Animated")},
        {"extra with empty key", replaceField(10, "=1")},
    };
    for (const auto& [what, line] : cases) EXPECT_FALSE(fw::ParseAutomationRecord(line)) << what << ": " << line;
}

TEST(AutomationFormat, ReplyNeedsTheProtocolLineAndEndsEveryLine) {
    const std::string lines = fw::FormatAutomationRecords({Sample(), Sample()});
    std::string error;
    auto records = fw::ParseAutomationReply("fwauto 1\n" + lines, &error);
    ASSERT_TRUE(records) << error;
    EXPECT_EQ(records->size(), 2u);
    EXPECT_TRUE(fw::ParseAutomationReply("fwauto 1\n"));  // no controls at all
    EXPECT_FALSE(fw::ParseAutomationReply(lines, &error));
    EXPECT_NE(error.find("not an automation reply"), std::string::npos) << error;
    EXPECT_FALSE(fw::ParseAutomationReply("fwauto 1\n" + lines.substr(0, lines.size() - 1), &error));
    EXPECT_FALSE(fw::ParseAutomationReply("fwauto 2\n" + lines, &error));
    EXPECT_FALSE(fw::ParseAutomationReply("fwauto-error disk%20full\n", &error));
    EXPECT_EQ(error, "responder error: disk full");
}

class AutomationTransport : public gui::GuiTest {
protected:
    std::unique_ptr<gui::App> Start(std::wstring_view arguments) {
        auto app = gui::App::Launch(folder_.Copy(gui::ProgramFolder() / "rig_app.exe"), folder_.Path(), arguments);
        app->WaitForMainWindow(L"RigFixtureWindow");
        return app;
    }
    gui::StagingFolder folder_;
};

// A long description (thousands of controls, every text needing escapes) arrives whole.
TEST_F(AutomationTransport, LongDescriptionArrivesWhole) {
    auto app = Start(L"--extra-records 3000");
    const auto controls = app->Describe();
    ASSERT_EQ(controls.size(), 10u + 3000u);  // the fixture's own ten, then the extras
    EXPECT_EQ(controls.front().name, "frmRig");
    EXPECT_EQ(controls.front().Extra("Note"), "a,b=c%");
    EXPECT_EQ(controls.back().name, "extra2999");
    EXPECT_EQ(controls.back().text, "registo nº 2999\t\n");
}

// Each query reads the program's state afresh.
TEST_F(AutomationTransport, EveryQueryReadsTheCurrentState) {
    auto app = Start({});
    const auto first = app->Get("frmRig");
    EXPECT_EQ(first.Extra("Clicks"), "0");
    gui::ClickControl(app->Get("amostra"));
    app->WaitForControl("frmRig", [](const gui::Control& c) { return c.Extra("Clicks") == "1"; }, "clicked once");
}

// A describe function that throws is reported to the driver as an error; the program lives on.
TEST_F(AutomationTransport, ThrowingDescribeIsReportedAndTheProgramLivesOn) {
    auto app = Start(L"--describe-throws");
    try {
        app->Describe();
        FAIL() << "the describe request succeeded";
    } catch (const gui::DriverError& e) {
        EXPECT_NE(std::string(e.what()).find("responder error: describe failed on purpose"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(gui::WindowText(app->MainWindow()), "Ensaio do condutor: ação");
    PostMessageW(app->MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0u);
}

}  // namespace
