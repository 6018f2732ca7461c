#pragma once

#include <QHash>

#include "RptKeysetReport.h"
#include "RptProtShared.h"

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
    void AfterRestart() override;
    bool CacheRecord() override;
    const char* ClassName() const override { return "clsRptProtDet"; }

    bool OpenRecordset();
    void LoadCodeTables();
    QString typeDescr(const char* column) const;

    QString m_whereCond, m_extraCond;
    QHash<QString, QString> m_departments, m_types;
    // Each block's departments, read in one statement per link table.
    RptProtShared::BlockLinks m_responsible{QStringLiteral("R_YPEYTH"), QStringLiteral("TM_ID"), QString(),
                                            QStringLiteral("TM_ID")};
    RptProtShared::BlockLinks m_copies{QStringLiteral("R_ANTIGRAFA"), QStringLiteral("TM_ID"), QString(),
                                       QStringLiteral("TM_ID")};
};
