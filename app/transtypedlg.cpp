#include "app/transtypedlg.h"

#include "link/transreadbackdecoder.h"
#include "uicommon/dialogunits.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace vexa {

CTransTypeDlg::CTransTypeDlg(const std::vector<std::string>& names, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kChooserTitle));
    // The list is the last row: the dialog ends a margin below it.
    SetFixedSizeInDialogUnits(*this, 284, 74);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    PlaceInDialogUnits(*this, ok, 227, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceInDialogUnits(*this, cancel, 227, 24, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* prompt = new QLabel(QString::fromLatin1(kChooserPrompt), this);
    prompt->setWordWrap(true);
    prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceInDialogUnits(*this, prompt, 7, 7, 216, 45);

    list_ = new QComboBox(this);
    for (const std::string& name : names)
        list_->addItem(FromWindows1252(name));
    list_->setCurrentIndex(names.empty() ? -1 : 0);
    PlaceInDialogUnits(*this, list_, 7, 55, 270, 12);
}

int CTransTypeDlg::Selected() const {
    return list_->currentIndex();
}

int ChooseTransmissionType(QWidget* parent, const std::vector<std::string>& names, int& selected) {
    CTransTypeDlg dialog(names, parent);
    if (RunModal(dialog) != QDialog::Accepted || dialog.Selected() < 0)
        return 0;
    selected = dialog.Selected();
    return 1;
}

} // namespace vexa
