#pragma once
// CDynamicButton: a settings page's push button, check box, radio button or the frame of a
// radio group, drawn in the style of its kind. A click goes to the page's
// OnButtonClicked with the check state after the click: a push button runs its action
// (value into a target field, a help file, a program), a check box or radio button
// applies the option's BitValState list. A radio button is always checked after a click;
// which others of its group are unchecked is the model's decision.
//
// QtProgramLauncher starts what a push button's Execute names: programs without waiting,
// help files in the application's help viewer.
#include "settings_ui/dynamiccontrol.h"

#include <QAbstractButton>

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

class CHelpDialog;

class CDynamicButton : public QAbstractButton, public DynamicControl {
    Q_OBJECT
public:
    // kind: ButtonModel::Kind.
    CDynamicButton(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                   const ButtonModel& model);

    // Copies text, check state and rectangle from the model.
    void Sync(const ButtonModel& model);

    int Index() const { return index_; }
    int Kind() const { return kind_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnClicked(bool checked);

    int index_;
    int kind_;
    bool radio_;
};

class QtProgramLauncher : public ProgramLauncher {
public:
    // viewer: the application's help viewer (not owned); without one the launcher makes
    // its own when a help file is first asked for.
    explicit QtProgramLauncher(CHelpDialog* viewer = nullptr);
    ~QtProgramLauncher() override;
    QtProgramLauncher(const QtProgramLauncher&) = delete;
    QtProgramLauncher& operator=(const QtProgramLauncher&) = delete;

    void ShowHelpFile(const std::string& path) override;
    // The handle is the started process's id.
    std::int64_t StartProgram(const std::string& path,
                              const std::vector<std::string>& arguments) override;
    int QueryProgram(std::int64_t handle, std::string& errorText) override;

private:
    CHelpDialog* viewer_;
    CHelpDialog* own_ = nullptr;
};

} // namespace vexa
