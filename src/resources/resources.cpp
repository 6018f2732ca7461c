#include "resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QTranslator>

namespace Resources {
QString definitionTextPath(long id) {
    // The files are named "<id>-<name>.txt"; the id alone finds them.
    static const QMap<long, QString> paths = [] {
        QMap<long, QString> m;
        const QDir dir(QStringLiteral(":/texts"));
        for (const QString& file : dir.entryList(QDir::Files)) {
            bool ok = false;
            const long fileId = file.section(QLatin1Char('-'), 0, 0).toLong(&ok);
            if (ok) m.insert(fileId, dir.filePath(file));
        }
        return m;
    }();
    return paths.value(id);
}

bool InstallQtTranslation() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/translations/qt_el.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
}  // namespace Resources
