#include "app/restorepointsdlg.h"

#include "uicommon/textcodec.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vexa {

CRestorePointsDlg::CRestorePointsDlg(std::vector<RestorePoint> points, QWidget* parent)
    : QDialog(parent), points_(std::move(points)) {
    setWindowTitle(QStringLiteral("Restore Points"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(
        points_.empty()
            ? QStringLiteral("No restore point has been saved yet. One is saved each time a "
                             "calibration is written to the controller.")
            : QStringLiteral("What a controller table held before a calibration was written "
                             "into it, newest first. Open one, or compare it with the open "
                             "calibration."),
        this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("RestorePointList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(
        {QStringLiteral("Date"), QStringLiteral("Transmission"), QStringLiteral("Table")});
    list_->setAccessibleName(QStringLiteral("Restore points"));
    for (const RestorePoint& point : points_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, FromWindows1252(point.when));
        item->setText(1, point.transmissionType.empty() ? QStringLiteral("(not readable)")
                                                        : FromWindows1252(point.transmissionType));
        item->setText(2, FromWindows1252(point.what));
        item->setToolTip(2, QFile::decodeName(point.path.c_str()));
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!points_.empty())
        list_->setCurrentItem(list_->topLevelItem(0));
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    open_ = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    compare_ = buttons->addButton(QStringLiteral("&Compare"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    open_->setEnabled(!points_.empty());
    compare_->setEnabled(!points_.empty());
    open_->setDefault(true);
    layout->addWidget(buttons);
    connect(open_, &QPushButton::clicked, this, [this] { Choose(kOpen); });
    connect(compare_, &QPushButton::clicked, this, [this] { Choose(kCompare); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemActivated, this, [this] { Choose(kOpen); });
    resize(520, 320);
}

void CRestorePointsDlg::Choose(Choice choice) {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= points_.size())
        return;
    choice_ = choice;
    chosenRow_ = row;
    accept();
}

std::string CRestorePointsDlg::ChosenPath() const {
    if (chosenRow_ < 0)
        return {};
    return points_[static_cast<std::size_t>(chosenRow_)].path;
}

} // namespace vexa
