#include "mod_Rtns.h"

#include <QFileInfo>
#include <QImageReader>

namespace mod_Rtns {
QImage LoadPictureSafe(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image)) return {};
    return image;
}
}  // namespace mod_Rtns
