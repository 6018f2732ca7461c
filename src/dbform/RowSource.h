#pragma once

#include <functional>

#include <QString>
#include <QVariant>

class Recordset;

// The rows of a list read by position: what the list page's grid shows. A source may fetch rows
// as they are read, so reading is not free; values come back as Recordset gives them (NULL as a
// null QVariant, dates as QDate/QDateTime).
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int rowCount() const = 0;
    virtual int fieldCount() const = 0;
    virtual QString fieldName(int field) const = 0;
    // Without regard to case; -1 when absent.
    virtual int fieldIndex(const QString& name) const = 0;
    // A null QVariant for a row or field out of range, or a row that no longer exists.
    virtual QVariant value(int row, int field) const = 0;
    // The rows known so far: a source may come in parts (rowCount() is then the whole, read first).
    virtual int rowsAvailable() const { return rowCount(); }
    virtual bool canFetchMore() const { return false; }
    virtual void fetchMore() const {}
    // Told when the rest came in (reset: the rows known before moved).
    virtual void setGrowthListener(std::function<void(bool reset)>) const {}
};

// A whole Recordset snapshot seen as a row source.
class RecordsetRows : public RowSource {
public:
    explicit RecordsetRows(const Recordset& rs);
    ~RecordsetRows() override;
    RecordsetRows(const RecordsetRows&) = delete;
    RecordsetRows& operator=(const RecordsetRows&) = delete;
    const Recordset& recordset() const;

    int rowCount() const override;
    int fieldCount() const override;
    QString fieldName(int field) const override;
    int fieldIndex(const QString& name) const override;
    QVariant value(int row, int field) const override;

private:
    struct Impl;
    Impl* d;
};
