#pragma once

#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

#include "Connection.h"

class QSqlQuery;

// One statement read forward a row at a time, the values as Recordset gives them; nothing is
// kept. On PostgreSQL inside a transaction the driver buffers the result (the savepoint
// statements around it would drop a streamed one).
class RowStream {
public:
    RowStream();
    ~RowStream();
    // Runs the statement. On failure the error is pending and false is returned.
    bool Open(const QString& sql, const ConnectionPtr& conn);
    const QSqlRecord& Fields() const { return m_fields; }
    // The next row's values; false at the end, or when the read failed (the error is then pending).
    bool Next(QVector<QVariant>& row);
    bool Failed() const { return m_failed; }
    void Close();

private:
    ConnectionPtr m_conn;
    std::unique_ptr<QSqlQuery> m_query;
    QSqlRecord m_fields;
    QVector<int> m_dateKinds;
    bool m_failed = false;
};

// A static, read-only record set: the rows of one statement, walked with a current row.
// NULL values come back as a null QVariant; date columns as QDate/QDateTime on every backend.
class Recordset {
public:
    // Runs the statement on the connection. On failure the set stays closed and the error is pending.
    bool Open(const QString& sql, const ConnectionPtr& conn);
    // Runs the same statement again; the current row moves to the first.
    bool Requery();
    void Close();
    bool IsOpen() const { return m_open; }
    QString Source() const { return m_sql; }
    ConnectionPtr ActiveConnection() const { return m_conn; }

    int RecordCount() const { return m_open ? int(m_rows.size()) : -1; }
    bool Eof() const { return !m_open || m_pos >= m_rows.size(); }
    bool Bof() const { return !m_open || m_pos < 0 || m_rows.isEmpty(); }
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(int rows);
    // 1-based position of the current row; 0 when there is none.
    int AbsolutePosition() const;
    void SetAbsolutePosition(int position);

    int FieldCount() const { return m_fields.count(); }
    QString FieldName(int index) const;
    int FieldIndex(const QString& name) const;  // case-insensitive; -1 when absent
    QVariant Value(int index) const;
    QVariant Value(const QString& name) const;
    QVariant ValueAt(int row, int column) const;  // 0-based, for grid models
    const QSqlRecord& Fields() const { return m_fields; }

    // Moves to the next row (from the current one, after skipping `skip` rows) meeting a criterion
    // "FIELD = value", "FIELD > value" ... (value a number or a quoted text); Eof/Bof when none.
    bool Find(const QString& criteria, int skip = 0, bool forward = true);

private:
    bool load();

    ConnectionPtr m_conn;
    QString m_sql;
    QSqlRecord m_fields;
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_pos = 0;
    bool m_open = false;
};
