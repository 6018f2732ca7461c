#pragma once

#include <QImage>
#include <QString>

namespace mod_Rtns {
// The picture in the file, or a null image when it cannot be loaded for any reason; never leaves
// an error pending.
QImage LoadPictureSafe(const QString& path);
}  // namespace mod_Rtns
