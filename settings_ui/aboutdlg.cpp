#include "settings_ui/aboutdlg.h"

#include "core/programversion.h"
#include "core/settingskeys.h"
#include "core/vlxdoc.h"
#include "settings_ui/shellutils.h"
#include "uicommon/dialogunits.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace vexa {

StartupCheckDialog::StartupCheckDialog(SettingsStore& settings, std::string_view section,
                                       QWidget* parent)
    : QDialog(parent), settings_(settings), section_(section),
      checkValue_(settings.GetInt(section, kKeyShowAtStartup, kDefaultShowAtStartup)),
      initialCheckValue_(checkValue_) {
    check_ = new QCheckBox(QStringLiteral("Show this message at startup"), this);
    check_->setChecked(checkValue_ != 0);
}

void StartupCheckDialog::accept() {
    checkValue_ = check_->isChecked() ? 1 : 0;
    if (checkValue_ != initialCheckValue_)
        settings_.WriteInt(section_, kKeyShowAtStartup, checkValue_);
    QDialog::accept();
}

void StartupCheckDialog::Place(QWidget* child, int x, int y, int w, int h) const {
    PlaceInDialogUnits(*this, child, x, y, w, h);
}

void StartupCheckDialog::SetSizeInDialogUnits(int w, int h) {
    SetFixedSizeInDialogUnits(*this, w, h);
}

std::string AboutVersionLine(int packageVersion) {
    return "VEXA Transmission Control, Version " + ProgramVersion(packageVersion);
}

CAboutDlg::CAboutDlg(SettingsStore& settings, const std::string& programDir, QWidget* parent)
    : StartupCheckDialog(settings, kSectionAboutBox, parent) {
    setWindowTitle(QStringLiteral("About VEXA Transmission Control"));
    SetSizeInDialogUnits(336, 183);

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    Place(icon, 13, 13, 21, 20);

    version_ =
        new QLabel(QString::fromLatin1(AboutVersionLine(ReadPackageVersion(programDir))), this);
    version_->setTextFormat(Qt::PlainText);
    Place(version_, 40, 10, 175, 8);

    auto* company = new QLabel(QStringLiteral("Kestova\nTransmission controllers and tuning "
                                              "software"),
                               this);
    company->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(company, 40, 25, 217, 25);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, 297, 7, 32, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    warranty_ = new QLabel(this);
    warranty_->setWordWrap(true);
    warranty_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    warranty_->setTextFormat(Qt::PlainText);
    warranty_->setFrameShape(QFrame::StyledPanel);
    warranty_->setText(QStringLiteral(
        "Limited Warranty and Return Policy\n\n"
        "Kestova warrants its wiring harnesses against defects in materials and workmanship "
        "for the lifetime of the vehicle they were first installed in, and every other "
        "product for twelve months from the date of purchase. Proof of purchase is required "
        "for every warranty claim. Products are repaired or replaced at Kestova's choice; "
        "damage from improper installation, modification or accident is not covered. All "
        "returns are made through the dealer the product was bought from, who will arrange "
        "the return authorisation with Kestova."));
    Place(warranty_, 7, 54, 322, 108);

    Place(check_, 7, 164, 322, 12);
}

QString CAboutDlg::VersionLine() const {
    return version_->text();
}

QString CAboutDlg::WarrantyText() const {
    return warranty_->text();
}

} // namespace vexa
