#include "clsRptLookup.h"

#include "StrHelper.h"
#include "modResIDs.h"

void clsRptLookup::Main(const QString& sTable, const QString& sCaption, const QString& sFieldCode,
                        const QString& sFieldDescr, long eResID) {
    m_table = sTable;
    m_fieldCode = sFieldCode;
    m_fieldDescr = sFieldDescr;
    m_header = StrHelper::NormPath(sCaption);
    QStringList options;
    if (!sFieldCode.isEmpty()) options << sFieldCode + QStringLiteral("~Κωδικός");
    options << sFieldDescr + QStringLiteral("~Περιγραφή");
    RunSpec spec;
    spec.title = sCaption;
    spec.layoutId = modResIDs::resLookupRpt;
    spec.layoutName = QStringLiteral("Lookup.rpt");
    spec.section = eResID;
    spec.hasSelection = false;
    spec.options = &options;
    StartRun(spec);
}

bool clsRptLookup::OpenData() {
    SetHeaderLines();
    return OpenRecordset();
}

bool clsRptLookup::OpenRecordset() {
    return OpenRows(QStringLiteral("SELECT * From ") + m_table + QStringLiteral(" WHERE MODFLAG <> 'D'") +
                    OrderClause(m_order));
}

bool clsRptLookup::SetHeaderLines() {
    auto& lines = m_engine->Lines();
    if (ReportLine* ph1 = lines.Item(QStringLiteral("PH1"))) ph1->SetCellText(2, m_header);
    if (m_fieldCode.isEmpty()) {
        // Cells keep their layout numbers: removing the code cell again changes nothing.
        ReportLine* ph3 = lines.Item(QStringLiteral("PH3"));
        ReportLine* d1 = lines.Item(QStringLiteral("D1"));
        if (ph3) ph3->RemoveCell(1);
        if (d1) d1->RemoveCell(1);
        if (ph3) ph3->Relayout();
        if (d1) d1->Relayout();
    }
    return true;
}

bool clsRptLookup::CacheRecord() {
    const QString code = m_fieldCode.isEmpty() ? QString() : StrHelper::SqlValue(m_rows.Value(m_fieldCode));
    return m_engine->AddLine(QStringLiteral("D1"), QString(), QString(),
                             {QStringLiteral("FIELD1=") + code,
                              QStringLiteral("FIELD2=") + StrHelper::SqlValue(m_rows.Value(m_fieldDescr))});
}

void clsRptLookup::AfterLastRecord() {
    m_engine->AddLine(QStringLiteral("LT"), QString(), QString(), {});
}
