#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class ArrayHelper {
public:
    // Index of the value in the array; -1 when absent. Values compare as texts.
    int IndexOf(const QVariant& value, const QStringList& array, int reserved = 0, int reserved2 = 1) const;
};
