#include "app/comselectdlg.h"

#include "uicommon/dialogunits.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace vexa {

// Message boxes of the port list belong to the dialog.
class CComSelectDlg::Host : public NullDocumentHost {
public:
    explicit Host(QWidget* dialog) : dialog_(dialog) {}
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return ShowMessageBox(dialog_, text, caption, flags);
    }

private:
    QWidget* dialog_;
};

CComSelectDlg::CComSelectDlg(SettingsStore& settings, PortLister& lister, CTCS_Monitor* monitor,
                             std::string virtualPortName, QWidget* parent)
    : QDialog(parent), host_(std::make_unique<Host>(this)) {
    model_ =
        std::make_unique<CComSelect>(settings, lister, *host_, monitor, std::move(virtualPortName));
    setWindowTitle(QString::fromLatin1(kPortDialogTitle));
    SetFixedSizeInDialogUnits(*this, 270, 142);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    PlaceInDialogUnits(*this, ok, 213, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    help_ = new QPushButton(QStringLiteral("Help"), this);
    PlaceInDialogUnits(*this, help_, 213, 29, 50, 14);
    connect(help_, &QPushButton::clicked, this, [this] { model_->ShowPortHelp(); });

    auto* intro = new QLabel(QString::fromLatin1(kPortDialogIntro), this);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceInDialogUnits(*this, intro, 7, 7, 169, 67);

    auto* label = new QLabel(QStringLiteral("Available COM Ports:"), this);
    PlaceInDialogUnits(*this, label, 7, 87, 101, 8);

    ports_ = new QComboBox(this);
    ports_->setObjectName(QStringLiteral("PortList"));
    PlaceInDialogUnits(*this, ports_, 7, 99, 136, 12);
    connect(ports_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0)
            model_->OnPortSelected(index);
    });

    find_ = new QPushButton(QStringLiteral("&Find Controller"), this);
    PlaceInDialogUnits(*this, find_, 192, 97, 71, 14);
    connect(find_, &QPushButton::clicked, this, [this] { FindController(); });

    refresh_ = new QPushButton(QStringLiteral("&Refresh Port List"), this);
    PlaceInDialogUnits(*this, refresh_, 37, 121, 71, 14);
    connect(refresh_, &QPushButton::clicked, this, [this] { FillPortList(); });

    FillPortList();
}

CComSelectDlg::~CComSelectDlg() = default;

void CComSelectDlg::ShowEntries() {
    filling_ = true;
    ports_->clear();
    for (const PortEntry& entry : model_->Entries())
        ports_->addItem(FromWindows1252(entry.text));
    ports_->setCurrentIndex(model_->Selected());
    filling_ = false;
}

void CComSelectDlg::FillPortList() {
    model_->FillPortList();
    ShowEntries();
}

void CComSelectDlg::FindController() {
    model_->FindController();
    ShowEntries();
}

void CComSelectDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        model_->ShowPortHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vexa
