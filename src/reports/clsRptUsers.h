#pragma once

#include "RptKeysetReport.h"

// The list of the program's users (layout 101).
class clsRptUsers : public RptKeysetReport<clsRptUsers> {
public:
    // The conditions and order choices of the users window's print event.
    void Main(QString& sWhereCond, QString& sExtraCond, QStringList& arFields);

private:
    friend class ReportClass<clsRptUsers>;
    clsRptUsers() = default;
    bool OpenData() override { return OpenRecordset(); }
    bool OpenRecordset();
    bool CacheRecord() override;
    void AfterLastRecord() override;
    const char* ClassName() const override { return "clsRptUsers"; }

    QString m_whereCond, m_extraCond;
};
