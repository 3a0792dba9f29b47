#pragma once
// The windowed program as a user meets it: started as main() starts it, on a copy of the
// shipped data and a temporary settings file, with the demo's virtual controller as the
// port and timers the test advances. The tests operate it only through input events:
// mouse clicks and key presses on the widget under a point, wheel events sent where the
// pointer is, and focus moving because something else was clicked. Message boxes and
// modal dialogs are answered from a script; a modal dialog is driven by events from its
// script while it runs.
#include "app/vlx.h"
#include "core/timerservice.h"
#include "core/transmissioncatalogue.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "frame/mainfrm.h"
#include "graph/dynamicdialogbar.h"
#include "settings_ui/dynamicpropertysheet.h"
#include "support/appoptions.h"
#include "support/demoprogram.h"
#include "support/docfixture.h"
#include "support/memorysettings.h"
#include "support/shippedprogram.h"
#include "uicommon/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vexa::testing {

class UserTest : public DemoProgramTest {
protected:
    // The options main() makes for "vexa --demo [file]", on the test's directory.
    AppOptions Options(const std::string& file = {}) {
        AppOptions options = DemoOptions();
        options.fileName = file;
        options.dataLogClock = &clock;
        return options;
    }

    // Starts the program and shows its window as the user sees it, active.
    void Start(AppOptions options) {
        ASSERT_NO_FATAL_FAILURE(StartProgram(std::move(options)));
        Activate(Frame());
    }
    void Start(const std::string& file = {}) { Start(Options(file)); }

    // Settings that remember the demo's controller, so a calibration made or opened with
    // them uses its definitions.
    void RememberDemoController(MemorySettings& settings) {
        const SimIdentity& identity = Options().simOptions.identity;
        settings.WriteInt("HardwareProfile", "DeviceType", identity.deviceType);
        settings.WriteInt("HardwareProfile", "FirmwareVersion", identity.firmwareVersion);
        settings.WriteInt("HardwareProfile", "FirmwareVersionMinor", identity.firmwareVersionMinor);
        settings.WriteInt("HardwareProfile", "HardwareVersion", identity.hardwareVersion);
    }

    // A calibration of the transmission type defFile for the demo's controller (as make run
    // makes its demo calibration), saved under name.
    std::string MakeCalibration(const std::string& defFile, const std::string& name) {
        MemorySettings settings;
        RememberDemoController(settings);
        NullDocumentHost host;
        CVLXDoc doc(CVLXDocServices{&settings, dir.path(), nullptr});
        doc.SetHost(&host);
        doc.OnNewDocument();
        bool found = false;
        for (const SelectionEntry& entry : ReadTransmissionCatalogue(doc)) {
            if (entry.fileName == defFile) {
                ApplyTransmissionType(doc, entry);
                found = true;
            }
        }
        EXPECT_TRUE(found) << defFile;
        const std::string path = dir.File(name);
        EXPECT_TRUE(doc.OnSaveDocument(path));
        doc.SetHost(nullptr);
        return path;
    }

    // ---- Input ----------------------------------------------------------------------
    static void Activate(QWidget& window) {
        window.show();
        window.raise();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    static void Click(QWidget* widget, QPoint at = {}) {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
        QApplication::processEvents();
    }
    // A key pressed while window is the active window: it reaches the focused widget, or
    // the window's shortcuts. A button's mnemonic (Alt+letter) presses the button visibly,
    // which takes a moment.
    static void Key(QWidget& window, int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != window.window())
            target = &window;
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        if (modifiers & Qt::AltModifier)
            QTest::qWait(150);
        QApplication::processEvents();
    }
    // The menu with mnemonic menu (Alt+menu), then its item with mnemonic item, by keyboard.
    void ChooseMenuItem(Qt::Key menu, Qt::Key item) {
        Key(Frame(), menu, Qt::AltModifier);
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        QTest::keyClick(popup, item);
        QApplication::processEvents();
    }
    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    // One wheel notch (120 per notch) with the pointer at the centre of widget: the event
    // goes to the widget under that point, as the platform sends it.
    static void WheelOver(QWidget* widget, int delta) {
        ASSERT_NE(widget, nullptr);
        QWidget* window = widget->window();
        const QPoint inWindow = widget->mapTo(window, widget->rect().center());
        QWidget* under = window->childAt(inWindow);
        if (!under)
            under = window;
        const QPoint local = under->mapFrom(window, inWindow);
        QWheelEvent wheel(local, under->mapToGlobal(local), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(under, &wheel);
        QApplication::processEvents();
    }
    static void ClickTab(QTabWidget* tabs, const QString& text) {
        ASSERT_NE(tabs, nullptr);
        QTabBar* bar = tabs->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->tabText(i) == text) {
                Click(bar, bar->tabRect(i).center());
                return;
            }
        }
        FAIL() << "no tab " << text.toStdString();
    }
    // The toolbar button of a command.
    QWidget* ToolButton(int command) {
        return Frame().ToolBar()->widgetForAction(Frame().Action(command));
    }

    // The open System Settings window, opened with its toolbar button when it is not.
    CDynamicPropertySheet& SystemSettings() {
        if (!Frame().IsSystemSettingsOpen())
            Click(ToolButton(kIdSystemSettings));
        auto* sheet = dynamic_cast<CDynamicPropertySheet*>(Frame().SystemSettingsWindow());
        EXPECT_NE(sheet, nullptr);
        Activate(*sheet);
        return *sheet;
    }
    // The numeric field labelled label on the page shown, or null.
    static CDynamicEdit* Field(CSettingsPage* page, const QString& label) {
        if (!page)
            return nullptr;
        for (CDynamicEdit* edit : page->EditBoxes()) {
            if (edit->Label() && edit->Label()->text() == label)
                return edit;
        }
        return nullptr;
    }
    static CSettingsPage* ShownPage(CDynamicPropertySheet& sheet) {
        if (sheet.Tabs())
            return dynamic_cast<CSettingsPage*>(sheet.Tabs()->currentWidget());
        return dynamic_cast<CSettingsPage*>(sheet.Stack()->currentWidget());
    }

    // Lets the virtual controller connect (one tick of the link's timer) and the dashboard
    // receive a round of live values.
    void ConnectAndPoll() {
        QApplication::processEvents();
        timers.Advance(1000);
        for (int tick = 0; tick < 30; ++tick) {
            QApplication::processEvents();
            timers.Advance(100);
        }
        QApplication::processEvents();
    }
    // The dashboard's value texts.
    std::vector<std::string> DashboardValues() {
        std::vector<std::string> values;
        CDashboard* dashboard = Frame().Dashboard();
        for (std::size_t i = 0; i < dashboard->BoxCount(); ++i)
            values.push_back(dashboard->ValueLabel(i)->text().toStdString());
        return values;
    }
    int LiveValueCount() {
        int live = 0;
        for (const std::string& value : DashboardValues())
            live += value != "--" ? 1 : 0;
        return live;
    }

    TimerServiceClock clock{timers}; // the data logs' time
};

} // namespace vexa::testing
