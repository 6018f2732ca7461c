#include "ArrayHelper.h"

int ArrayHelper::IndexOf(const QVariant& value, const QStringList& array, int reserved, int reserved2) const {
    return int(array.indexOf(value.toString()));
}
