#include "Err.h"

void ErrObject::Raise(long number, const QString& source, const QString& description) {
    Number = number;
    Source = source;
    Description = description;
}

void ErrObject::Clear() {
    Number = 0;
    Source.clear();
    Description.clear();
}

ErrObject& Err() {
    static ErrObject err;
    return err;
}
