#include "settings_ui/helpdialog.h"

#include "core/cp1252.h"
#include "core/documenthost.h"
#include "settings_ui/modelcontrols.h"
#include "settings_ui/richtext.h"
#include "settings_ui/richtextqt.h"

#include <QDesktopServices>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace vexa {
namespace {

constexpr char kMessageCaption[] = "VEXA Transmission Control";
constexpr char kLinkErrorCaption[] = "Help Link Error:";
constexpr char kNotHelpFileError[] =
    "The link does not name a help file (.rtf) or a web address, so the help viewer cannot "
    "open it.";
constexpr char kBrowserError[] = "%1 could not be opened: no web browser was started for it.";

// Dialog units of 8-point "MS Shell Dlg" at 96 dpi: base units of 6 x 13 pixels.
int DluX(int units) {
    return (units * 6 + 2) / 4;
}
int DluY(int units) {
    return (units * 13 + 4) / 8;
}

QIcon ViewerIcon() {
    QIcon icon;
    for (const int side : {16, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1F, 0x5F, 0xA8));
        painter.drawEllipse(QRectF(0.5, 0.5, side - 1.0, side - 1.0));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(side * 3 / 4);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("?"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

std::string Replace(std::string_view format, const std::string& path) {
    std::string text(format);
    const auto at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, path);
    return text;
}

// Reads the whole file; on failure the message to show.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& message) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        message = Replace("%1 was not found.", path);
        return false;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        message = Replace("Access to %1 was denied.", path);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            message = Replace("%1 was not found.", path);
        else if (error == EACCES || error == EPERM)
            message = Replace("Access to %1 was denied.", path);
        else
            message = Replace("An unknown error occurred while accessing %1.", path);
        return false;
    }
    // Chunk by chunk, as the text control would ask for it.
    bytes.clear();
    char chunk[4096];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        message = Replace("An unknown error occurred while accessing %1.", path);
        return false;
    }
    return true;
}

} // namespace

CHelpTextView::CHelpTextView(QWidget* parent) : QTextBrowser(parent) {
    setReadOnly(true);
    setOpenLinks(false);
    // No caret and no selection; the scroll area still scrolls by keyboard and wheel, and
    // Tab moves from link to link.
    setTextInteractionFlags(Qt::LinksAccessibleByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    // Queued: the link may replace the text the browser is still working on.
    connect(
        this, &QTextBrowser::anchorClicked, this,
        [this](const QUrl& url) { emit linkActivated(url.toString()); }, Qt::QueuedConnection);
}

void CHelpTextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedLink_ = anchorAt(event->position().toPoint());
        event->accept();
        return;
    }
    QTextBrowser::mousePressEvent(event);
}

void CHelpTextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        const QString link = std::exchange(pressedLink_, QString());
        if (!link.isEmpty() && anchorAt(event->position().toPoint()) == link)
            emit linkActivated(link);
        return;
    }
    QTextBrowser::mouseReleaseEvent(event);
}

void CHelpTextView::mouseMoveEvent(QMouseEvent* event) {
    const bool overLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
    event->accept();
}

void CHelpTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QTextBrowser::mouseDoubleClickEvent(event);
}

CHelpDialog::CHelpDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tuning Help Viewer"));
    setWindowIcon(ViewerIcon());
    setModal(false);

    text_ = new CHelpTextView(this);
    text_->setObjectName(QStringLiteral("helpText"));
    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setObjectName(QStringLiteral("done"));
    done_->setDefault(true);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(text_, &CHelpTextView::linkActivated, this, &CHelpDialog::OpenLink);
    urlOpener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    const QSize client(DluX(536), DluY(374));
    const QRect textRect(DluX(7), DluY(7), DluX(522), DluY(344));
    const QRect buttonRect(DluX(479), DluY(353), DluX(50), DluY(14));
    resize(client);
    text_->setGeometry(textRect);
    done_->setGeometry(buttonRect);

    marginLeft_ = textRect.left();
    marginTop_ = textRect.top();
    marginRight_ = client.width() - (textRect.x() + textRect.width());
    marginBottom_ = client.height() - (textRect.y() + textRect.height());
    buttonOffset_ = client.height() - buttonRect.top();
    LayOut(client.width(), client.height());
}

int CHelpDialog::ShowHelpFile(const std::string& path) {
    showNormal();
    raise();
    activateWindow();
    return LoadHelpFile(path);
}

int CHelpDialog::LoadHelpFile(const std::string& path) {
    std::string bytes;
    std::string message;
    if (!ReadWholeFile(path, bytes, message)) {
        ShowFileError(message);
        return 0;
    }
    RichTextDocument model;
    std::string errorText;
    ReadRichText(bytes, model, errorText); // a partial read shows what it accepted
    FillTextDocument(model, *text_->document());
    text_->verticalScrollBar()->setValue(0);
    currentFile_ = path;
    return 1;
}

void CHelpDialog::OpenLink(const QString& href) {
    const QUrl url(href);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto") || scheme == QLatin1String("ftp")) {
        if (!urlOpener_ || !urlOpener_(url))
            ShowMessage(Replace(kBrowserError, href.toStdString()), kLinkErrorCaption,
                        kMbIconExclamation);
        return;
    }
    // A bookmark in the text shown (a link "#name"): the text is already there.
    if (href.startsWith(QChar('#')))
        return;
    const QString name = href.section(QChar('#'), 0, 0);
    const std::string stored = QFile::encodeName(name).toStdString();
    std::string caption; // 8-bit, as message texts are
    for (const QChar c : name)
        caption.push_back(UnicodeToCp1252(c.unicode()));
    if (!url.isRelative() || name.startsWith(QChar('/'))) {
        ShowMessage(kOutsideProgramDirError, caption, kMbIconExclamation);
        return;
    }
    if (!name.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive)) {
        ShowMessage(kNotHelpFileError, kLinkErrorCaption, kMbIconExclamation);
        return;
    }
    const std::string directory = std::filesystem::path(currentFile_).parent_path().string();
    std::string path;
    if (!ResolveProgramFile(directory.empty() ? "." : directory, stored, path)) {
        ShowMessage(kOutsideProgramDirError, caption, kMbIconExclamation);
        return;
    }
    LoadHelpFile(path);
}

void CHelpDialog::ShowFileError(const std::string& text) {
    ShowMessage(text, kMessageCaption, kMbIconStop);
}

void CHelpDialog::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    if (host_) {
        host_->MessageBox(text, caption, flags);
        return;
    }
    const bool stop = (flags & 0xF0u) == kMbIconStop;
    QMessageBox box(stop ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromUtf8(Windows1252ToUtf8(caption).c_str()),
                    QString::fromUtf8(Windows1252ToUtf8(text).c_str()), QMessageBox::Ok, this);
    box.exec();
}

void CHelpDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOut(event->size().width(), event->size().height());
}

void CHelpDialog::LayOut(int clientWidth, int clientHeight) {
    if (!text_ || !done_)
        return;
    text_->setGeometry(marginLeft_, marginTop_,
                       std::max(clientWidth - marginLeft_ - marginRight_, 0),
                       std::max(clientHeight - marginTop_ - marginBottom_, 0));
    const QSize button = done_->size();
    done_->move((clientWidth - button.width()) / 2, clientHeight - buttonOffset_);
}

} // namespace vexa
