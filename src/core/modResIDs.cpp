#include "modResIDs.h"

#include <QFile>

#include "TextHelper.h"
#include "resources.h"

namespace modResIDs {
QString GetResString(long id, const QString& name) {
    Q_UNUSED(name);
    QFile file(Resources::definitionTextPath(id));
    QString text;
    if (!file.fileName().isEmpty() && file.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(file.readAll());
    return TextHelper::Prefix() + text;
}
}  // namespace modResIDs
