#pragma once

#include <QHash>

#include "RptKeysetReport.h"
#include "RptProtShared.h"

// Filing receipts (layout 146): one page per register entry, for the current entry (choice 3) or
// for every entry of the register list (choice 4).
class clsRptProtReceipt : public RptKeysetReport<clsRptProtReceipt> {
public:
    enum Choice : long { rptCurrent = 3, rptList = 4 };
    // eRpt_Selection 3 with "ID=" and the entry's id, or 4 with the list's condition (or "%%"
    // statement); the base condition and the order choices of the register window.
    void Main(long eRpt_Selection, QString& sWhereCond, QString& sExtraCond, QStringList& arFields);

private:
    friend class ReportClass<clsRptProtReceipt>;
    clsRptProtReceipt() = default;
    bool OpenData() override;
    void AfterPrepareCache() override { LoadLookups(); }
    void AfterRestart() override;
    // One receipt and its page end; a receipt is a page of its own, so the page is always full.
    bool CacheRecord() override;
    const char* ClassName() const override { return "clsRptProtReceipt"; }

    void PrintReceipt();
    void LoadLookups();
    void attachments(qlonglong id);

    long m_choice = rptCurrent;
    QString m_whereCond, m_extraCond;
    QHash<QString, QString> m_departments;
    // Each block's departments and accompanying files, one statement each.
    RptProtShared::BlockLinks m_responsible{QStringLiteral("R_YPEYTH"), QStringLiteral("TM_ID"), QString(),
                                            QStringLiteral("TM_ID")};
    RptProtShared::BlockLinks m_files{QStringLiteral("PROT_FILES"), QStringLiteral("FILENAME"),
                                      QStringLiteral(" AND FILETYPE='SYN'"), QStringLiteral("FILENAME")};
};
