#pragma once
// CStartDlg: "Getting Started", how to begin (open a calibration or create a new one with
// the setup wizard), with the "Show this message at startup" check box ("StartBox").
#include "settings_ui/aboutdlg.h"

namespace vexa {

class CStartDlg : public StartupCheckDialog {
public:
    explicit CStartDlg(SettingsStore& settings, QWidget* parent = nullptr);

    QString FirstParagraph() const;

private:
    QLabel* first_ = nullptr;
};

} // namespace vexa
