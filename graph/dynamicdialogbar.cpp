#include "graph/dynamicdialogbar.h"

#include "uicommon/textcodec.h"

#include <QDockWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace vexa {

namespace {

constexpr int kLabelPointSize = 10;

QRect ToQRect(const TuningRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// A row's name: black on the element's colour (or plain for a heading), centred, in the
// 10-point font, drawn smaller rather than cut off when the row is too narrow for it.
CDynamicStatic* MakeLabel(QWidget* bar, ControlIdSource* ids, const TuningLabel& label,
                          bool coloured) {
    auto* shown = new CDynamicStatic(bar, ids);
    shown->setTextFormat(Qt::PlainText);
    shown->setAlignment(Qt::AlignCenter);
    if (coloured)
        shown->SetColours(true, 0x000000, label.colour);
    shown->setGeometry(ToQRect(label.rect));
    shown->SetText(FromWindows1252(label.text));
    shown->SetFitToWidth(kLabelPointSize);
    return shown;
}

} // namespace

CDynamicDialogBar::CDynamicDialogBar(ControlIdSource* ids, QWidget* parent)
    : QWidget(parent), ids_(ids) {
    setFocusPolicy(Qt::NoFocus);
}

CDynamicDialogBar::~CDynamicDialogBar() {
    DestroyControls();
}

int CDynamicDialogBar::BuildFromDefinition(CVLXDoc* doc) {
    DestroyControls();
    if (!doc)
        return 0;
    std::vector<TuningControl> controls;
    if (!BuildGraphicalTuning(*doc, controls)) {
        doc_ = doc;
        ++builds_;
        update();
        return 0;
    }
    BuildFromControls(doc, controls);
    doc->Host().RedrawView();
    return 1;
}

int CDynamicDialogBar::BuildFromControls(CVLXDoc* doc, const std::vector<TuningControl>& controls) {
    DestroyControls();
    doc_ = doc;
    ++builds_;
    if (!doc)
        return 0;
    CurveGraph* graph = doc->Graph();
    int index = 0;
    for (const TuningControl& control : controls) {
        if (index >= kMaxTuningControls)
            break;
        if (control.kind == TuningControl::kHeading) {
            for (const TuningLabel& label : control.labels) {
                // A heading has no id of its own (its window id is -1).
                CDynamicStatic* heading = MakeLabel(this, nullptr, label, false);
                heading->show();
                bottom_ = std::max(bottom_, label.rect.bottom);
                controls_.push_back(heading);
                break;
            }
            ++index;
            continue;
        }
        auto* button =
            new CLegendButton(this, doc, ids_, static_cast<CLegendButton::Kind>(control.kind),
                              control.logicalName, index);
        button->setGeometry(ToQRect(control.checkBox));
        for (const int trace : control.traces)
            button->Attach(graph, trace);
        button->SetCheckState(control.checked);
        button->SetTexts(control.helpText, control.statusBarText, control.toolTip);
        // The box has no text of its own: it is named by its labels.
        QStringList names;
        for (const TuningLabel& label : control.labels)
            names << FromWindows1252(label.text);
        button->setAccessibleName(names.join(QStringLiteral(" / ")));
        button->setAccessibleDescription(FromWindows1252(control.helpText));
        for (const TuningLabel& label : control.labels) {
            CDynamicStatic* shown = MakeLabel(this, ids_, label, label.coloured);
            shown->RegisterTexts(label.helpText, label.statusBarText, label.toolTip);
            shown->setAccessibleDescription(FromWindows1252(label.helpText));
            button->AddLabel(shown);
            shown->show();
            bottom_ = std::max(bottom_, label.rect.bottom);
        }
        bottom_ = std::max(bottom_, control.checkBox.bottom);
        button->show();
        controls_.push_back(button);
        ++index;
    }
    updateGeometry();
    update();
    return 1;
}

void CDynamicDialogBar::DestroyControls() {
    for (QWidget* control : controls_) {
        if (auto* button = dynamic_cast<CLegendButton*>(control)) {
            button->ReleaseIds();
            for (CDynamicStatic* label : button->Labels())
                label->hide();
        } else if (auto* label = dynamic_cast<CDynamicStatic*>(control)) {
            label->ReleaseId();
        }
        control->hide();
        // Later: the click that asked for this rebuild may still be running in it.
        control->deleteLater();
    }
    controls_.clear();
    bottom_ = 0;
    updateGeometry();
    update();
}

std::vector<CLegendButton*> CDynamicDialogBar::Buttons() const {
    std::vector<CLegendButton*> buttons;
    for (QWidget* control : controls_) {
        if (auto* button = dynamic_cast<CLegendButton*>(control))
            buttons.push_back(button);
    }
    return buttons;
}

CLegendButton* CDynamicDialogBar::FindButton(const std::string& logicalName) const {
    for (CLegendButton* button : Buttons()) {
        if (button->LogicalName() == logicalName)
            return button;
    }
    return nullptr;
}

QSize CDynamicDialogBar::sizeHint() const {
    return QSize(135, std::max(bottom_ + 10, 40));
}

bool CDynamicDialogBar::Docked() const {
    const auto* dock = dynamic_cast<const QDockWidget*>(parentWidget());
    return !dock || !dock->isFloating();
}

void CDynamicDialogBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Docked()) {
        // The grip: three embossed lines from (5, 5) to (130, 8), 4 pixels apart.
        const QColor light = palette().color(QPalette::Light);
        const QColor shadow = palette().color(QPalette::Dark);
        for (const int offset : {0, 4, 8}) {
            const int top = 5 + offset;
            const int bottom = top + 2;
            painter.setPen(light);
            painter.drawLine(5, top, 129, top);
            painter.drawLine(5, top, 5, bottom);
            painter.setPen(shadow);
            painter.drawLine(6, bottom, 129, bottom);
            painter.drawLine(129, top, 129, bottom);
        }
    }
    for (CLegendButton* button : Buttons()) {
        if (!button->hasFocus())
            continue;
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        for (CDynamicStatic* label : button->Labels()) {
            const QRect outside = label->geometry().adjusted(-1, -1, 1, 1);
            painter.drawRect(outside.adjusted(0, 0, -1, -1));
        }
    }
}

void CDynamicDialogBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vexa
