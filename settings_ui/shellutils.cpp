#include "settings_ui/shellutils.h"

#include "core/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

namespace vexa {
namespace {

// A string value: backslash, line breaks and tabs as escape sequences.
std::string EscapeValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One quoted argument of Exec: inside the quotes ", `, $ and \ take a backslash, '%' is
// doubled; the result is then escaped once more as a string value.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return EscapeValue(quoted);
}

} // namespace

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 60, 140));
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), size / 5.0, size / 5.0);
    // A stylised V over a shift gate.
    QPen pen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const double s = size;
    painter.drawPolyline(QPolygonF(
        {QPointF(s * 0.22, s * 0.25), QPointF(s * 0.5, s * 0.75), QPointF(s * 0.78, s * 0.25)}));
    painter.setPen(QPen(QColor(255, 200, 0), size / 14.0));
    painter.drawLine(QPointF(s * 0.2, s * 0.86), QPointF(s * 0.8, s * 0.86));
    painter.end();
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

std::string GetSpecialFolderPath(SpecialFolder folder) {
    switch (folder) {
    case SpecialFolder::kDesktop: {
        const QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        // Without a desktop of its own, Qt answers with the home directory; that is no
        // desktop to put an entry on.
        if (path.isEmpty() || !QFileInfo(path).isDir() || QDir(path) == QDir(QDir::homePath()))
            return {};
        return QFile::encodeName(path).toStdString();
    }
    }
    return {};
}

std::string DesktopEntryText(const std::string& target, const std::string& name,
                             const std::string& workingDirectory, const std::string& description) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Version=1.0\n";
    text += "Name=" + EscapeValue(name) + "\n";
    text += "Comment=" + EscapeValue(description) + "\n";
    text += "Exec=" + QuoteExecArgument(target) + " %f\n";
    text += "Path=" + EscapeValue(workingDirectory) + "\n";
    text += "Terminal=false\n";
    text += "Categories=Utility;\n";
    return text;
}

std::string CreateDesktopShortcutIn(const std::string& folder, const std::string& target,
                                    const std::string& name, const std::string& workingDirectory,
                                    const std::string& description) {
    if (folder.empty())
        return {};
    const std::string path = folder + "/" + name + ".desktop";
    std::string error;
    if (!WriteFileAtomically(path, DesktopEntryText(target, name, workingDirectory, description),
                             error))
        return {};
    QFile::setPermissions(QFile::decodeName(path.c_str()), QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ExeOwner | QFile::ReadGroup |
                                                               QFile::ExeGroup | QFile::ReadOther |
                                                               QFile::ExeOther);
    return path;
}

std::string CreateDesktopShortcut(const std::string& target, const std::string& name,
                                  const std::string& workingDirectory,
                                  const std::string& description, SpecialFolder folder) {
    return CreateDesktopShortcutIn(GetSpecialFolderPath(folder), target, name, workingDirectory,
                                   description);
}

std::string FindProgram(const std::string& name) {
    return QFile::encodeName(QStandardPaths::findExecutable(QString::fromStdString(name)))
        .toStdString();
}

} // namespace vexa
