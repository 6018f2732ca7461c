#pragma once

#include <QHash>

#include "RptKeysetReport.h"

// The detailed register list (layout 144): every entry of the selection as a block of labelled
// lines, its incoming side on the left and its outgoing side on the right.
class clsRptProtDet : public RptKeysetReport<clsRptProtDet> {
public:
    // The register window's print arguments: its list condition (or "%%" statement), the base
    // condition and the order choices.
    void Main(QString& sWhereCond, QString& sExtraCond, QStringList& arFields);

private:
    friend class ReportClass<clsRptProtDet>;
    clsRptProtDet() = default;
    bool OpenData() override { return OpenRecordset(); }
    void AfterPrepareCache() override { LoadCodeTables(); }
    bool CacheRecord() override;
    const char* ClassName() const override { return "clsRptProtDet"; }

    bool OpenRecordset();
    void LoadCodeTables();
    QString typeDescr(const char* column) const;

    QString m_whereCond, m_extraCond;
    QHash<QString, QString> m_departments, m_types;
};
