#include "datalog/logwindow.h"

#include "datalog/logplot.h"
#include "datalog/logplotwidget.h"
#include "uicommon/textcodec.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

constexpr int kShownAtFirst = 4;

// Colours for channels the definition gives none, apart from each other on white.
const QColor kPalette[] = {QColor(0, 0, 192),   QColor(0, 128, 0),   QColor(192, 0, 0),
                           QColor(128, 0, 128), QColor(0, 112, 128), QColor(160, 96, 0),
                           QColor(64, 64, 64),  QColor(96, 96, 0)};

QIcon Swatch(QColor colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

std::int64_t NowMs() {
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

} // namespace

CDataLogWindow::CDataLogWindow(DataLog log, const std::string& path,
                               const std::vector<std::int32_t>& colours, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(std::move(log)), path_(path) {
    setAttribute(Qt::WA_DeleteOnClose);
    const QString fileName = QFileInfo(QFile::decodeName(path.c_str())).fileName();
    setWindowTitle(QStringLiteral("Data Log - ") + fileName);

    plot_ = new CLogPlot(log_, this);
    channels_ = new QListWidget(this);
    channels_->setAccessibleName(QStringLiteral("Channels"));
    const int gear = FindGearChannel(log_);
    int shown = 0;
    for (std::size_t c = 0; c < log_.channels.size(); ++c) {
        const std::int32_t given = c < colours.size() ? colours[c] : -1;
        const QColor colour = given >= 0 ? FromColorRef(static_cast<std::uint32_t>(given))
                                         : kPalette[c % (sizeof kPalette / sizeof kPalette[0])];
        plot_->SetChannelColour(c, colour);
        auto* item = new QListWidgetItem(Swatch(colour), {}, channels_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool tick =
            static_cast<int>(c) == gear || shown < kShownAtFirst - (gear >= 0 ? 1 : 0);
        if (tick && static_cast<int>(c) != gear)
            ++shown;
        item->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
        plot_->SetChannelShown(c, tick);
    }
    plot_->SetGearChannel(gear);
    connect(channels_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        plot_->SetChannelShown(static_cast<std::size_t>(channels_->row(item)),
                               item->checkState() == Qt::Checked);
    });

    play_ = new QPushButton(QStringLiteral("&Play"), this);
    speed_ = new QComboBox(this);
    for (int factor : {1, 2, 5, 10, 30})
        speed_->addItem(QString::number(factor) + QStringLiteral("\u00D7"), factor);
    speed_->setAccessibleName(QStringLiteral("Replay speed"));
    auto* speedLabel = new QLabel(QStringLiteral("&Speed:"), this);
    speedLabel->setBuddy(speed_);
    cursorLabel_ = new QLabel(this);
    auto* hint =
        new QLabel(QStringLiteral("Click: cursor \u00B7 drag: move \u00B7 wheel: zoom \u00B7 "
                                  "\u2190 \u2192: rows"),
                   this);
    hint->setEnabled(false);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(channels_);
    splitter->addWidget(plot_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 720});

    auto* controls = new QHBoxLayout;
    controls->addWidget(play_);
    controls->addWidget(speedLabel);
    controls->addWidget(speed_);
    controls->addSpacing(12);
    controls->addWidget(cursorLabel_, 1);
    controls->addWidget(hint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(controls);

    replay_ = new QTimer(this);
    replay_->setInterval(kReplayIntervalMs);
    connect(replay_, &QTimer::timeout, this, [this] { ReplayStep(); });
    connect(play_, &QPushButton::clicked, this, [this] { TogglePlay(); });
    plot_->onCursorMoved = [this](double t) {
        ShowCursorValues(t);
        if (onCursorMoved)
            onCursorMoved(t);
    };
    ShowCursorValues(plot_->CursorTime());
    resize(960, 480);
    plot_->setFocus();
}

CDataLogWindow::~CDataLogWindow() = default;

bool CDataLogWindow::Playing() const {
    return replay_->isActive();
}

void CDataLogWindow::ShowCursorValues(double t) {
    const std::ptrdiff_t row = log_.RowAt(t);
    for (std::size_t c = 0; c < log_.channels.size(); ++c) {
        const DataLogChannel& channel = log_.channels[c];
        std::string value;
        if (row >= 0)
            value = channel.Text(channel.values[static_cast<std::size_t>(row)]);
        QString text = FromWindows1252(channel.name);
        text += QStringLiteral(": ") +
                (value.empty() ? QStringLiteral("\u2013") : FromWindows1252(value));
        QListWidgetItem* item = channels_->item(static_cast<int>(c));
        const QSignalBlocker block(channels_);
        item->setText(text);
    }
    cursorLabel_->setText(QStringLiteral("Cursor: %1 s").arg(t, 0, 'f', 3));
}

void CDataLogWindow::TogglePlay() {
    if (replay_->isActive()) {
        replay_->stop();
        play_->setText(QStringLiteral("&Play"));
        return;
    }
    // From the start again once the end was reached.
    if (plot_->CursorTime() >= log_.EndTime())
        plot_->SetCursorTime(log_.StartTime());
    lastStepMs_ = NowMs();
    replay_->start();
    play_->setText(QStringLiteral("&Pause"));
}

void CDataLogWindow::ReplayStep() {
    const std::int64_t now = NowMs();
    LogReplay replay;
    replay.speed = speed_->currentData().toDouble();
    bool running = true;
    const double t = replay.Advance(plot_->CursorTime(), static_cast<double>(now - lastStepMs_),
                                    log_.EndTime(), running);
    lastStepMs_ = now;
    plot_->SetCursorTime(t);
    plot_->FollowCursor();
    if (!running)
        TogglePlay();
}

void CDataLogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        TogglePlay();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDataLogWindow::closeEvent(QCloseEvent* event) {
    replay_->stop();
    if (onClosed)
        onClosed();
    QWidget::closeEvent(event);
}

} // namespace vexa
