// The "COM Port Settings" dialog on the port list and the controller finder, and the
// screenshots a person looks at.
#include "app/comselectdlg.h"
#include "core/settingskeys.h"
#include "core/transmissioncatalogue.h"
#include "frame/commandids.h"
#include "graph/vlxview.h"
#include "link/serialport.h"
#include "settings_ui/aboutdlg.h"
#include "sim/simpty.h"
#include "uifixture.h"

#include <QComboBox>
#include <QPushButton>

namespace vexa::testing {
namespace {

std::vector<std::string> ListTexts(QComboBox* list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i)
        texts.push_back(list->itemText(i).toStdString());
    return texts;
}

std::string StoredPort(CVLXApp& app) {
    return app.Settings().GetString(kSectionCommunication, kKeyCOMPortName, "");
}

TEST_F(AppTest, ThePortListShowsEachPortOnceAndStoresTheChoice) {
    lister.ports = {{"/dev/ttyUSB0", "USB Serial"},
                    {"/dev/ttyS10", ""},
                    {"/dev/ttyS2", ""},
                    {"/dev/ttyUSB0", ""}};
    Start(Options(false));
    CComSelectDlg dialog(app->Settings(), lister, &app->Controller()->Monitor(), kSimPortName,
                         &Frame());
    EXPECT_EQ(dialog.windowTitle().toStdString(), "COM Port Settings");
    EXPECT_EQ(ListTexts(dialog.PortList()),
              (std::vector<std::string>{"NONE <will select later>", "/dev/ttyS2", "/dev/ttyS10",
                                        "/dev/ttyUSB0 <USB Serial>", "Virtual controller (demo)"}));
    // Nothing was stored: the first real port is chosen, stored and opened (and it does
    // not exist here, which is said).
    EXPECT_EQ(dialog.PortList()->currentIndex(), 1);
    EXPECT_EQ(StoredPort(*app), "/dev/ttyS2");
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "Communication Port Configuration Error");

    dialog.PortList()->setCurrentIndex(4);
    EXPECT_EQ(StoredPort(*app), kSimPortName);
    EXPECT_EQ(script.shown.size(), 1u); // the virtual controller opens
    timers.Advance(1000);
    EXPECT_TRUE(app->IsConnected());
    dialog.PortList()->setCurrentIndex(0);
    EXPECT_EQ(StoredPort(*app), "");
    EXPECT_EQ(script.shown.size(), 1u); // NONE is stored silently

    dialog.HelpButton()->click();
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].caption, "Help");
    EXPECT_EQ(script.shown[1].flags, unsigned{kMbIconInformation});
}

TEST_F(AppTest, TheFinderFindsTheControllerOnAPseudoTerminal) {
    SimPty pty;
    std::string error;
    ASSERT_TRUE(pty.Start(error)) << error;
    lister.ports = {{"/dev/ttyS99", ""}, {pty.SlavePath(), "Virtual pty"}};
    Start(Options(false));
    CComSelectDlg dialog(app->Settings(), lister, &app->Controller()->Monitor(), kSimPortName,
                         &Frame());
    script.shown.clear();
    dialog.FindButton()->click();
    ASSERT_FALSE(script.shown.empty());
    EXPECT_EQ(script.shown.back().caption, "Communication Setup Successful!");
    EXPECT_EQ(script.shown.back().text, "Found controller on " + pty.SlavePath() + ".");
    EXPECT_EQ(dialog.PortList()->currentText().toStdString(), pty.SlavePath() + " <Virtual pty>");
    EXPECT_EQ(StoredPort(*app), pty.SlavePath());
}

TEST_F(AppTest, TheFinderReportsAMachineWithoutPortsAndKeepsTheChoice) {
    Start(Options(true)); // the virtual controller chosen for the run
    CComSelectDlg dialog(app->Settings(), lister, &app->Controller()->Monitor(), kSimPortName,
                         &Frame());
    EXPECT_EQ(ListTexts(dialog.PortList()),
              (std::vector<std::string>{"NONE <will select later>", "Virtual controller (demo)"}));
    EXPECT_EQ(dialog.PortList()->currentIndex(), 1);
    dialog.FindButton()->click();
    ASSERT_FALSE(script.shown.empty());
    EXPECT_EQ(script.shown.back().caption, "No COM Port Available");
    EXPECT_EQ(dialog.PortList()->currentIndex(), 1);

    // Without a document there is no monitor to search with.
    CComSelectDlg orphan(app->Settings(), lister, nullptr, kSimPortName, &Frame());
    orphan.FindButton()->click();
    EXPECT_EQ(script.shown.back().caption, "Internal Program Error");
}

TEST_F(AppTest, TheCommunicationCommandRunsThePortDialog) {
    Start();
    std::vector<std::string> seen;
    script.runDialog = [&seen](QDialog& dialog) {
        seen.push_back(dialog.windowTitle().toStdString());
        return int{QDialog::Accepted};
    };
    ASSERT_TRUE(Frame().RunCommand(kIdCommSettings));
    EXPECT_EQ(seen, std::vector<std::string>{"COM Port Settings"});
}

// Pictures of the main window with a demo calibration, the About dialog and the port
// dialog, saved for a person to look at.
TEST_F(AppTest, Screenshots) {
    Start();
    Connect();
    SelectionEntry demo;
    demo.fileName = "Demo.def";
    ApplyTransmissionType(Doc(), demo);
    ASSERT_TRUE(Doc().OnSaveDocument(dir.File("demo.gvr")));
    ASSERT_TRUE(app->OpenDocumentFile(dir.File("demo.gvr")));
    Frame().resize(1000, 720);
    Frame().show();
    QApplication::processEvents();
    const QString out = QStringLiteral(VEXA_TEST_OUTPUT_DIR);
    const QImage window = Frame().grab().toImage();
    EXPECT_EQ(window.size(), Frame().size());
    EXPECT_TRUE(window.save(out + QStringLiteral("/main_window.png")));

    CAboutDlg about(app->Settings(), dir.path(), &Frame());
    about.show();
    QApplication::processEvents();
    EXPECT_TRUE(about.grab().save(out + QStringLiteral("/about_dialog.png")));

    lister.ports = {{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART"}};
    CComSelectDlg ports(app->Settings(), lister, &app->Controller()->Monitor(), kSimPortName,
                        &Frame());
    ports.show();
    QApplication::processEvents();
    EXPECT_TRUE(ports.grab().save(out + QStringLiteral("/port_dialog.png")));
}

} // namespace
} // namespace vexa::testing
