#include "settings_ui/dynamicpropertysheet.h"

#include "uicommon/textcodec.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vexa {

namespace {

// The live sheets, for the document's rebuild requests that name a sheet by its model.
std::vector<CDynamicPropertySheet*>& LiveSheets() {
    static std::vector<CDynamicPropertySheet*> sheets;
    return sheets;
}

} // namespace

CDynamicPropertySheet::CDynamicPropertySheet(PropertySheetModel& model, ControlIdSource& ids,
                                             QWidget* parent)
    : QDialog(parent), model_(model), ids_(ids) {
    SetUp();
}

CDynamicPropertySheet::CDynamicPropertySheet(std::unique_ptr<PropertySheetModel> model,
                                             ControlIdSource& ids, QWidget* parent)
    : QDialog(parent), own_(std::move(model)), model_(*own_), ids_(ids) {
    SetUp();
}

CDynamicPropertySheet::~CDynamicPropertySheet() {
    auto& live = LiveSheets();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    // Removing the pages must not activate another one on the way out.
    if (tabs_)
        disconnect(tabs_, nullptr, this, nullptr);
    syncing_ = true;
    // The pages' windows go first, while their models still exist.
    const std::vector<CSettingsPage*> pages = std::move(pages_);
    pages_.clear();
    for (CSettingsPage* page : pages) {
        if (SettingsPageModel* model = page->Model())
            model->OnDestroyWindow();
        page->Detach();
        delete page;
    }
}

void CDynamicPropertySheet::SetUp() {
    LiveSheets().push_back(this);
    setWindowTitle(FromWindows1252(model_.Caption()));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (model_.WizardMode()) {
        setModal(true);
        stack_ = new QStackedWidget(this);
        layout->addWidget(stack_);
        auto* row = new QHBoxLayout();
        row->addStretch(1);
        back_ = new QPushButton(tr("< &Back"), this);
        next_ = new QPushButton(tr("&Next >"), this);
        finish_ = new QPushButton(tr("Finish"), this);
        cancel_ = new QPushButton(tr("Cancel"), this);
        for (QPushButton* button : {back_, next_, finish_, cancel_}) {
            button->setAutoDefault(false);
            row->addWidget(button);
        }
        layout->addLayout(row);
        connect(back_, &QPushButton::clicked, this, [this] { Back(); });
        connect(next_, &QPushButton::clicked, this, [this] { Next(); });
        connect(finish_, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    } else {
        setModal(false);
        tabs_ = new QTabWidget(this);
        layout->addWidget(tabs_);
        // The window opens with the focus on the tab row, not on a setting a stray key or
        // wheel notch would change.
        tabs_->setFocus(Qt::OtherFocusReason);
        connect(tabs_, &QTabWidget::currentChanged, this, &CDynamicPropertySheet::OnTabChanged);
    }
}

CSettingsPage* CDynamicPropertySheet::PageWidget(int index) const {
    if (index < 0 || index >= PageCount())
        return nullptr;
    return pages_[static_cast<std::size_t>(index)];
}

// --- The model's operations ----------------------------------------------------------------

int CDynamicPropertySheet::BuildPages(CVLXDoc* doc) {
    const int built = model_.BuildPages(doc);
    SyncWithModel();
    return built;
}

void CDynamicPropertySheet::RebuildPages() {
    BeginPageAction();
    model_.RebuildPages();
    EndPageAction();
}

void CDynamicPropertySheet::SetTabTexts() {
    model_.SetTabTexts();
    generation_ = -1; // the tab row is laid out again
    SyncWithModel();
}

bool CDynamicPropertySheet::SetActivePage(int index) {
    BeginPageAction();
    const bool active = model_.SetActivePage(index);
    EndPageAction();
    return active;
}

bool CDynamicPropertySheet::Next() {
    if (!(model_.WizardButtons() & kWizardNext) && model_.WizardMode())
        return false;
    return SetActivePage(model_.ActivePage() + 1);
}

bool CDynamicPropertySheet::Back() {
    if (!(model_.WizardButtons() & kWizardBack) && model_.WizardMode())
        return false;
    return SetActivePage(model_.ActivePage() - 1);
}

void CDynamicPropertySheet::CommitTypedText() {
    BeginPageAction();
    model_.CommitTypedText();
    EndPageAction();
}

void CDynamicPropertySheet::done(int result) {
    CommitTypedText();
    QDialog::done(result);
}

void CDynamicPropertySheet::closeEvent(QCloseEvent* event) {
    CommitTypedText();
    QDialog::closeEvent(event);
}

void CDynamicPropertySheet::CyclePages(int pauseMs) {
    const int count = model_.PageCount();
    for (int i = 0; i <= count; ++i) {
        const int page = i < count ? i : 0;
        QTimer::singleShot(i * pauseMs, this, [this, page] { SetActivePage(page); });
    }
}

bool CDynamicPropertySheet::RebuildSheetPages(void* sheet) {
    for (CDynamicPropertySheet* live : LiveSheets()) {
        if (&live->model_ == sheet) {
            live->RebuildPages();
            return true;
        }
    }
    return false;
}

void CDynamicPropertySheet::EndPageAction() {
    if (--pageActions_ > 0)
        return;
    SyncWithModel();
    DiscardRetired();
}

void CDynamicPropertySheet::DiscardRetired() {
    // Every page widget of a retired model was detached by the sync just made.
    if (pageActions_ == 0)
        model_.DiscardRetiredPages();
}

// --- The window from the model -------------------------------------------------------------

void CDynamicPropertySheet::SyncWithModel() {
    if (syncing_)
        return;
    syncing_ = true;
    if (generation_ != model_.PagesGeneration() ||
        static_cast<int>(pages_.size()) != model_.PageCount()) {
        generation_ = model_.PagesGeneration();
        std::vector<CSettingsPage*> pages;
        for (int i = 0; i < model_.PageCount(); ++i) {
            SettingsPageModel* model = &model_.Page(i);
            auto found = std::find_if(pages_.begin(), pages_.end(), [model](CSettingsPage* page) {
                return page->Model() == model;
            });
            if (found != pages_.end()) {
                pages.push_back(*found);
                pages_.erase(found);
            } else {
                pages.push_back(new CSettingsPage(*model, ids_, this, this));
            }
        }
        // What is left belongs to pages a rebuild took out.
        for (CSettingsPage* old : pages_) {
            old->Detach();
            old->hide();
            old->deleteLater();
        }
        pages_ = std::move(pages);
        if (tabs_) {
            const QSignalBlocker block(tabs_);
            while (tabs_->count() > 0)
                tabs_->removeTab(0);
            const auto& texts = model_.TabTexts();
            for (std::size_t i = 0; i < pages_.size(); ++i) {
                const SettingsPageModel& model = model_.Page(static_cast<int>(i));
                const std::string& title = i < texts.size() ? texts[i] : model.title;
                tabs_->addTab(pages_[i], FromWindows1252(title));
                // A placeholder refuses to become active.
                tabs_->setTabEnabled(static_cast<int>(i), !model.IsPlaceholder());
            }
        } else {
            while (stack_->count() > 0)
                stack_->removeWidget(stack_->widget(0));
            for (CSettingsPage* page : pages_)
                stack_->addWidget(page);
        }
    }
    for (CSettingsPage* page : pages_)
        page->SyncControls();
    ShowActivePage();
    UpdateButtons();
    syncing_ = false;
}

void CDynamicPropertySheet::ShowActivePage() {
    const int active = model_.ActivePage();
    if (active < 0 || active >= PageCount())
        return;
    if (tabs_) {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(active);
    } else {
        stack_->setCurrentIndex(active);
    }
}

void CDynamicPropertySheet::UpdateButtons() {
    if (!model_.WizardMode())
        return;
    const int buttons = model_.WizardButtons();
    back_->setEnabled((buttons & kWizardBack) != 0);
    const bool finish = (buttons & kWizardFinish) != 0;
    next_->setVisible(!finish);
    next_->setEnabled((buttons & kWizardNext) != 0);
    finish_->setVisible(finish);
    finish_->setEnabled(finish);
}

void CDynamicPropertySheet::OnTabChanged(int index) {
    if (syncing_)
        return;
    if (!SetActivePage(index))
        ShowActivePage(); // refused: the tab row goes back to the active page
}

void CDynamicPropertySheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        model_.OnHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CDynamicPropertySheet::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        if (event->type() == QEvent::WhatsThis)
            model_.OnHelp();
        event->accept();
        return true;
    }
    return QDialog::event(event);
}

// --- CSettingsWindows ------------------------------------------------------------------------

namespace {

SettingsModelServices WithoutIds(SettingsModelServices services) {
    services.ids = nullptr;
    return services;
}

} // namespace

CSettingsWindows::CSettingsWindows(ControlIdSource& ids, SettingsModelServices services,
                                   QWidget* mainWindow)
    : ids_(ids), sheets_(WithoutIds(std::move(services))), mainWindow_(mainWindow) {}

CSettingsWindows::~CSettingsWindows() {
    delete systemSettings_.data();
    sheets_.CloseSystemSettings();
}

CDynamicPropertySheet* CSettingsWindows::OpenSystemSettings(CVLXDoc* doc, int pageTemplate) {
    if (systemSettings_)
        return nullptr;
    PropertySheetModel* model = sheets_.OpenSystemSettings(doc, pageTemplate);
    if (!model)
        return nullptr;
    auto* sheet = new CDynamicPropertySheet(*model, ids_, mainWindow_);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    systemSettings_ = sheet;
    QObject::connect(sheet, &QObject::destroyed, [this] {
        sheets_.CloseSystemSettings();
        if (onSystemSettingsChanged)
            onSystemSettingsChanged(nullptr);
    });
    sheet->SyncWithModel();
    sheet->show();
    if (onSystemSettingsChanged)
        onSystemSettingsChanged(sheet);
    return sheet;
}

void CSettingsWindows::CloseSystemSettings() {
    delete systemSettings_.data();
}

std::unique_ptr<CDynamicPropertySheet> CSettingsWindows::PrepareInitialSetup(CVLXDoc* doc,
                                                                             int pageTemplate) {
    std::unique_ptr<PropertySheetModel> model = sheets_.PrepareInitialSetup(doc, pageTemplate);
    if (!model)
        return nullptr;
    auto sheet = std::make_unique<CDynamicPropertySheet>(std::move(model), ids_, mainWindow_);
    sheet->SetActivePage(0);
    return sheet;
}

int CSettingsWindows::RunInitialSetup(CVLXDoc* doc, int pageTemplate) {
    std::unique_ptr<CDynamicPropertySheet> wizard = PrepareInitialSetup(doc, pageTemplate);
    if (!wizard)
        return 0;
    wizard->exec();
    return 1;
}

void CSettingsWindows::RefreshSettingsSheet(CVLXDoc* doc, int cycle, int pageTemplate) {
    if (!doc)
        return;
    const SettingsRefresh plan = sheets_.PlanRefresh(*doc, cycle);
    CDynamicPropertySheet* sheet = systemSettings_;
    if (plan.open)
        sheet = OpenSystemSettings(doc, pageTemplate);
    if (!sheet)
        return;
    if (plan.rebuild) {
        const PropertySheetModel& model = sheet->Model();
        const int active = model.ActivePage();
        const std::string section =
            active >= 0 && active < model.PageCount() ? model.Page(active).sectionName : "";
        sheet->RebuildPages();
        // The calibration changed underneath (an undo, say): the page in view stays, and
        // is activated again so that it shows the calibration as it is now. The first
        // page survives a rebuild, so its list would go on showing the type it had.
        if (!plan.cycle && active >= 0 && active < model.PageCount() &&
            model.Page(active).sectionName == section)
            sheet->SetActivePage(active);
    }
    if (plan.cycle)
        sheet->CyclePages();
}

void CSettingsWindows::CommitTypedText() {
    if (systemSettings_)
        systemSettings_->CommitTypedText();
}

bool CSettingsWindows::AllowNewFile(CVLXDoc& doc) {
    return sheets_.AllowNewFile(doc);
}

} // namespace vexa
