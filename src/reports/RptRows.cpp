#include "RptRows.h"

#include "Err.h"
#include "ListRecordset.h"
#include "modDeclare.h"

using namespace modDeclare;

RptRows::RptRows() = default;
RptRows::~RptRows() = default;

bool RptRows::Open(const QString& statement, const QString& keyField, const QString& order,
                   const QString& source, const char* callerClass) {
    Close();
    m_source = source;
    m_caller = callerClass;
    auto list = std::make_unique<ListRecordset>();
    Err().Clear();
    // Without an order of its own a list is read whole before its first row; the table's own
    // order is that of its keys, so they order it and the first page needs only the first keys.
    list->Open(gConn, statement, keyField, order.isEmpty() ? keyField : order, 0);
    const bool failed =
        gErr ? gErr->ErrorMsg(QStringLiteral("Open : ") + source, true, callerClass) : Err().Pending();
    Err().Clear();
    if (!failed && list->IsOpen()) {
        m_list = std::move(list);
        MoveFirst();
        m_first = m_row;
        if (!Eof()) return true;
        Close();
    }
    NoDataMsg();
    return false;
}

void RptRows::Close() {
    m_list.reset();
    m_row = m_first = 0;
}

bool RptRows::Eof() const {
    // The moves read the rest of the keys before they pass the first ones, so this never waits.
    return !m_list || (m_row >= m_list->rowsAvailable() && m_list->IsComplete());
}

void RptRows::MoveNext() {
    if (Eof()) return;
    ++m_row;
    skipUnreadable();
}

void RptRows::MoveFirst() {
    m_row = 0;
    skipUnreadable();
}

void RptRows::skipUnreadable() {
    while (m_list) {
        if (m_row >= m_list->rowsAvailable() && !m_list->IsComplete()) {
            completeKeys();
            continue;
        }
        if (Eof() || m_list->fetchRow(m_row)) return;
        reportPending();
        ++m_row;
    }
}

void RptRows::completeKeys() {
    // The first page is made from the first keys alone; the rest come when the run reaches them.
    const QVariant last = m_row > 0 ? m_list->key(m_row - 1) : QVariant();
    bool replaced = false;
    m_list->setGrowthHook([&replaced](bool reset) { replaced = reset; });
    if (!m_list->CompleteKeys()) reportPending();  // the keys read so far stay the list
    m_list->setGrowthHook({});
    // The list changed between the two reads: go on after the last row printed, so that no row is
    // printed twice.
    if (replaced && last.isValid()) {
        const int at = m_list->rowOfKey(last);
        if (at >= 0) m_row = at + 1;
    }
}

void RptRows::reportPending() {
    if (!Err().Pending()) return;
    if (gErr) gErr->ErrorMsg(QStringLiteral("Open : ") + m_source, true, m_caller);
    Err().Clear();
}

QVariant RptRows::Value(const QString& field) const {
    if (Eof()) return {};
    const int index = m_list->fieldIndex(field);
    return index < 0 ? QVariant() : m_list->value(m_row, index);
}

QList<QVariant> RptRows::KeysAhead(int count) const {
    QList<QVariant> keys;
    if (Eof()) return keys;
    const int end = std::min(m_list->rowsAvailable(), m_row + count);
    for (int row = m_row; row < end; ++row) keys << m_list->key(row);
    return keys;
}
