#include "Utility.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "SettingsStore.h"

namespace Utility {
bool CreateUserKey(const QString& KeyPath) {
    // A section of the store exists once the user's file can take values: it is written with
    // its first value.
    Q_UNUSED(KeyPath);
    const QFileInfo file(SettingsStore::UserFile());
    if (!QDir().mkpath(file.absolutePath())) return false;
    QFile f(file.absoluteFilePath());
    return f.open(QIODevice::ReadWrite | QIODevice::Append);
}

void SelectAllText(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setSelection(0, int(edit->text().size()));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->selectAll();
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->selectAll();
    }
}

QString FileExt(const QString& Path) {
    const qsizetype dot = Path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return QString();
    // Stored paths may carry either separator.
    const qsizetype sep = qMax(Path.lastIndexOf(QLatin1Char('\\')), Path.lastIndexOf(QLatin1Char('/')));
    if (sep > dot) return QString();
    return Path.mid(dot + 1);
}

QString OneLine(QString& Text) {
    Text.remove(QLatin1Char('\r'));
    Text.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    return Text;
}
}  // namespace Utility
