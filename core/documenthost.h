#pragma once
// What the calibration document asks of the windows that show it. The windowed
// program's main window implements it; tests use a recorder; the command line prints
// message boxes on standard error.
#include <string>

namespace vexa {

// Message-box style flags and results keep the controller program's own numbers.
enum MessageBoxFlags : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconStop = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100, // the second button is the default (No of Yes/No)
    kMbTaskModal = 0x2000,
};

enum MessageBoxResult : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // Shows a modal message box and returns the button pressed (kIdOk, kIdYes, ...).
    // texts are 8-bit, shown as Windows-1252.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // Whether a main window with a status bar exists; the document skips view work
    // while it does not.
    virtual bool HasFrame() const = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // Hide every trace, rebuild the "Graph Controls" bar and the dashboard from the
    // definition text (the first half of RefreshViews with rebuild set).
    virtual void RebuildBars() = 0;
    // Redraw the main view completely.
    virtual void RedrawView() = 0;
    // Rebuild the pages of the open settings sheet (GlobalInfluence 4). sheet is the
    // sheet that holds the control, opaque to the document.
    virtual void RebuildSheetPages(void* sheet) = 0;
    // Refresh the open System Settings window after the calibration changed underneath.
    virtual void RefreshSettingsSheet(int rebuild) = 0;
};

// A host with no windows: message boxes answer OK and nothing is shown. The document
// uses it until a real host is attached.
class NullDocumentHost : public DocumentHost {
public:
    int MessageBox(const std::string&, const std::string&, unsigned) override { return kIdOk; }
    bool HasFrame() const override { return false; }
    void SetStatusText(const std::string&) override {}
    void RebuildBars() override {}
    void RedrawView() override {}
    void RebuildSheetPages(void*) override {}
    void RefreshSettingsSheet(int) override {}
};

} // namespace vexa
