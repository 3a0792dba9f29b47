#pragma once
// The windowed program on a temporary program directory: the application object with the
// fixture definitions, a temporary settings file, the virtual controller as the port,
// timers the test advances, scripted port list and mail program, and every message box
// and modal dialog answered from a script.
#include "app/vlx.h"
#include "core/timerservice.h"
#include "frame/mainfrm.h"
#include "link/portdiscovery.h"
#include "link/supportpackage.h"
#include "link/vlxcontroller.h"
#include "support/appoptions.h"
#include "support/docfixture.h"
#include "uicommon/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vexa::testing {

class ScriptedPortLister : public PortLister {
public:
    std::vector<PortInfo> ListPorts() override { return ports; }
    std::vector<PortInfo> ports;
};

class FakeMail : public MailProgram {
public:
    explicit FakeMail(bool available) : available_(available) {}
    bool Available() const override { return available_; }
    int Send(const SupportMail& mail) override {
        sent.push_back(mail);
        return kMailSent;
    }
    std::vector<SupportMail> sent;

private:
    bool available_;
};

struct FileDialogRequest {
    bool save = false;
    std::string suggested;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallUiScript(&script);
        std::filesystem::copy(VEXA_SOURCE_DIR "/tests/ui/fixtures/program", dir.path(),
                              std::filesystem::copy_options::recursive);
    }
    void TearDown() override {
        app.reset();
        InstallUiScript(nullptr);
    }

    AppOptions Options(bool demo = true, bool mailAvailable = true) {
        AppOptions options = HeadlessAppOptions(dir, timers, lister);
        options.demo = demo;
        options.simOptions = SimOptions{};
        auto fakeMail = std::make_unique<FakeMail>(mailAvailable);
        mail = fakeMail.get();
        options.mail = std::move(fakeMail);
        return options;
    }

    void Start(AppOptions options) {
        app = std::make_unique<CVLXApp>(std::move(options));
        ASSERT_TRUE(app->InitInstance());
        app->fileDialog = [this](QWidget*, bool save, const std::string& suggested) {
            dialogRequests.push_back({save, suggested});
            if (dialogAnswers.empty())
                return std::string();
            std::string answer = dialogAnswers.front();
            dialogAnswers.erase(dialogAnswers.begin());
            return answer;
        };
        app->openWithDesktop = [this](const std::string& path) { opened.push_back(path); };
        Frame().resize(900, 700);
        QApplication::processEvents();
    }
    void Start() { Start(Options()); }

    // One poll tick: the monitor opens the port and identifies the virtual controller.
    void Connect() {
        timers.Advance(1000);
        ASSERT_TRUE(app->IsConnected()) << app->Controller()->LastError();
    }

    CMainFrame& Frame() { return *app->Frame(); }
    CVLXDoc& Doc() { return *app->Doc(); }
    bool Enabled(int id) {
        Frame().UpdateCommandUI();
        return Frame().Action(id)->isEnabled();
    }
    std::string Title() { return Frame().windowTitle().toStdString(); }
    std::vector<std::string> StopBoxes() const {
        std::vector<std::string> captions;
        for (const ShownMessageBox& box : script.shown) {
            if ((box.flags & 0xF0u) == kMbIconStop)
                captions.push_back(box.caption + " " + box.text);
        }
        return captions;
    }

    TempDir dir;
    UiScript script;
    ManualTimerService timers;
    ScriptedPortLister lister;
    FakeMail* mail = nullptr;
    std::unique_ptr<CVLXApp> app;
    std::vector<std::string> dialogAnswers;
    std::vector<FileDialogRequest> dialogRequests;
    std::vector<std::string> opened;
};

// Every item of a menu: its text, "-" for a separator; hidden items left out.
inline std::vector<std::string> MenuItems(QMenu* menu) {
    std::vector<std::string> items;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    return items;
}

} // namespace vexa::testing
