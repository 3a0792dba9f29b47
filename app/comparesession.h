#pragma once
// File > Compare With...: another calibration shown beside the open one. Its curves appear
// on the graph as dashed lines in the colours of the open calibration's curves, and the
// Differences window lists every variable and curve point that differs. The comparison
// follows the open calibration as it is edited, opened anew or read from the controller;
// Close Compare (or closing the Differences window) ends it.
#include "core/calibrationcompare.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QDialog;
class QLabel;
class QTimer;
class QTreeWidget;

namespace vexa {

class CMainFrame;

class CCompareSession : public QObject {
public:
    // The open calibration, the settings and program folder a compared file is attached
    // with, and the window whose graph shows it. All must outlive the session.
    CCompareSession(CVLXDoc& doc, SettingsStore& settings, std::string programDir,
                    CMainFrame& frame);
    ~CCompareSession() override;

    // Compares the open calibration with the file at path (any earlier comparison ends).
    // False, with a message box saying why, when the file cannot be opened.
    bool Start(const std::string& path);
    // Ends the comparison: the dashed lines go and the Differences window closes.
    void Close();
    bool Active() const { return other_ != nullptr; }

    // Compares again and shows the result now (it is also done whenever the open
    // calibration has changed).
    void Refresh();
    const CalibrationComparison& Comparison() const { return comparison_; }
    QDialog* DifferencesWindow() const { return window_; }
    QTreeWidget* DifferencesList() const { return list_; }

    // The open calibration's title, for the window's texts.
    std::function<std::string()> title;

private:
    void ShowDifferences();
    void UpdateGraph();

    CVLXDoc& doc_;
    SettingsStore& settings_;
    std::string programDir_;
    CMainFrame& frame_;
    std::unique_ptr<ComparedCalibration> other_;
    std::string otherName_;
    CalibrationComparison comparison_;
    QPointer<QDialog> window_;
    QLabel* summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QTimer* watch_ = nullptr;
    std::string compared_; // the open calibration as it was last compared
};

} // namespace vexa
