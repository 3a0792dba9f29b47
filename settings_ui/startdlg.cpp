#include "settings_ui/startdlg.h"

#include "core/settingskeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace vexa {

CStartDlg::CStartDlg(SettingsStore& settings, QWidget* parent)
    : StartupCheckDialog(settings, kSectionStartBox, parent) {
    setWindowTitle(QStringLiteral("Getting Started"));
    SetSizeInDialogUnits(275, 177);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, 218, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    Place(check_, 7, 158, 261, 12);

    const auto text = [this](const char* content, int x, int y, int w, int h) {
        auto* label = new QLabel(QString::fromLatin1(content), this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Place(label, x, y, w, h);
        return label;
    };
    first_ = text("To begin setting up your system, you can choose to either open an existing "
                  "calibration file to use as a starting point, or you can create a new "
                  "calibration from scratch.  If possible, please connect the controller to "
                  "your PC and power it up before proceeding.",
                  7, 7, 203, 53);
    text("To open an existing calibration file, please select the \"Open\" command from the "
         "file menu, or press the \"Open\" toolbar button.",
         7, 64, 195, 36);
    text("To create a new calibration from scratch, please select the \"New\" command from the "
         "file menu, or press the \"New\" toolbar button.  After selecting the new file option, "
         "you will be prompted with a step-by-step setup wizard.",
         7, 100, 196, 50);

    const auto icon = [this](QStyle::StandardPixmap which, int x, int y) {
        auto* label = new QLabel(this);
        label->setPixmap(style()->standardIcon(which).pixmap(32, 32));
        Place(label, x, y, 21, 20);
    };
    icon(QStyle::SP_DialogOpenButton, 219, 63);
    icon(QStyle::SP_FileIcon, 219, 104);
}

QString CStartDlg::FirstParagraph() const {
    return first_->text();
}

} // namespace vexa
