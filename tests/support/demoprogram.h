#pragma once
// The windowed program as "vexa --demo" starts it, on a copy of the shipped data and a
// temporary settings file, with the demo's virtual controller as the port and timers the
// test advances. Message boxes and modal dialogs are answered from the test's script.
#include "app/vlx.h"
#include "core/timerservice.h"
#include "support/appoptions.h"
#include "support/docfixture.h"
#include "support/shippedprogram.h"
#include "uicommon/messagebox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vexa::testing {

class DemoProgramTest : public ::testing::Test {
public:
    CMainFrame& Frame() { return *app->Frame(); }
    CVLXDoc& Doc() { return *app->Doc(); }

protected:
    void SetUp() override {
        InstallUiScript(&script);
        CopyBuiltData(dir);
    }
    void TearDown() override {
        app.reset();
        InstallUiScript(nullptr);
    }

    // The options main() makes for "vexa --demo", on the test's directory.
    AppOptions DemoOptions() {
        AppOptions options = HeadlessAppOptions(dir, timers, ports);
        options.demo = true;
        options.simOptions.baud = 0; // the demo's controller without the line's pacing
        options.mail = std::make_unique<NoMail>();
        return options;
    }

    // Starts the program; a file dialog answers savePath when saving and nothing when
    // opening.
    void StartProgram(AppOptions options) {
        app = std::make_unique<CVLXApp>(std::move(options));
        ASSERT_TRUE(app->InitInstance());
        app->fileDialog = [this](QWidget*, bool save, const std::string&) {
            return save ? savePath : std::string();
        };
    }

    TempDir dir;
    UiScript script;
    ManualTimerService timers;
    NoPorts ports;
    std::unique_ptr<CVLXApp> app;
    std::string savePath;
};

} // namespace vexa::testing
