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
    list->Open(gConn, statement, keyField, order, 0);
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
    return !m_list || m_row >= m_list->rowCount();
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
    while (!Eof() && !m_list->fetchRow(m_row)) {
        if (Err().Pending()) {
            if (gErr) gErr->ErrorMsg(QStringLiteral("Open : ") + m_source, true, m_caller);
            Err().Clear();
        }
        ++m_row;
    }
}

QVariant RptRows::Value(const QString& field) const {
    if (Eof()) return {};
    const int index = m_list->fieldIndex(field);
    return index < 0 ? QVariant() : m_list->value(m_row, index);
}
