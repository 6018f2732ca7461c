#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "Err.h"
#include "ListRecordset.h"

// The data control of a record form: the list and its current row. Every move calls MoveComplete,
// which the form forwards to the framework's DataMoveComplete.
class Adodc : public QObject {
    Q_OBJECT
public:
    // The reasons a move reports (as the data control numbers them).
    enum Reason : long {
        adRsnRequery = 7,
        adRsnMove = 10,
        adRsnMoveFirst = 12,
        adRsnMoveNext = 13,
        adRsnMovePrevious = 14,
        adRsnMoveLast = 15
    };
    enum Status : long { adStatusOK = 1 };

    using MoveHandler =
        std::function<void(long adReason, ErrObject* pError, long& adStatus, ListRecordset* pRecordset)>;

    explicit Adodc(QObject* parent = nullptr);

    // A new list; the current row becomes the given one (1-based, clamped; none when the list is
    // empty).
    void setRecordset(std::shared_ptr<ListRecordset> rs, int position = 1, long reason = adRsnRequery);
    std::shared_ptr<ListRecordset> Recordset() const { return m_rs; }

    // The whole list's count: the rest of a list still coming in is read first.
    int RecordCount() const { return m_rs && m_rs->IsOpen() ? m_rs->rowCount() : 0; }
    // Whether the list has any row, and a row after the current one, without reading the rest.
    bool HasRecords() const { return m_rs && m_rs->rowsAvailable() > 0; }
    bool HasNext() const;
    // 1-based; 0 when there is no current row.
    int AbsolutePosition() const { return m_pos; }
    void SetAbsolutePosition(int position, long reason = adRsnMove);
    void MoveFirst() { SetAbsolutePosition(1, adRsnMoveFirst); }
    void MoveLast() { SetAbsolutePosition(RecordCount(), adRsnMoveLast); }
    void MoveNext() { SetAbsolutePosition(m_pos + 1, adRsnMoveNext); }
    void MovePrevious() { SetAbsolutePosition(m_pos - 1, adRsnMovePrevious); }
    bool Bof() const { return m_pos <= 1; }
    bool Eof() const { return !HasNext(); }
    // The current row's key; null when none.
    QVariant CurrentKey() const;

    MoveHandler MoveComplete;

private:
    void moved(long reason);

    std::shared_ptr<ListRecordset> m_rs;
    int m_pos = 0;
};
