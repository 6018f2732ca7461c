#pragma once

#include "RptKeysetReport.h"

// The list of one lookup table (layout 123), with or without its code column.
class clsRptLookup : public RptKeysetReport<clsRptLookup> {
public:
    // The table, the editor's caption, the code column ("" when the table has none), the
    // description column and the list's report number (its options section).
    void Main(const QString& sTable, const QString& sCaption, const QString& sFieldCode,
              const QString& sFieldDescr, long eResID);

private:
    friend class ReportClass<clsRptLookup>;
    clsRptLookup() = default;
    bool OpenData() override;
    bool OpenRecordset();
    bool SetHeaderLines();
    bool CacheRecord() override;
    void AfterLastRecord() override;
    void AfterRestart() override { SetHeaderLines(); }
    const char* ClassName() const override { return "clsRptLookup"; }

    QString m_table, m_header, m_fieldCode, m_fieldDescr;
};
