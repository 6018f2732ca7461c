#include "TextHelper.h"

QString TextHelper::Prefix() {
    return QString();
}

bool TextHelper::KeyValue(const QString& text, const QString& key, QString& out, const QString& separator) {
    const QString sep = separator.isEmpty() ? QStringLiteral("=") : separator;
    const qsizetype at = text.indexOf(sep);
    if (at < 0) return false;
    if (text.left(at).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) != 0) return false;
    out = text.mid(at + sep.size()).trimmed();
    return true;
}
