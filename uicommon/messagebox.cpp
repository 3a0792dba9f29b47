#include "uicommon/messagebox.h"

#include "core/documenthost.h"
#include "uicommon/textcodec.h"

#include <QMessageBox>

namespace vexa {
namespace {

UiScript* g_script = nullptr;

// The button Enter presses: the first, or the second where the box says so.
int DefaultButton(unsigned flags) {
    const unsigned buttons = flags & 0xFu;
    const bool second = (flags & kMbDefButton2) != 0;
    if (buttons == kMbYesNo || buttons == kMbYesNoCancel)
        return second ? kIdNo : kIdYes;
    return second && buttons == kMbOkCancel ? kIdCancel : kIdOk;
}

} // namespace

std::vector<std::string> UiScript::Captions() const {
    std::vector<std::string> captions;
    for (const ShownMessageBox& box : shown)
        captions.push_back(box.caption);
    return captions;
}

void InstallUiScript(UiScript* script) {
    g_script = script;
}

UiScript* InstalledUiScript() {
    return g_script;
}

int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned flags) {
    if (g_script) {
        g_script->shown.push_back({text, caption, flags});
        if (g_script->answers.empty())
            return DefaultButton(flags);
        const int answer = g_script->answers.front();
        g_script->answers.pop_front();
        return answer;
    }

    QMessageBox box(parent);
    box.setWindowTitle(caption.empty() ? QString::fromLatin1(kProgramTitle)
                                       : FromWindows1252(caption));
    box.setText(FromWindows1252(text));
    box.setTextFormat(Qt::PlainText);
    switch (flags & 0xF0u) {
    case kMbIconStop:
        box.setIcon(QMessageBox::Critical);
        break;
    case kMbIconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case kMbIconExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case kMbIconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (flags & 0xFu) {
    case kMbOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case kMbYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case kMbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    if (flags & kMbDefButton2)
        box.setDefaultButton((flags & 0xFu) == kMbOkCancel ? QMessageBox::Cancel : QMessageBox::No);
    if ((flags & kMbTaskModal) || !parent)
        box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return kIdYes;
    case QMessageBox::No:
        return kIdNo;
    case QMessageBox::Cancel:
        return kIdCancel;
    case QMessageBox::Ok:
        return kIdOk;
    default:
        // Escape on a box without Cancel counts as its only button.
        return (flags & 0xFu) == kMbOkCancel ? kIdCancel : kIdOk;
    }
}

int RunModal(QDialog& dialog) {
    if (g_script)
        return g_script->runDialog ? g_script->runDialog(dialog) : QDialog::Rejected;
    return dialog.exec();
}

} // namespace vexa
