#include "graph/vlxview.h"

#include "graph/graphpainter.h"
#include "graph/qpaintersurface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWheelEvent>

namespace vexa {

int GraphKeyFromQt(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Space:
        return kGraphKeySpace;
    case Qt::Key_PageUp:
        return kGraphKeyPageUp;
    case Qt::Key_PageDown:
        return kGraphKeyPageDown;
    case Qt::Key_End:
        return kGraphKeyEnd;
    case Qt::Key_Home:
        return kGraphKeyHome;
    case Qt::Key_Left:
        return kGraphKeyLeft;
    case Qt::Key_Up:
        return kGraphKeyUp;
    case Qt::Key_Right:
        return kGraphKeyRight;
    case Qt::Key_Down:
        return kGraphKeyDown;
    default:
        return 0;
    }
}

CVLXView::CVLXView(CVLXDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), engine_(kNumCurves, kPointsPerCurve), curveGraph_(engine_) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button still reach the engine (its hover state).
    setMouseTracking(true);
    {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter painter(&probe);
        painter.setFont(font());
        QPainterSurface surface(painter);
        engine_.MeasureLabels(surface);
    }
    engine_.SetAdjustCallback([this](int curve, int point, float value, std::int16_t& delta) {
        return doc_.AdjustCurvePoint(curve, point, value, delta);
    });
    engine_.SetStoredValueCallback(
        [this](int curve, int point) { return int{doc_.Point(curve, point)}; });
    doc_.SetGraph(&curveGraph_);
    doc_.LoadCurvesIntoGraph();
}

CVLXView::~CVLXView() {
    EndDragStep();
    // The engine goes with the view; the document must not reach it afterwards.
    if (doc_.Graph() == &curveGraph_)
        doc_.SetGraph(nullptr);
}

int CVLXView::Modifiers(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? kGraphShift : 0) |
           (modifiers & Qt::ControlModifier ? kGraphCtrl : 0);
}

void CVLXView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    offscreen_ = QImage(std::max(cx, 1), std::max(cy, 1), QImage::Format_RGB32);
    offscreen_.fill(palette().color(QPalette::Base));
    engine_.SetPlotRect(kPlotMarginLeft, kPlotMarginTop, cx - kPlotMarginLeft - kPlotMarginRight,
                        cy - kPlotMarginTop - kPlotMarginBottom);
    if (minTrackSize_)
        minTrackSize_(450, 420);
}

void CVLXView::DrawOffscreen() {
    QPainter painter(&offscreen_);
    painter.setFont(font());
    QPainterSurface surface(painter);
    surface.FillRect(0, 0, offscreen_.width(), offscreen_.height(), engine_.GetBackgroundColor());
    engine_.Draw(surface);
    engine_.DrawCrosshair(surface);
    engine_.DrawCallout(surface);
}

void CVLXView::paintEvent(QPaintEvent*) {
    if (offscreen_.isNull())
        return;
    DrawOffscreen();
    QPainter painter(this);
    painter.drawImage(0, 0, offscreen_);
}

QImage CVLXView::Snapshot() {
    if (offscreen_.isNull())
        return {};
    DrawOffscreen();
    return offscreen_.copy();
}

void CVLXView::RepaintNow() {
    repaint();
}

void CVLXView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        captured_ = true;
        // The drag that may follow is one step of the history, however many moves it takes.
        if (!dragStep_) {
            dragStep_ = true;
            doc_.BeginChange({}, ChangeNaming::kMovePoints);
        }
        const QPoint at = event->position().toPoint();
        engine_.OnMouseDown(Modifiers(event->modifiers()), at.x(), at.y());
        RepaintNow();
    }
    QWidget::mousePressEvent(event);
}

void CVLXView::mouseMoveEvent(QMouseEvent* event) {
    const bool leftDown = (event->buttons() & Qt::LeftButton) != 0;
    // A drag that started elsewhere (another window holds the pointer) changes nothing.
    if (leftDown && !captured_)
        return;
    const QPoint at = event->position().toPoint();
    engine_.OnMouseMove(leftDown ? kGraphLeftButton : 0, at.x(), at.y());
    RepaintNow();
    QWidget::mouseMoveEvent(event);
}

void CVLXView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !captured_)
        return;
    captured_ = false;
    const QPoint at = event->position().toPoint();
    engine_.OnMouseUp(Modifiers(event->modifiers()), at.x(), at.y());
    EndDragStep();
    RepaintNow();
    QWidget::mouseReleaseEvent(event);
}

void CVLXView::keyPressEvent(QKeyEvent* event) {
    if (const int key = GraphKeyFromQt(event->key())) {
        ChangeScope step(doc_, {}, ChangeNaming::kMovePoints);
        engine_.OnKey(key, std::max(1, event->count()), Modifiers(event->modifiers()));
        RepaintNow();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CVLXView::wheelEvent(QWheelEvent* event) {
    wheelAccumulator_ += event->angleDelta().y();
    if (wheelAccumulator_ >= kWheelNotch || wheelAccumulator_ <= -kWheelNotch) {
        const int notches = wheelAccumulator_ / kWheelNotch;
        wheelAccumulator_ %= kWheelNotch;
        ChangeScope step(doc_, {}, ChangeNaming::kMovePoints);
        engine_.OnKey(kGraphKeyUp, notches, Modifiers(event->modifiers()));
        RepaintNow();
    }
    event->accept();
}

void CVLXView::EndDragStep() {
    if (dragStep_) {
        dragStep_ = false;
        doc_.EndChange();
    }
}

void CVLXView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    wheelAccumulator_ = 0;
    // A drag cut short (another window took the pointer) still closes its step.
    if (!captured_ || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        captured_ = false;
        EndDragStep();
    }
}

QPrinter& CVLXView::Printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool CVLXView::PrintTo(QPrinter& printer) {
    QImage picture = Snapshot();
    if (picture.isNull()) {
        // Never laid out on a screen: the graph as a window of the default size shows it.
        picture = QImage(kUnshownWidth, kUnshownHeight, QImage::Format_RGB32);
        LayoutGraphForImage(engine_, picture);
        PaintGraph(engine_, picture);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(picture.rect());
    painter.drawImage(0, 0, picture);
    return painter.end();
}

void CVLXView::OnFilePrint() {
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(Printer());
}

void CVLXView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintTo(*printer); });
    preview.exec();
}

void CVLXView::OnFilePrintSetup() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

} // namespace vexa
