#include "settings_ui/dynamicbutton.h"

#include "settings_ui/helpdialog.h"
#include "settings_ui/settingspage.h"
#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#endif

namespace vexa {

CDynamicButton::CDynamicButton(QWidget* parent, ControlIdSource& ids, CSettingsPage* page,
                               int index, const ButtonModel& model)
    : QAbstractButton(parent), DynamicControl(*this, ids, page), index_(index), kind_(model.Kind()),
      radio_(model.radioIndex >= 0) {
    setCheckable(kind_ == ButtonModel::kCheckBox || radio_);
    setAutoExclusive(false);
    if (kind_ == ButtonModel::kGroupBox) {
        // The frame lies over its radio buttons: it must not take their clicks.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    } else {
        setFocusPolicy(model.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
    connect(this, &QAbstractButton::clicked, this, &CDynamicButton::OnClicked);
    Sync(model);
}

void CDynamicButton::Sync(const ButtonModel& model) {
    setGeometry(ToQRect(model.rect));
    // Tab reaches a radio group at its checked button; the arrow keys move within it.
    if (radio_)
        setFocusPolicy(model.checked ? Qt::StrongFocus : Qt::ClickFocus);
    const QString text = FromWindows1252(model.text);
    if (this->text() != text)
        setText(text);
    if (isCheckable() && isChecked() != model.checked)
        setChecked(model.checked);
    // A button is named by its own text.
    SetAccessibleTexts(*this, nullptr, model.helpText);
    if (kind_ == ButtonModel::kGroupBox)
        lower();
}

void CDynamicButton::nextCheckState() {
    if (radio_)
        setChecked(true);
    else
        QAbstractButton::nextCheckState();
}

void CDynamicButton::OnClicked(bool checked) {
    if (CSettingsPage* page = Page())
        page->ButtonClicked(index_, checked);
}

QSize CDynamicButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return QSize(text.width() + 24, std::max(20, text.height() + 6));
}

void CDynamicButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (kind_ == ButtonModel::kGroupBox) {
        QStyleOptionGroupBox option;
        option.initFrom(this);
        option.text = text();
        option.subControls = QStyle::SC_GroupBoxFrame;
        if (!text().isEmpty())
            option.subControls |= QStyle::SC_GroupBoxLabel;
        option.textAlignment = Qt::AlignLeft | Qt::AlignTop;
        option.textColor = palette().color(QPalette::WindowText);
        option.lineWidth = 1;
        option.features = QStyleOptionFrame::None;
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
        return;
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    QStyle::ControlElement element = QStyle::CE_PushButton;
    if (kind_ == ButtonModel::kPushButton && !radio_) {
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    } else {
        element = radio_ ? QStyle::CE_RadioButton : QStyle::CE_CheckBox;
        option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
        if (isDown())
            option.state |= QStyle::State_Sunken;
    }
    style()->drawControl(element, &option, &painter, this);
}

void CDynamicButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        if (CSettingsPage* page = Page())
            page->Help(SettingsPageModel::ControlClass::kButton, index_);
        event->accept();
        return;
    }
    if (radio_ && event->modifiers() == Qt::NoModifier) {
        int step = 0;
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            step = 1;
            break;
        default:
            break;
        }
        if (step != 0) {
            event->accept();
            if (CSettingsPage* page = Page())
                page->RadioArrow(index_, step);
            return;
        }
    }
    QAbstractButton::keyPressEvent(event);
}

bool CDynamicButton::event(QEvent* event) {
    if (ClaimHelpKey(event))
        return true;
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        if (event->type() == QEvent::WhatsThis && Page())
            Page()->Help(SettingsPageModel::ControlClass::kButton, index_);
        event->accept();
        return true;
    }
    return QAbstractButton::event(event);
}

// --- QtProgramLauncher -------------------------------------------------------------------

QtProgramLauncher::QtProgramLauncher(CHelpDialog* viewer) : viewer_(viewer) {}

QtProgramLauncher::~QtProgramLauncher() {
    delete own_;
}

void QtProgramLauncher::ShowHelpFile(const std::string& path) {
    if (!viewer_) {
        own_ = new CHelpDialog();
        viewer_ = own_;
    }
    viewer_->ShowHelpFile(path);
}

std::int64_t QtProgramLauncher::StartProgram(const std::string& path,
                                             const std::vector<std::string>& arguments) {
    // arguments[0] is the program itself; QProcess passes it on its own.
    QStringList rest;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        rest << QString::fromLocal8Bit(arguments[i].c_str());
    qint64 pid = 0;
    if (!QProcess::startDetached(QString::fromLocal8Bit(path.c_str()), rest, QString(), &pid))
        return 0;
    return pid > 0 ? pid : 0;
}

int QtProgramLauncher::QueryProgram(std::int64_t handle, std::string& errorText) {
#ifdef _WIN32
    HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(handle));
    if (!process) {
        const DWORD error = GetLastError();
        if (error == ERROR_INVALID_PARAMETER)
            return 0; // no such process any more
        char buffer[1024] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | 80, nullptr, error, 0, buffer, sizeof buffer,
                       nullptr);
        errorText = buffer;
        return -1;
    }
    DWORD code = 0;
    const BOOL asked = GetExitCodeProcess(process, &code);
    const DWORD error = GetLastError();
    CloseHandle(process);
    if (!asked) {
        char buffer[1024] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | 80, nullptr, error, 0, buffer, sizeof buffer,
                       nullptr);
        errorText = buffer;
        return -1;
    }
    return code == STILL_ACTIVE ? 1 : 0;
#else
    // A detached program is the child of the system's reaper, so once it ends its id is
    // gone and asking for it answers "no such process".
    if (::kill(static_cast<pid_t>(handle), 0) == 0)
        return 1;
    if (errno == ESRCH)
        return 0;
    errorText = std::strerror(errno);
    return -1;
#endif
}

} // namespace vexa
