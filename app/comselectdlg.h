#pragma once
// CComSelectDlg: the "COM Port Settings" dialog. It shows the port list of CComSelect and
// forwards the user's choices to it: every selection is stored and the link reopened at
// once; "Find Controller" tries every port; "Refresh Port List" lists the ports again.
#include "link/portdiscovery.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QPushButton;

namespace vexa {

class CComSelectDlg : public QDialog {
public:
    // monitor may be null (no document); lister, settings and monitor must outlive the
    // dialog. virtualPortName adds the virtual controller to the list under that port.
    CComSelectDlg(SettingsStore& settings, PortLister& lister, CTCS_Monitor* monitor,
                  std::string virtualPortName, QWidget* parent = nullptr);
    ~CComSelectDlg() override;

    QComboBox* PortList() const { return ports_; }
    QPushButton* FindButton() const { return find_; }
    QPushButton* RefreshButton() const { return refresh_; }
    QPushButton* HelpButton() const { return help_; }
    CComSelect& Model() { return *model_; }

    void FillPortList();
    void FindController();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Host;
    void ShowEntries();

    std::unique_ptr<Host> host_;
    std::unique_ptr<CComSelect> model_;
    QComboBox* ports_ = nullptr;
    QPushButton* find_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* help_ = nullptr;
    bool filling_ = false;
};

} // namespace vexa
