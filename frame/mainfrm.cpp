#include "frame/mainfrm.h"

#include "core/settingskeys.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "frame/editcommands.h"
#include "graph/dynamicdialogbar.h"
#include "graph/legendbutton.h"
#include "graph/vlxview.h"
#include "settings_ui/aboutdlg.h"
#include "settings_ui/dynamicpropertysheet.h"
#include "settings_ui/startdlg.h"
#include "uicommon/controlidregistry.h"
#include "uicommon/controlwidget.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"
#ifdef VEXA_HAVE_QTDBUS
#include "frame/suspendnotifier.h"
#endif

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <cstdio>

namespace vexa {
namespace {

constexpr const char* kBarStateKey = "State";
constexpr const char* kGeometryKey = "Geometry";

// A 16 x 16 toolbar picture: the style's icon where it has one, else a drawn glyph.
QIcon GlyphIcon(const QString& glyph, QColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(glyph.size() > 1 ? 9 : 13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

int TrailingDots(const QString& text) {
    int dots = 0;
    for (qsizetype i = text.size() - 1; i >= 0 && text[i] == u'.'; --i)
        ++dots;
    return dots;
}

} // namespace

CMainFrame::CMainFrame(SettingsStore& settings, std::string programDir, QWidget* parent)
    : QMainWindow(parent), settings_(settings), programDir_(std::move(programDir)) {
    ControlIds().Clear();
    setMinimumSize(kInitialMinWidth, kInitialMinHeight);
    setAcceptDrops(true);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    BuildMenus();
    BuildToolBar();
    BuildBars();
    BuildStatusBar();
    RegisterOwnCommands();

    qApp->installEventFilter(this);

    // The framework's idle update keeps the toolbar's buttons in step with the commands.
    auto* idle = new QTimer(this);
    idle->setInterval(250);
    connect(idle, &QTimer::timeout, this, [this] { UpdateCommandUI(); });
    idle->start();

#ifdef VEXA_HAVE_QTDBUS
    suspendNotifier_ = new SuspendNotifier(this, [this] { NotifySuspend(); });
#endif
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    // The bars going away are not the user hiding them.
    disconnect(dashboardDock_->toggleViewAction(), nullptr, this, nullptr);
    // The settings windows and the bars hold control ids, live data and the document's
    // graph: they go while the id sources, the view and the document still exist. The view
    // holds the document's graph; it goes last of them.
    settingsWindows_.reset();
    if (dashboard_)
        dashboard_->ClearItems();
    delete dashboard_;
    dashboard_ = nullptr;
    delete tuningBar_;
    tuningBar_ = nullptr;
    delete view_;
    view_ = nullptr;
}

void CMainFrame::AttachDocument(CVLXDoc& doc, ProgramLauncher* launcher) {
    doc_ = &doc;
    doc.SetHost(this);
    view_ = new CVLXView(doc, this);
    view_->SetMinTrackSizeHandler([this](int x, int y) { SetMinTrackSize(x, y); });
    setCentralWidget(view_);

    // The bars: rebuilt from the document on every RebuildBars.
    onTuningRebuilt = [this] { tuningBar_->BuildFromControls(doc_, tuningControls_); };
    dashboard_->SetDocument(&doc);
    dashboard_->SetGraphView(&view_->Engine(), [this] {
        if (view_)
            view_->RepaintNow();
    });
    clearDashboard = [this] { dashboard_->ClearItems(); };
    buildDashboard = [this] { dashboard_->BuildFromDefinition(); };

    // System Settings and the Initial Setup wizard.
    SettingsModelServices services;
    services.launcher = launcher;
    settingsWindows_ = std::make_unique<CSettingsWindows>(ControlIds(), services, this);
    settingsWindows_->onSystemSettingsChanged = [this](QWidget* window) {
        SetSystemSettingsWindow(window);
        UpdateCommandUI();
    };
    systemSettingsFactory = [this](CMainFrame&) -> QWidget* {
        return settingsWindows_->OpenSystemSettings(doc_, SheetTemplate());
    };
    setupWizardFactory = [this](CMainFrame&) -> std::unique_ptr<QDialog> {
        return settingsWindows_->PrepareInitialSetup(doc_, SheetTemplate());
    };
    rebuildSheetPages = [this](void* sheet) { settingsWindows_->RebuildSheetPages(sheet); };
    refreshSettingsSheet = [this](int cycle) {
        settingsWindows_->RefreshSettingsSheet(doc_, cycle, SheetTemplate());
    };

    InstallEditCommands(*this, doc, *view_);

    LoadBarState();
    view_->setFocus();
    UpdateCommandUI();
}

// ---- Commands ---------------------------------------------------------------------

QAction* CMainFrame::MakeAction(int id, const QString& text, const QList<QKeySequence>& keys) {
    auto* action = new QAction(text, this);
    const std::string prompt = CommandPrompt(id);
    action->setStatusTip(QString::fromLatin1(PromptStatusText(prompt)));
    const std::string tip = PromptToolTip(prompt);
    if (!tip.empty())
        action->setToolTip(QString::fromLatin1(tip));
    if (!keys.isEmpty())
        action->setShortcuts(keys);
    action->setData(id);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    commands_[id].action = action;
    return action;
}

void CMainFrame::SetCommandHandler(int id, Handler handler, EnableRule enabled, CheckRule checked) {
    Command& command = commands_[id];
    command.handler = std::move(handler);
    command.enabled = std::move(enabled);
    command.checked = std::move(checked);
    if (command.action && command.checked)
        command.action->setCheckable(true);
    UpdateCommandUI();
}

namespace {

// A menu text as a tool tip: without its mnemonic marks and the keys after the tab.
QString MenuTextToolTip(const QString& text) {
    QString tip;
    for (qsizetype i = 0; i < text.size() && text[i] != QLatin1Char('\t'); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                tip += text[++i];
            continue;
        }
        tip += text[i];
    }
    return tip;
}

} // namespace

void CMainFrame::SetCommandText(int id, TextRule text) {
    commands_[id].text = std::move(text);
    UpdateCommandUI();
}

QAction* CMainFrame::Action(int id) const {
    const auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second.action;
}

bool CMainFrame::RunCommand(int id) {
    // A number typed into System Settings counts before anything the command does.
    if (settingsWindows_)
        settingsWindows_->CommitTypedText();
    const auto it = commands_.find(id);
    if (it == commands_.end() || !it->second.handler ||
        (it->second.enabled && !it->second.enabled())) {
        UpdateCommandUI();
        return false;
    }
    // A copy: the handler may replace itself (the recent-file list does).
    const Handler handler = it->second.handler;
    handler();
    UpdateCommandUI();
    return true;
}

void CMainFrame::UpdateCommandUI() {
    for (auto& [id, command] : commands_) {
        if (!command.action)
            continue;
        const bool enabled = command.handler && (!command.enabled || command.enabled());
        command.action->setEnabled(enabled);
        if (command.text) {
            const QString text = command.text();
            if (text != command.action->text()) {
                command.action->setText(text);
                command.action->setToolTip(MenuTextToolTip(text));
            }
        }
        if (command.checked) {
            const int state = command.checked();
            command.action->setCheckable(state >= 0);
            command.action->setChecked(state > 0);
        }
    }
}

void CMainFrame::BuildMenus() {
    QMenuBar* bar = menuBar();
    const auto keys = [](std::initializer_list<QKeySequence> list) {
        return QList<QKeySequence>(list);
    };

    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    fileMenu_->addAction(MakeAction(kIdFileNew, QStringLiteral("&New\tCtrl+N"),
                                    keys({QKeySequence(Qt::CTRL | Qt::Key_N)})));
    fileMenu_->addAction(MakeAction(kIdFileOpen, QStringLiteral("&Open...\tCtrl+O"),
                                    keys({QKeySequence(Qt::CTRL | Qt::Key_O)})));
    fileMenu_->addAction(MakeAction(kIdFileSave, QStringLiteral("&Save\tCtrl+S"),
                                    keys({QKeySequence(Qt::CTRL | Qt::Key_S)})));
    fileMenu_->addAction(MakeAction(kIdFileSaveAs, QStringLiteral("Save &As...")));
    mailAction_ =
        MakeAction(kIdFileSendMail, QStringLiteral("E-&mail Data to Tech Support for Assistance"));
    fileMenu_->addAction(mailAction_);
    afterMail_ = MakeAction(kIdDumpState, QStringLiteral("&Dump Controller System State"));
    fileMenu_->addAction(afterMail_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(
        MakeAction(kIdWriteCalibration, QStringLiteral("&Write Calibration to Controller")));
    fileMenu_->addAction(
        MakeAction(kIdReadCalibration, QStringLiteral("R&ead Calibration from Controller")));
    fileMenu_->addSeparator();
    // One item starts and stops a recording (its text says which); Ctrl+L does the same.
    fileMenu_->addAction(MakeAction(kIdDataLogStartStop, QStringLiteral("Start Data Log\tCtrl+L"),
                                    keys({QKeySequence(Qt::CTRL | Qt::Key_L)})));
    fileMenu_->addAction(MakeAction(kIdDataLogOpen, QStringLiteral("Open Data Lo&g...")));
    MakeAction(kIdDataLogToggle, QStringLiteral("Data Log")); // the toolbar's button
    fileMenu_->addSeparator();
    auto* tables = new QActionGroup(this);
    tables->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (const auto& [id, text] : {std::pair{kIdTable1, "Read/Write Table #&1"},
                                   std::pair{kIdTable2, "Read/Write Table #&2"}}) {
        QAction* action = MakeAction(id, QString::fromLatin1(text));
        action->setCheckable(true);
        tables->addAction(action);
        fileMenu_->addAction(action);
    }
    fileMenu_->addSeparator();
    fileMenu_->addAction(MakeAction(kIdRestorePoints, QStringLiteral("Restore Poin&ts...")));
    fileMenu_->addAction(MakeAction(kIdCompareWith, QStringLiteral("Compare Wit&h...")));
    fileMenu_->addAction(MakeAction(kIdCloseCompare, QStringLiteral("C&lose Compare")));
    fileMenu_->addSeparator();
    fileMenu_->addAction(MakeAction(kIdFilePrint, QStringLiteral("&Print...\tCtrl+P"),
                                    keys({QKeySequence(Qt::CTRL | Qt::Key_P)})));
    fileMenu_->addAction(MakeAction(kIdFilePrintPreview, QStringLiteral("Print Pre&view")));
    fileMenu_->addAction(MakeAction(kIdFilePrintSetup, QStringLiteral("P&rint Setup...")));
    fileMenu_->addSeparator();
    recentPlaceholder_ = MakeAction(kIdFileMruFirst, QStringLiteral("Recent File"));
    fileMenu_->addAction(recentPlaceholder_);
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(MakeAction(kIdAppExit, QStringLiteral("E&xit")));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(MakeAction(
        kIdEditUndo, QStringLiteral("&Undo\tCtrl+Z"),
        keys({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)})));
    edit->addAction(MakeAction(kIdEditRedo, QStringLiteral("&Redo\tCtrl+Y"),
                               keys({QKeySequence(Qt::CTRL | Qt::Key_Y),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})));
    edit->addSeparator();
    edit->addAction(MakeAction(
        kIdEditCut, QStringLiteral("Cu&t\tCtrl+X"),
        keys({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)})));
    edit->addAction(MakeAction(
        kIdEditCopy, QStringLiteral("&Copy\tCtrl+C"),
        keys({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)})));
    edit->addAction(MakeAction(
        kIdEditPaste, QStringLiteral("&Paste\tCtrl+V"),
        keys({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)})));
    // The operations on the selected curve points.
    edit->addSeparator();
    edit->addAction(MakeAction(kIdEditSetTo, QStringLiteral("&Set To...")));
    edit->addAction(MakeAction(kIdEditAdd, QStringLiteral("&Add...")));
    edit->addAction(MakeAction(kIdEditScale, QStringLiteral("Sca&le...")));
    edit->addAction(MakeAction(kIdEditInterpolate, QStringLiteral("&Interpolate")));
    edit->addAction(MakeAction(kIdEditSmooth, QStringLiteral("S&mooth")));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addAction(MakeAction(kIdViewToolbar, QStringLiteral("&Toolbar")));
    view->addAction(MakeAction(kIdViewStatusBar, QStringLiteral("&Status Bar")));
    view->addAction(MakeAction(kIdViewDashboard, QStringLiteral("&Dashboard")));
    view->addAction(MakeAction(kIdSetupWizard, QStringLiteral("Initial Setup &Wizard")));
    view->addAction(MakeAction(kIdSystemSettings, QStringLiteral("&Configure System Settings")));
    // The communication port dialog has no other place to be reached from.
    view->addAction(MakeAction(kIdCommSettings, QStringLiteral("Co&mmunication Setup...")));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(MakeAction(kIdHelpFinder, QStringLiteral("&Help Topics")));
    help->addSeparator();
    help->addAction(MakeAction(kIdGettingStarted, QStringLiteral("&Getting Started...")));
    help->addAction(MakeAction(kIdAppAbout, QStringLiteral("&About VEXA Transmission Control...")));

    // Accelerators without a menu item.
    addAction(MakeAction(kIdHelp, QStringLiteral("Help"), keys({QKeySequence(Qt::Key_F1)})));
    addAction(MakeAction(kIdContextHelp, QStringLiteral("Context Help"),
                         keys({QKeySequence(Qt::SHIFT | Qt::Key_F1)})));
    addAction(
        MakeAction(kIdNextPane, QStringLiteral("Next Pane"), keys({QKeySequence(Qt::Key_F6)})));
    addAction(MakeAction(kIdPrevPane, QStringLiteral("Previous Pane"),
                         keys({QKeySequence(Qt::SHIFT | Qt::Key_F6)})));

    for (QMenu* menu : {fileMenu_, edit, view, help})
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
}

void CMainFrame::RegisterOwnCommands() {
    // The frame's own commands.
    SetCommandHandler(
        kIdViewToolbar, [this] { toolBar_->setVisible(!toolBar_->isVisible()); }, {},
        [this] { return toolBar_->isVisibleTo(this) ? 1 : 0; });
    SetCommandHandler(
        kIdViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); }, {},
        [this] { return statusBar()->isVisibleTo(this) ? 1 : 0; });
    SetCommandHandler(
        kIdViewDashboard, [this] { OnViewDashboard(); }, {},
        [this] { return dashboardDock_->isVisibleTo(this) ? 1 : 0; });
    SetCommandHandler(
        kIdSystemSettings, [this] { OnSystemSettings(); },
        [this] { return static_cast<bool>(systemSettingsFactory); });
    SetCommandHandler(
        kIdSetupWizard, [this] { OnSetupWizard(); },
        [this] { return static_cast<bool>(setupWizardFactory); });
    SetCommandHandler(kIdAppAbout, [this] { OnAppAbout(); });
    SetCommandHandler(kIdGettingStarted, [this] { OnGettingStarted(); });
    SetCommandHandler(kIdHelp, [this] { OnHelp(); });
    SetCommandHandler(kIdContextHelp, [this] { EnterContextHelp(); });
    SetCommandHandler(kIdNextPane, [this] { FocusNextPane(1); });
    SetCommandHandler(kIdPrevPane, [this] { FocusNextPane(-1); });
    SetCommandHandler(kIdAppExit, [this] { close(); });
}

void CMainFrame::BuildToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Standard"), this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    QStyle* s = style();
    const auto button = [this](int id, const QIcon& icon) {
        QAction* action = Action(id);
        action->setIcon(icon);
        toolBar_->addAction(action);
    };
    button(kIdFileNew, s->standardIcon(QStyle::SP_FileIcon));
    button(kIdFileOpen, s->standardIcon(QStyle::SP_DialogOpenButton));
    button(kIdFileSave, s->standardIcon(QStyle::SP_DialogSaveButton));
    toolBar_->addSeparator();
    button(kIdWriteCalibration, s->standardIcon(QStyle::SP_ArrowUp));
    button(kIdTable1, GlyphIcon(QStringLiteral("1"), QColor(0, 0, 160)));
    button(kIdTable2, GlyphIcon(QStringLiteral("2"), QColor(0, 0, 160)));
    toolBar_->addSeparator();
    button(kIdEditCut, GlyphIcon(QStringLiteral("\u2702"), Qt::black));
    button(kIdEditCopy, GlyphIcon(QStringLiteral("\u2750"), Qt::black));
    button(kIdEditPaste, GlyphIcon(QStringLiteral("\u2398"), Qt::black));
    button(kIdEditUndo, GlyphIcon(QStringLiteral("\u21B6"), Qt::black));
    button(kIdEditRedo, GlyphIcon(QStringLiteral("\u21B7"), Qt::black));
    toolBar_->addSeparator();
    button(kIdSystemSettings, s->standardIcon(QStyle::SP_FileDialogDetailedView));
    button(kIdViewDashboard, s->standardIcon(QStyle::SP_ComputerIcon));
    button(kIdDataLogToggle, GlyphIcon(QStringLiteral("\u25CF"), QColor(192, 0, 0)));
    toolBar_->addSeparator();
    button(kIdFilePrint, GlyphIcon(QStringLiteral("P"), QColor(60, 60, 60)));
    button(kIdAppAbout, s->standardIcon(QStyle::SP_MessageBoxInformation));
    button(kIdContextHelp, GlyphIcon(QStringLiteral("?"), QColor(0, 0, 160)));
}

void CMainFrame::BuildBars() {
    // The bars' sizes follow the templates for normal or large system fonts.
    const bool normalFonts = QFontInfo(QApplication::font("QStatusBar")).pixelSize() < 13;
    normalFonts_ = normalFonts;
    const QFontMetrics metrics(font());
    const auto dluX = [&](int units) { return units * metrics.averageCharWidth() / 4; };
    const auto dluY = [&](int units) { return units * metrics.height() / 8; };

    tuningDock_ = new QDockWidget(QStringLiteral("Graph Controls"), this);
    tuningDock_->setObjectName(QStringLiteral("GraphControls"));
    // Floating, it cannot be closed: it has no close box.
    tuningDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    tuningDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    tuningBar_ = new CDynamicDialogBar(&ControlIds(), tuningDock_);
    tuningBar_->setObjectName(QStringLiteral("GraphControlsContents"));
    tuningBar_->setMinimumWidth(dluX(normalFonts ? 89 : 69));
    tuningDock_->setWidget(tuningBar_);
    addDockWidget(Qt::RightDockWidgetArea, tuningDock_);

    dashboardDock_ = new QDockWidget(QStringLiteral("Dashboard"), this);
    dashboardDock_->setObjectName(QStringLiteral("Dashboard"));
    dashboardDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                                QDockWidget::DockWidgetClosable);
    dashboardDock_->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    dashboard_ = new CDashboard(&ControlIds(), dashboardDock_);
    dashboard_->setObjectName(QStringLiteral("DashboardContents"));
    dashboard_->setMinimumHeight(dluY(normalFonts ? 54 : 45));
    dashboardDock_->setWidget(dashboard_);
    addDockWidget(Qt::BottomDockWidgetArea, dashboardDock_);
    // However the bar ends up shown or hidden (the dock's own toggle, a restored layout),
    // a hidden bar polls nothing and a shown one is built. Floating or docking it hides and
    // shows it in passing: only where it ends up counts.
    connect(dashboardDock_->toggleViewAction(), &QAction::toggled, this,
            [this] { QTimer::singleShot(0, this, [this] { SyncDashboardWithDock(); }); });
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    message_ = new QLabel(QString::fromLatin1(kIdlePrompt), bar);
    message_->setObjectName(QStringLiteral("MessagePane"));
    message_->setTextFormat(Qt::PlainText);
    message_->setMinimumWidth(1);
    bar->addWidget(message_, 1);
    progress_ = new QProgressBar(bar);
    progress_->setObjectName(QStringLiteral("TransferProgress"));
    progress_->setMaximumWidth(160);
    progress_->setTextVisible(false);
    progress_->hide();
    bar->addPermanentWidget(progress_);
    // The lock-key indicators; the platform does not say whether the locks are on, so they
    // stay greyed.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(indicator), bar);
        pane->setObjectName(QString::fromLatin1(indicator));
        pane->setEnabled(false);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 10);
        bar->addPermanentWidget(pane);
    }
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths) {
    for (QAction* action : recentActions_) {
        commands_.erase(action->data().toInt());
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    recentPaths_ = paths;
    recentPlaceholder_->setVisible(paths.empty());
    int index = 0;
    for (const std::string& path : paths) {
        const int id = kIdFileMruFirst + index + 1000; // distinct from the placeholder's id
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(index + 1).arg(QFile::decodeName(path.c_str())), this);
        action->setStatusTip(QStringLiteral("Open this document"));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, index] {
            if (recentHandler_)
                recentHandler_(index);
            UpdateCommandUI();
        });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_.push_back(action);
        ++index;
    }
}

void CMainFrame::SetMailAvailable(bool available) {
    const bool present = fileMenu_->actions().contains(mailAction_);
    if (available && !present)
        fileMenu_->insertAction(afterMail_, mailAction_);
    else if (!available && present)
        fileMenu_->removeAction(mailAction_);
}

// ---- Bars -------------------------------------------------------------------------

void CMainFrame::OnViewDashboard() {
    const bool visible = !dashboardDock_->isHidden();
    if (clearDashboard)
        clearDashboard();
    if (visible) {
        dashboardDock_->hide();
        return;
    }
    dashboardDock_->show();
    if (buildDashboard)
        buildDashboard();
}

void CMainFrame::SyncDashboardWithDock() {
    if (!dashboard_)
        return;
    const bool shown = !dashboardDock_->isHidden();
    if (shown == (dashboard_->BoxCount() > 0))
        return;
    if (clearDashboard)
        clearDashboard();
    if (shown && buildDashboard)
        buildDashboard();
}

void CMainFrame::SaveBarState() {
    settings_.WriteString(kBarStateWriteProfile, kBarStateKey,
                          saveState().toBase64().toStdString());
    // Size, position and the maximised state come back with the bars.
    settings_.WriteString(kBarStateWriteProfile, kGeometryKey,
                          saveGeometry().toBase64().toStdString());
}

void CMainFrame::LoadBarState() {
    const std::string geometry = settings_.GetString(kBarStateWriteProfile, kGeometryKey, "");
    if (geometry.empty() ||
        !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(geometry)))) {
        // The first start: room for the graph, both bars and the dashboard, centred on the
        // screen and never larger than it.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QSize size =
            (screen.size() * 4 / 5).expandedTo(minimumSize()).boundedTo(screen.size());
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen));
    }
    // Read under the name it is written under, so the layout really comes back.
    const std::string state = settings_.GetString(kBarStateWriteProfile, kBarStateKey, "");
    if (!state.empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(state)));
    // Without the Graph Controls bar there are no curve check boxes: a layout that hides it
    // (saved by a version that let it be closed) leaves it at its place instead.
    if (tuningDock_->isHidden()) {
        tuningDock_->setFloating(false);
        addDockWidget(Qt::RightDockWidgetArea, tuningDock_);
        tuningDock_->show();
    }
}

// ---- System Settings and the wizard -----------------------------------------------

void CMainFrame::OnSystemSettings() {
    if (IsSystemSettingsOpen() || !systemSettingsFactory)
        return;
    QWidget* sheet = systemSettingsFactory(*this);
    if (!sheet)
        return;
    systemSettings_ = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    if (!sheet->isVisible())
        sheet->show();
}

int CMainFrame::SheetTemplate() const {
    return normalFonts_ ? kPageTemplateLarge : kPageTemplateNormal;
}

void CMainFrame::OnSetupWizard() {
    if (IsSystemSettingsOpen() || !setupWizardFactory)
        return;
    if (std::unique_ptr<QDialog> wizard = setupWizardFactory(*this))
        RunModal(*wizard);
}

// ---- Status bar, prompts and help -------------------------------------------------

QString CMainFrame::MessageText() const {
    return message_->text();
}

void CMainFrame::SetMessageText(const QString& text) {
    message_->setText(text);
}

void CMainFrame::BeginProgress(int maximum) {
    progress_->setRange(0, std::max(1, maximum));
    progress_->setValue(0);
    progress_->show();
}

void CMainFrame::SetProgress(int value) {
    progress_->setValue(std::min(value, progress_->maximum()));
}

void CMainFrame::EndProgress() {
    progress_->hide();
}

void CMainFrame::SetMinTrackSize(int x, int y) {
    setMinimumSize(x, y);
}

void CMainFrame::SetHelpIndexHandler(Handler handler) {
    SetCommandHandler(kIdHelpFinder, handler);
    SetCommandHandler(kIdDefaultHelp, std::move(handler));
}

void CMainFrame::WinHelp(int context) {
    if (context == kHelpContextMainWindow)
        return;
    const int id = context - kHelpContextCommandBase;
    if (ControlIdRegistry::InRange(id)) {
        if (const std::string* help = ControlIds().HelpText(id)) {
            ShowMessageBox(this, *help, kProgramTitle, kMbOk);
            return;
        }
    }
    RunCommand(kIdHelpFinder);
}

void CMainFrame::OnHelp() {
    QWidget* focus = QApplication::focusWidget();
    const int id = ControlIdOf(focus);
    if (ControlIdRegistry::InRange(id)) {
        WinHelp(kHelpContextCommandBase + id);
        return;
    }
    // The pointer resting on a generated control of this window or its bars (floating ones
    // too) that does not have the focus, such as a curve's label or a dashboard box: that
    // control's help.
    const auto ofThisWindow = [this](const QWidget* widget) {
        for (; widget; widget = widget->parentWidget()) {
            if (widget == this)
                return true;
        }
        return false;
    };
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (const int over = ControlIdOf(under); ofThisWindow(under) && ControlIds().HelpText(over)) {
        WinHelp(kHelpContextCommandBase + over);
        return;
    }
    if (!focus || focus->window() == this)
        WinHelp(kHelpContextMainWindow);
    else
        RunCommand(kIdHelpFinder);
}

void CMainFrame::EnterContextHelp() {
    contextHelpMode_ = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void CMainFrame::ShowControlPrompt(QWidget* widget) {
    const int id = ControlIdOf(widget);
    if (!ControlIdRegistry::InRange(id))
        return;
    const std::string* text = ControlIds().StatusText(id);
    SetMessageText(text ? FromWindows1252(*text) : QString::fromLatin1(kIdlePrompt));
}

void CMainFrame::FocusNextPane(int direction) {
    std::vector<QWidget*> panes;
    for (QWidget* pane :
         {static_cast<QWidget*>(view_), tuningDock_->widget(), dashboardDock_->widget()}) {
        if (pane && pane->isVisible())
            panes.push_back(pane);
    }
    if (panes.empty())
        return;
    std::size_t current = 0;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        if (panes[i]->isAncestorOf(QApplication::focusWidget()) ||
            panes[i] == QApplication::focusWidget())
            current = i;
    }
    const std::size_t count = panes.size();
    const auto next =
        static_cast<std::size_t>(static_cast<int>(current + count) + direction) % count;
    panes[next]->setFocus(Qt::OtherFocusReason);
}

// ---- Start-up dialogs and suspend -------------------------------------------------

void CMainFrame::OnAppAbout() {
    if (about_) {
        about_->raise();
        about_->activateWindow();
        return;
    }
    about_ = new CAboutDlg(settings_, programDir_, this);
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->setModal(false);
    about_->show();
}

void CMainFrame::OnGettingStarted() {
    if (start_) {
        start_->raise();
        start_->activateWindow();
        return;
    }
    start_ = new CStartDlg(settings_, this);
    start_->setAttribute(Qt::WA_DeleteOnClose);
    start_->setModal(false);
    start_->show();
}

void CMainFrame::NotifySuspend() {
    if (onSuspend)
        onSuspend();
}

// ---- DocumentHost -----------------------------------------------------------------

int CMainFrame::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return ShowMessageBox(this, text, caption, flags);
}

void CMainFrame::SetStatusText(const std::string& text) {
    const QString shown = FromWindows1252(text);
    SetMessageText(shown);
    if (progress_->isVisible()) {
        SetProgress(TrailingDots(shown));
        // A transfer runs without returning to the event loop: let the window paint,
        // while the user's input waits until it is done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        statusBar()->repaint();
    }
}

void CMainFrame::RebuildBars() {
    if (doc_)
        BuildGraphicalTuning(*doc_, tuningControls_);
    if (onTuningRebuilt)
        onTuningRebuilt();
    if (clearDashboard)
        clearDashboard();
    // Built unless the user hid it, also before the window is first shown.
    if (buildDashboard && !dashboardDock_->isHidden())
        buildDashboard();
}

void CMainFrame::RedrawView() {
    if (view_)
        view_->RepaintNow();
    if (QWidget* tuning = tuningDock_->widget())
        tuning->update();
}

void CMainFrame::RebuildSheetPages(void* sheet) {
    if (rebuildSheetPages)
        rebuildSheetPages(sheet);
}

void CMainFrame::RefreshSettingsSheet(int rebuild) {
    // Also with no window open: a refresh with the cycle flag opens one.
    if (refreshSettingsSheet)
        refreshSettingsSheet(rebuild);
}

// ---- Events -----------------------------------------------------------------------

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // Menu and toolbar prompts; when the pointer leaves, the idle prompt comes back.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetMessageText(tip.isEmpty() ? QString::fromLatin1(kIdlePrompt) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // The Graph Controls bar has no close box, but floating it is a window of its own the
    // window manager can still ask to close (Alt+F4): that request is refused while the
    // main window is up. Once it is closed, the program's end closes every window.
    if (watched == tuningDock_ && event->type() == QEvent::Close && isVisible()) {
        event->ignore();
        return true;
    }
    // The filter watches the whole application: closing the dashboard (its close box,
    // docked or floating) stops its live data at once.
    if (watched == dashboardDock_ && event->type() == QEvent::Close) {
        if (clearDashboard)
            clearDashboard();
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    // A shortcut is matched against the commands' enabled states right after this event:
    // they must be up to date (Ctrl+C just after points were selected copies them).
    if (event->type() == QEvent::ShortcutOverride && widget->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) ||
            (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35))
            UpdateCommandUI();
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (contextHelpMode_) {
            contextHelpMode_ = false;
            QApplication::restoreOverrideCursor();
            const int id = ControlIdOf(widget);
            if (ControlIdRegistry::InRange(id))
                WinHelp(kHelpContextCommandBase + id);
            else if (widget->window() == this)
                WinHelp(kHelpContextMainWindow);
            else
                RunCommand(kIdHelpFinder);
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (contextHelpMode_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            contextHelpMode_ = false;
            QApplication::restoreOverrideCursor();
            return true;
        }
        break;
    case QEvent::ToolTip: {
        const int id = ControlIdOf(widget);
        if (!ControlIdRegistry::InRange(id))
            break;
        // A generated control shows its registered tool tip, or none at all.
        if (const std::string* tip = ControlIds().ToolTip(id))
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), FromWindows1252(*tip),
                               widget);
        else
            QToolTip::hideText();
        return true;
    }
    case QEvent::Enter:
        ShowControlPrompt(widget);
        break;
    case QEvent::Leave:
        if (ControlIdRegistry::InRange(ControlIdOf(widget)))
            SetMessageText(QString::fromLatin1(kIdlePrompt));
        break;
    default:
        break;
    }
    return false;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (settingsWindows_)
        settingsWindows_->CommitTypedText();
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    SaveBarState();
    if (clearDashboard)
        clearDashboard();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    // One document at a time: the first local file dropped is opened.
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && onFileDropped) {
            onFileDropped(QFile::encodeName(url.toLocalFile()).toStdString());
            event->acceptProposedAction();
            return;
        }
    }
}

} // namespace vexa
