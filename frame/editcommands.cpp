#include "frame/editcommands.h"

#include "frame/commandids.h"
#include "frame/mainfrm.h"
#include "graph/vlxview.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

#include <optional>
#include <string>
#include <vector>

namespace vexa {

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };

// The edit field that has the focus, whichever kind it is; all null when none has.
struct TextField {
    QLineEdit* line = nullptr;
    QPlainTextEdit* plain = nullptr;
    QTextEdit* rich = nullptr;

    static TextField Focused() {
        TextField field;
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            return field;
        if (auto* combo = qobject_cast<QComboBox*>(focus))
            field.line = combo->lineEdit();
        else if (qobject_cast<QAbstractSpinBox*>(focus))
            field.line = focus->findChild<QLineEdit*>();
        else
            field.line = qobject_cast<QLineEdit*>(focus);
        field.plain = qobject_cast<QPlainTextEdit*>(focus);
        field.rich = qobject_cast<QTextEdit*>(focus);
        return field;
    }
    explicit operator bool() const { return line || plain || rich; }

    // f on whichever field it is; fallback without one.
    template <class R, class F> R With(F f, R fallback) const {
        if (line)
            return f(*line);
        if (plain)
            return f(*plain);
        return rich ? f(*rich) : fallback;
    }
    bool HasSelection() const {
        return With(Overloaded{[](QLineEdit& e) { return e.hasSelectedText(); },
                               [](auto& e) { return e.textCursor().hasSelection(); }},
                    false);
    }
    bool ReadOnly() const {
        return With([](auto& e) { return e.isReadOnly(); }, true);
    }
    void Cut() const {
        With([](auto& e) { return (e.cut(), 0); }, 0);
    }
    void Copy() const {
        With([](auto& e) { return (e.copy(), 0); }, 0);
    }
    void Paste() const {
        With([](auto& e) { return (e.paste(), 0); }, 0);
    }
};

// "&Undo Move 3 Points of 1-2 Up\tCtrl+Z": the step's name, its "&" shown as it is.
QString StepText(const char* verb, const std::string& step, const char* keys) {
    QString text = QString::fromLatin1(verb);
    if (!step.empty())
        text += QLatin1Char(' ') +
                FromWindows1252(step).replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text + QLatin1Char('\t') + QString::fromLatin1(keys);
}

// Belongs to the frame, whose commands call it; the view may go first, after which the
// graph's commands are disabled.
class EditCommands : public QObject {
public:
    EditCommands(CMainFrame& frame, CVLXDoc& doc, CVLXView& view)
        : QObject(&frame), frame_(frame), doc_(doc), view_(&view) {
        // Asked at every command update, so kept rather than asked of the system each time.
        QClipboard* clipboard = QApplication::clipboard();
        connect(clipboard, &QClipboard::dataChanged, this, [this] { ReadClipboardState(); });
        ReadClipboardState();
    }

    void Install() {
        frame_.SetCommandHandler(
            kIdEditUndo, [this] { doc_.Undo(); }, [this] { return doc_.CanUndo(); });
        frame_.SetCommandText(kIdEditUndo,
                              [this] { return StepText("&Undo", doc_.UndoName(), "Ctrl+Z"); });
        frame_.SetCommandHandler(
            kIdEditRedo, [this] { doc_.Redo(); }, [this] { return doc_.CanRedo(); });
        frame_.SetCommandText(kIdEditRedo,
                              [this] { return StepText("&Redo", doc_.RedoName(), "Ctrl+Y"); });

        frame_.SetCommandHandler(
            kIdEditCut, [] { TextField::Focused().Cut(); },
            [] {
                const TextField field = TextField::Focused();
                return field && !field.ReadOnly() && field.HasSelection();
            });
        frame_.SetCommandHandler(
            kIdEditCopy, [this] { Copy(); },
            [this] {
                if (const TextField field = TextField::Focused())
                    return field.HasSelection();
                return view_ && !Engine().CopyValues().empty();
            });
        frame_.SetCommandHandler(
            kIdEditPaste, [this] { Paste(); },
            [this] {
                if (const TextField field = TextField::Focused())
                    return !field.ReadOnly() && ClipboardHasText();
                return view_ && ClipboardHasText() && Engine().IsEditEnabled() &&
                       Engine().IsTraceVisible(Engine().GetCurrentTrace());
            });

        const auto selected = [this] {
            return view_ && Engine().IsEditEnabled() && Engine().SelectedPointCount() > 0;
        };
        frame_.SetCommandHandler(
            kIdEditSetTo, [this] { AskAndApply(PointOperation::kSetTo); }, selected);
        frame_.SetCommandHandler(
            kIdEditAdd, [this] { AskAndApply(PointOperation::kAdd); }, selected);
        frame_.SetCommandHandler(
            kIdEditScale, [this] { AskAndApply(PointOperation::kScale); }, selected);
        frame_.SetCommandHandler(
            kIdEditInterpolate, [this] { Apply("Interpolate", PointOperation::kInterpolate, 0); },
            selected);
        frame_.SetCommandHandler(
            kIdEditSmooth, [this] { Apply("Smooth", PointOperation::kSmooth, 0); }, selected);

        // The same commands on the graph, by the mouse's right button or the menu key.
        view_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view_, &QWidget::customContextMenuRequested, this,
                [this](const QPoint& at) { ShowContextMenu(at); });
    }

private:
    CGraphEngine& Engine() { return view_->Engine(); }

    void ReadClipboardState() {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        clipboardHasText_ = data && data->hasText() && !data->text().isEmpty();
    }
    bool ClipboardHasText() const { return clipboardHasText_; }

    void Copy() {
        if (const TextField field = TextField::Focused()) {
            field.Copy();
            return;
        }
        if (!view_)
            return;
        const std::vector<double> values = Engine().CopyValues();
        if (!values.empty())
            QApplication::clipboard()->setText(QString::fromStdString(FormatPointValues(values)));
    }

    void Paste() {
        if (const TextField field = TextField::Focused()) {
            field.Paste();
            return;
        }
        if (!view_)
            return;
        const std::string text = QApplication::clipboard()->text().toStdString();
        const std::optional<std::vector<double>> values = ParsePointValues(text);
        if (!values) {
            ShowMessageBox(&frame_,
                           "The Clipboard holds no curve values, so nothing was pasted.\n\n"
                           "Copy numbers separated by tabs or line breaks, such as a row or a "
                           "column of a spreadsheet, and try again.",
                           "Paste", kMbIconExclamation);
            return;
        }
        doc_.SetCurvePoints("Paste", Engine().PasteValues(*values));
        view_->RepaintNow();
    }

    void Apply(const char* name, PointOperation op, double argument) {
        if (!view_)
            return;
        doc_.SetCurvePoints(name, Engine().OperationValues(op, argument));
        view_->RepaintNow();
    }

    // Set To, Add and Scale ask for their number first.
    void AskAndApply(PointOperation op) {
        if (!view_)
            return;
        QInputDialog dialog(&frame_);
        dialog.setInputMode(QInputDialog::TextInput);
        QString start;
        const char* name = "Set";
        switch (op) {
        case PointOperation::kSetTo: {
            dialog.setWindowTitle(QStringLiteral("Set To"));
            dialog.setLabelText(QStringLiteral("&Value for the selected points:"));
            const int trace = Engine().GetCurrentTrace();
            const int column = Engine().GetCursorColumn();
            if (Engine().IsPointSelected(trace, column)) {
                const double value = Engine().GetValue(trace, column);
                start = QString::fromStdString(FormatPointValues({&value, 1}));
            }
            break;
        }
        case PointOperation::kAdd:
            name = "Add to";
            dialog.setWindowTitle(QStringLiteral("Add"));
            dialog.setLabelText(
                QStringLiteral("&Add to each selected point (a negative number subtracts):"));
            start = QStringLiteral("0");
            break;
        default:
            name = "Scale";
            dialog.setWindowTitle(QStringLiteral("Scale"));
            dialog.setLabelText(QStringLiteral("&Percentage of each selected point's value:"));
            start = QStringLiteral("100");
            break;
        }
        dialog.setTextValue(start);
        if (RunModal(dialog) != QDialog::Accepted)
            return;
        const std::optional<std::vector<double>> values =
            ParsePointValues(dialog.textValue().toStdString());
        if (!values || values->size() != 1) {
            ShowMessageBox(&frame_,
                           "\"" + ToWindows1252(dialog.textValue()) +
                               "\" is not a number, so the points were not changed.",
                           ToWindows1252(dialog.windowTitle()), kMbIconExclamation);
            return;
        }
        Apply(name, op, values->front());
    }

    void ShowContextMenu(const QPoint& at) {
        frame_.UpdateCommandUI();
        auto* menu = new QMenu(view_);
        menu->setObjectName(QStringLiteral("GraphContextMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (const int id : std::initializer_list<int>{
                 kIdEditUndo, kIdEditRedo, 0, kIdEditCut, kIdEditCopy, kIdEditPaste, 0,
                 kIdEditSetTo, kIdEditAdd, kIdEditScale, kIdEditInterpolate, kIdEditSmooth}) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(frame_.Action(id));
        }
        menu->popup(view_->mapToGlobal(at));
    }

    CMainFrame& frame_;
    CVLXDoc& doc_;
    QPointer<CVLXView> view_;
    bool clipboardHasText_ = false;
};

} // namespace

void InstallEditCommands(CMainFrame& frame, CVLXDoc& doc, CVLXView& view) {
    (new EditCommands(frame, doc, view))->Install();
}

} // namespace vexa
