#pragma once
// Base fixture of the GUI tests: refuses to start without a display under Wine (the programs would
// hang with no window), and keeps a screenshot of the whole screen of every failed test in
// <bin>/gui-failures/<Suite>.<Test>.png.

#include <gtest/gtest.h>

#include <string>

#include "driver/Driver.h"

namespace gui {

class GuiTest : public testing::Test {
protected:
    void SetUp() override {
        if (UnderWine() && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0)
            FAIL() << "no DISPLAY: GUI tests need an X display (scripts/test.sh starts an Xvfb)";
    }

    void TearDown() override {
        if (!HasFailure()) return;
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (auto& c : name)
            if (c == '/' || c == '\\' || c == ':') c = '_';
        try {
            const auto folder = ProgramFolder() / "gui-failures";
            std::filesystem::create_directories(folder);
            const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            const auto file = folder / (name + ".png");
            CaptureScreen(screen).SavePng(file);
            std::printf("screenshot of the failure: %s\n", file.string().c_str());
        } catch (const std::exception& e) {
            std::printf("no screenshot of the failure: %s\n", e.what());
        }
    }
};

}  // namespace gui
