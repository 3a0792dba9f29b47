#pragma once
// The "Select Current Transmission Type" dialog: after a read from the controller, the
// user picks among similar transmission types the calibration may be for.
#include <QDialog>

#include <string>
#include <vector>

class QComboBox;

namespace vexa {

class CTransTypeDlg : public QDialog {
public:
    // names: the display names, already in the order to show (alphabetical).
    explicit CTransTypeDlg(const std::vector<std::string>& names, QWidget* parent = nullptr);
    QComboBox* List() const { return list_; }
    // The chosen entry; 0 (the first) unless the user changed it.
    int Selected() const;

private:
    QComboBox* list_ = nullptr;
};

// Runs the dialog (through RunModal, so tests answer it) for the controller's read.
int ChooseTransmissionType(QWidget* parent, const std::vector<std::string>& names, int& selected);

} // namespace vexa
