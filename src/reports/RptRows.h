#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class ListRecordset;

// The rows of a report, read by key in the order of the run a block at a time: printing starts once
// the keys are read, and only a few hundred rows are held at once, however long the list.
class RptRows {
public:
    RptRows();
    ~RptRows();

    // Opens the statement (without ORDER BY) in the order ("" for none), its rows read by the key
    // column. A failure is reported under "Open : " and source, the statement as the report names
    // it; a failure or no rows shows the no-data message. False then, and the rows stay closed.
    bool Open(const QString& statement, const QString& keyField, const QString& order, const QString& source,
              const char* callerClass);
    void Close();
    bool IsOpen() const { return m_list != nullptr; }

    bool Eof() const;
    bool Bof() const { return m_row <= m_first; }
    void MoveNext();
    void MoveFirst();
    // The current row's value of the field; null when absent.
    QVariant Value(const QString& field) const;
    // The keys of the current row and of the rows after it whose keys are read, at most `count`.
    QList<QVariant> KeysAhead(int count) const;

private:
    // Moves past rows removed since the keys were read, or that cannot be read (reported).
    void skipUnreadable();
    // Reads the rest of the list's keys; reports a failure.
    void completeKeys();
    void reportPending();

    std::unique_ptr<ListRecordset> m_list;
    QString m_source;
    const char* m_caller = "";
    int m_row = 0, m_first = 0;
};
