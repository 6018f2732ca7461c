// Writes the programs' icons for the icon theme: <folder>/<size>x<size>/apps/<id>.png for each
// program, from the same drawings the windows use.
#include <QDir>
#include <QImage>
#include <cstdio>

#include "AppIcons.h"

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_icons <folder> <Protocol's id> <Kessbo's id>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QList<std::pair<AppIcons::Program, QString>> programs{
        {AppIcons::Program::Protocol, QString::fromLocal8Bit(argv[2])},
        {AppIcons::Program::Kessbo, QString::fromLocal8Bit(argv[3])}};
    for (int size : AppIcons::InstalledSizes()) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps)) {
            std::fprintf(stderr, "make_icons: cannot make %s\n", qPrintable(apps));
            return 1;
        }
        for (const auto& [program, id] : programs) {
            const QString file = apps + QLatin1Char('/') + id + QStringLiteral(".png");
            if (!AppIcons::Draw(program, size).save(file, "PNG")) {
                std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
