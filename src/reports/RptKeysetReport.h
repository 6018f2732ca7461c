#pragma once

#include "RptRows.h"
#include "clsRptBase.h"

// A report class that reads its rows by key (RptRows) instead of a whole record set.
template <typename T>
class RptKeysetReport : public ReportClass<T> {
protected:
    // Opens the statement as the report writes it, its ORDER BY (when there is one) at the end;
    // its rows are read by the key column.
    bool OpenRows(const QString& sql, const QString& keyField = QStringLiteral("ID")) {
        const QString order = this->m_order;
        return m_rows.Open(sql.chopped(this->OrderClause(order).size()), keyField, order, sql, this->ClassName());
    }
    bool RowsAtEnd() const override { return m_rows.Eof(); }
    void NextRow() override { m_rows.MoveNext(); }
    void FirstRow() override {
        if (!m_rows.Bof()) m_rows.MoveFirst();
    }
    void CloseRows() override { m_rows.Close(); }

    RptRows m_rows;
};
