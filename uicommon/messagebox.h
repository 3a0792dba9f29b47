#pragma once
// Every message box of the windowed program goes through ShowMessageBox, so tests can
// answer boxes from a script instead of showing them, and see what would have been shown.
// Flags and results are the document's (core/documenthost.h): the icon from 0x10, 0x20,
// 0x30, 0x40, the buttons from the low four bits, 0x2000 for task-modal.
#include <QDialog>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vexa {

inline constexpr const char* kProgramTitle = "VEXA Transmission Control";

struct ShownMessageBox {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

// While installed, no box or modal dialog is shown: boxes are recorded and answered from
// answers (then with the box's default button once they run out), and modal dialogs are
// handed to runDialog (rejected when it is empty).
struct UiScript {
    std::deque<int> answers;
    std::vector<ShownMessageBox> shown;
    std::function<int(QDialog&)> runDialog;

    std::vector<std::string> Captions() const;
};

// nullptr shows boxes and dialogs for real again.
void InstallUiScript(UiScript* script);
UiScript* InstalledUiScript();

// Shows a modal message box; texts are Windows-1252 bytes. An empty caption shows the
// program's title. Returns kIdOk, kIdCancel, kIdYes or kIdNo.
int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned flags);

// Runs a dialog modally (QDialog::exec) unless a script is installed.
int RunModal(QDialog& dialog);

} // namespace vexa
