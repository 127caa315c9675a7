// Writes the program icon into an icon theme folder, at each size asked for, from the drawing that
// the program's windows use: <folder>/<size>x<size>/apps/<name>.png. Needs no display.
#include "app/Images.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: render_icon <theme folder> <icon name> <size>...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QFile::decodeName(argv[1]);
    const QString name = QFile::decodeName(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool number = false;
        const int size = QByteArray(argv[i]).toInt(&number);
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(apps, name);
        if (!number || size <= 0 || !QDir().mkpath(apps) || !pindle::ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
