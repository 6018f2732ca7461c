#include "RowSource.h"

#include "Recordset.h"

struct RecordsetRows::Impl {
    Recordset rs;
};

RecordsetRows::RecordsetRows(const Recordset& rs) : d(new Impl{rs}) {}

RecordsetRows::~RecordsetRows() {
    delete d;
}

const Recordset& RecordsetRows::recordset() const {
    return d->rs;
}

int RecordsetRows::rowCount() const {
    return qMax(0, d->rs.RecordCount());
}

int RecordsetRows::fieldCount() const {
    return d->rs.FieldCount();
}

QString RecordsetRows::fieldName(int field) const {
    return d->rs.FieldName(field);
}

int RecordsetRows::fieldIndex(const QString& name) const {
    return d->rs.FieldIndex(name);
}

QVariant RecordsetRows::value(int row, int field) const {
    return d->rs.ValueAt(row, field);
}
