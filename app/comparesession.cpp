#include "app/comparesession.h"

#include "frame/mainfrm.h"
#include "graph/vlxview.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace vexa {
namespace {

// How often the open calibration is looked at for changes while comparing.
constexpr int kWatchMs = 200;

// Two shown values, with the stored ones beside them where the shown ones read alike.
std::pair<QString, QString> Values(const std::string& here, const std::string& there,
                                   const std::string& storedHere, const std::string& storedThere) {
    if (here != there)
        return {FromWindows1252(here), FromWindows1252(there)};
    return {FromWindows1252(here + " (stored " + storedHere + ")"),
            FromWindows1252(there + " (stored " + storedThere + ")")};
}

QTreeWidgetItem* Group(QTreeWidget* list, const QString& text, std::size_t count) {
    auto* group = new QTreeWidgetItem(list);
    group->setText(0, text + QStringLiteral(" (%1)").arg(count));
    group->setFirstColumnSpanned(true);
    group->setExpanded(true);
    return group;
}

void Row(QTreeWidgetItem* group, const QString& what, const QString& here, const QString& there) {
    auto* row = new QTreeWidgetItem(group);
    row->setText(0, what);
    row->setText(1, here);
    row->setText(2, there);
}

} // namespace

CCompareSession::CCompareSession(CVLXDoc& doc, SettingsStore& settings, std::string programDir,
                                 CMainFrame& frame)
    : doc_(doc), settings_(settings), programDir_(std::move(programDir)), frame_(frame) {
    watch_ = new QTimer(this);
    watch_->setInterval(kWatchMs);
    connect(watch_, &QTimer::timeout, this, [this] {
        if (Active() && doc_.SaveToBytes() != compared_)
            Refresh();
    });
}

CCompareSession::~CCompareSession() {
    Close();
}

bool CCompareSession::Start(const std::string& path) {
    auto other = std::make_unique<ComparedCalibration>(settings_, programDir_);
    std::string error;
    if (!other->Open(path, error)) {
        ShowMessageBox(&frame_,
                       "The calibration could not be compared with \"" + path + "\":\n\n" + error,
                       "Calibration Compare Error:", kMbIconStop);
        return false;
    }
    Close();
    other_ = std::move(other);
    otherName_ = QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString();
    ShowDifferences();
    Refresh();
    watch_->start();
    return true;
}

void CCompareSession::Close() {
    watch_->stop();
    const bool wasActive = Active();
    other_.reset();
    comparison_ = {};
    compared_.clear();
    if (window_) {
        // Closing the window is what ends a comparison; it must not end it twice.
        QDialog* window = window_;
        window_ = nullptr;
        window->close();
        window->deleteLater();
    }
    if (wasActive && frame_.View()) {
        frame_.View()->Engine().ClearCompanions();
        frame_.View()->RepaintNow();
    }
}

void CCompareSession::ShowDifferences() {
    auto* window = new QDialog(&frame_);
    window->setObjectName(QStringLiteral("DifferencesWindow"));
    auto* layout = new QVBoxLayout(window);
    summary_ = new QLabel(window);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    list_ = new QTreeWidget(window);
    list_->setObjectName(QStringLiteral("DifferencesList"));
    list_->setColumnCount(3);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->setAccessibleName(QStringLiteral("Differences"));
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(window);
    QPushButton* close =
        buttons->addButton(QStringLiteral("C&lose Compare"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CloseCompareButton"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
    // However the window is closed (its button, Escape, its close box), the comparison ends.
    connect(window, &QDialog::finished, this, [this, window] {
        if (window_ == window)
            Close();
    });
    window_ = window;
    window->resize(560, 420);
    window->show();
}

void CCompareSession::Refresh() {
    if (!Active())
        return;
    compared_ = doc_.SaveToBytes();
    comparison_ = CompareCalibrations(doc_, other_->Doc());
    UpdateGraph();
    if (!window_ || !list_)
        return;

    const std::string here = title ? title() : std::string("this calibration");
    window_->setWindowTitle(FromWindows1252("Differences: " + here + " and " + otherName_));
    list_->setHeaderLabels({QString(), FromWindows1252(here), FromWindows1252(otherName_)});
    list_->clear();
    const CalibrationComparison& c = comparison_;
    const std::size_t count = (c.TypesDiffer() ? 1 : 0) + c.variables.size() + c.points.size() +
                              c.variablesOnlyHere.size() + c.variablesOnlyThere.size() +
                              c.curvesOnlyHere.size() + c.curvesOnlyThere.size();
    summary_->setText(c.Same() ? QStringLiteral("The two calibrations hold the same values.")
                               : QStringLiteral("%1 differences. The other calibration's curves "
                                                "are drawn dashed on the graph.")
                                     .arg(count));
    if (c.TypesDiffer()) {
        QTreeWidgetItem* group = Group(list_, QStringLiteral("Transmission type"), 1);
        Row(group, QStringLiteral("Transmission type"), FromWindows1252(c.typeHere),
            FromWindows1252(c.typeThere));
    }
    if (!c.variables.empty()) {
        QTreeWidgetItem* group = Group(list_, QStringLiteral("Settings"), c.variables.size());
        for (const VariableDifference& v : c.variables) {
            const auto [a, b] = Values(v.here, v.there, v.storedHere, v.storedThere);
            Row(group, FromWindows1252(v.label.empty() ? v.name : v.label + " (" + v.name + ")"), a,
                b);
        }
    }
    if (!c.points.empty()) {
        QTreeWidgetItem* group = Group(list_, QStringLiteral("Curve points"), c.points.size());
        for (const CurvePointDifference& p : c.points) {
            const auto [a, b] = Values(ShownCurveValue(p.here), ShownCurveValue(p.there),
                                       std::to_string(p.storedHere), std::to_string(p.storedThere));
            Row(group, FromWindows1252(CurvePointPlace(p)), a, b);
        }
    }
    const std::size_t onlyOne = c.variablesOnlyHere.size() + c.variablesOnlyThere.size() +
                                c.curvesOnlyHere.size() + c.curvesOnlyThere.size();
    if (onlyOne > 0) {
        QTreeWidgetItem* group = Group(list_, QStringLiteral("On one side only"), onlyOne);
        const QString present = QStringLiteral("present");
        const QString missing = QStringLiteral("missing");
        for (const std::string& name : c.variablesOnlyHere)
            Row(group, FromWindows1252("Variable " + name), present, missing);
        for (const std::string& name : c.curvesOnlyHere)
            Row(group, FromWindows1252("Curve " + name), present, missing);
        for (const std::string& name : c.variablesOnlyThere)
            Row(group, FromWindows1252("Variable " + name), missing, present);
        for (const std::string& name : c.curvesOnlyThere)
            Row(group, FromWindows1252("Curve " + name), missing, present);
    }
}

void CCompareSession::UpdateGraph() {
    CVLXView* view = frame_.View();
    if (!view)
        return;
    CGraphEngine& engine = view->Engine();
    engine.ClearCompanions();
    CVLXDoc& other = other_->Doc();
    for (int curve = 0; curve < kNumCurves; ++curve) {
        const int matched = comparison_.matchedCurve[static_cast<std::size_t>(curve)];
        if (matched < 0)
            continue;
        std::array<float, kPointsPerCurve> values{};
        for (int point = 0; point < kPointsPerCurve; ++point)
            values[static_cast<std::size_t>(point)] = other.CurveDisplayValue(matched, point);
        engine.SetCompanionValues(curve, values);
    }
    view->RepaintNow();
}

} // namespace vexa
