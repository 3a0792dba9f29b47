#pragma once
// CAboutDlg: program name, version and the maker's limited-warranty notice, with the
// "Show this message at startup" check box kept in the settings ("AboutBox").
#include "core/settingsstore.h"

#include <QDialog>

#include <string>
#include <string_view>

class QCheckBox;
class QLabel;

namespace vexa {

// The check box both start-up dialogs share: its value is read when the dialog is made
// and written on OK only when the user changed it.
class StartupCheckDialog : public QDialog {
public:
    StartupCheckDialog(SettingsStore& settings, std::string_view section, QWidget* parent);

    QCheckBox* CheckBox() const { return check_; }
    int CheckValue() const { return checkValue_; }
    // OK: reads the box back and stores it when it differs from the value at construction.
    void accept() override;

protected:
    // Places a child at a rectangle given in dialog units of the dialog's font.
    void Place(QWidget* child, int x, int y, int w, int h) const;
    void SetSizeInDialogUnits(int w, int h);

    QCheckBox* check_ = nullptr;

private:
    SettingsStore& settings_;
    std::string section_;
    int checkValue_;
    int initialCheckValue_;
};

class CAboutDlg : public StartupCheckDialog {
public:
    // programDir: where Package.ver gives the version letter.
    CAboutDlg(SettingsStore& settings, const std::string& programDir, QWidget* parent = nullptr);

    QString VersionLine() const;
    QString WarrantyText() const;

private:
    QLabel* version_ = nullptr;
    QLabel* warranty_ = nullptr;
};

// "VEXA Transmission Control, Version 3.30" followed by the package letter (none for 0).
std::string AboutVersionLine(int packageVersion);

} // namespace vexa
