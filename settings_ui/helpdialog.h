#pragma once
// The "Tuning Help Viewer": one resizable window for the whole application that shows
// Rich Text help files read-only. The application creates it hidden at start-up and every
// help request reuses it, replacing its text; Done and the close box hide it again.
#include <QDialog>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <string>

class QMouseEvent;
class QPushButton;
class QResizeEvent;

namespace vexa {

class DocumentHost;

// The viewer's text: read-only, scrolled by scroll bar, wheel and keyboard. Left-button
// presses, releases and double-clicks are swallowed, so a click neither places a caret nor
// selects; a click on a link (pressed and released on it) activates it, and so do Tab to
// the link and Enter.
class CHelpTextView : public QTextBrowser {
    Q_OBJECT
public:
    explicit CHelpTextView(QWidget* parent = nullptr);

signals:
    // A link was clicked or chosen with the keyboard; href as the text names it.
    void linkActivated(const QString& href);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString pressedLink_;
};

class CHelpDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the window hidden, laid out as its template says (536 x 374 dialog units of
    // 8-point "MS Shell Dlg": text at (7, 7) sized 522 x 344, Done at (479, 353) sized
    // 50 x 14), and measures the margins and Done's distance from the bottom.
    explicit CHelpDialog(QWidget* parent = nullptr);

    // Shows the viewer (restored when minimised, where the user left it), then
    // LoadHelpFile(path). path is 8-bit, as the definition files name it.
    int ShowHelpFile(const std::string& path);

    // Replaces the whole text by the Rich Text file path and returns 1. A file that
    // cannot be opened is reported in a message box with the stop icon ("%1 was not
    // found." for a missing one), the text stays as it was, and 0 is returned. Rich Text
    // the reader cannot finish leaves what it accepted.
    int LoadHelpFile(const std::string& path);

    // What a link in the text does: a web address (http, https, mailto, ftp) goes to
    // the URL opener, which is the desktop's (QDesktopServices) unless replaced; a help
    // file (".rtf") named relative to the file shown is loaded in its place, where help
    // files are allowed to be: never an absolute name or one with a ".." part, so the
    // links of files inside the program directory stay inside it. Anything else is
    // refused in a message box with the exclamation icon.
    void OpenLink(const QString& href);
    using UrlOpener = std::function<bool(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

    // Where messages go: host's MessageBox when set (not owned), else a QMessageBox.
    void SetMessageHost(DocumentHost* host) { host_ = host; }

    CHelpTextView* TextControl() const { return text_; }
    QPushButton* DoneButton() const { return done_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOut(int clientWidth, int clientHeight);
    void ShowFileError(const std::string& text);
    void ShowMessage(const std::string& text, const std::string& caption, unsigned flags);

    CHelpTextView* text_ = nullptr;
    QPushButton* done_ = nullptr;
    DocumentHost* host_ = nullptr;
    UrlOpener urlOpener_;
    std::string currentFile_; // the file shown, for links named relative to it
    // Distances from the client edges to the text, and from the client bottom to Done's top.
    int marginLeft_ = 0;
    int marginTop_ = 0;
    int marginRight_ = 0;
    int marginBottom_ = 0;
    int buttonOffset_ = 0;
};

} // namespace vexa
