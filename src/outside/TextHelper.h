#pragma once

#include <QString>

class TextHelper {
public:
    // The text put in front of every definition text (empty here).
    static QString Prefix();
    // When `text` is "key=value" for this key (case and blanks aside), sets out to the value.
    static bool KeyValue(const QString& text, const QString& key, QString& out,
                         const QString& separator = QStringLiteral("="));
};
