// Writes the program's icon as PNG files for the desktop's icon theme, at build time:
//   vexa_icon_export DIR NAME SIZE...   ->   DIR/<SIZE>x<SIZE>/apps/NAME.png
#include "settings_ui/shellutils.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: vexa_icon_export DIR NAME SIZE...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "vexa_icon_export: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir) || !vexa::ProgramIconImage(size).save(
                                       dir + QLatin1Char('/') + name + QStringLiteral(".png"))) {
            std::fprintf(stderr, "vexa_icon_export: could not write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
