#pragma once
// File > Restore Points...: the tables kept before writes, newest first with their date,
// transmission type and controller table; the chosen one is opened, or compared with the
// open calibration.
#include "core/restorepoints.h"

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace vexa {

class CRestorePointsDlg : public QDialog {
public:
    enum Choice : int { kNone = 0, kOpen = 1, kCompare = 2 };

    CRestorePointsDlg(std::vector<RestorePoint> points, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    QPushButton* OpenButton() const { return open_; }
    QPushButton* CompareButton() const { return compare_; }
    // What the user chose and the restore point it was for (empty for none).
    Choice Chosen() const { return choice_; }
    std::string ChosenPath() const;

private:
    void Choose(Choice choice);

    std::vector<RestorePoint> points_;
    QTreeWidget* list_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* compare_ = nullptr;
    Choice choice_ = kNone;
    int chosenRow_ = -1;
};

} // namespace vexa
