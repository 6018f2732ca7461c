#include "clsRptProtDet.h"

#include "StrHelper.h"
#include "modResIDs.h"

void clsRptProtDet::Main(QString& sWhereCond, QString& sExtraCond, QStringList& arFields) {
    m_whereCond = sWhereCond;
    m_extraCond = sExtraCond;
    RunSpec spec;
    spec.title = QStringLiteral("Πρωτόκολλο");
    spec.layoutId = modResIDs::resProtDetRpt;
    spec.layoutName = QStringLiteral("ProtDet.rpt");
    spec.section = modResIDs::resProtDetRpt;
    spec.hasSelection = !sWhereCond.isEmpty();
    spec.options = &arFields;
    StartRun(spec);
}

bool clsRptProtDet::OpenRecordset() {
    const QString sql =
        Statement(QStringLiteral("SELECT * FROM ") + QStringLiteral("PROTOCOL "), m_whereCond, m_extraCond);
    return OpenRows(sql);
}

void clsRptProtDet::LoadCodeTables() {
    m_departments = RptProtShared::LoadCodeTable(QStringLiteral("L_TMHMATA"), ClassName());
    m_types = RptProtShared::LoadCodeTable(QStringLiteral("L_TYPOI"), ClassName());
}

void clsRptProtDet::AfterRestart() {
    m_responsible.Clear();
    m_copies.Clear();
}

QString clsRptProtDet::typeDescr(const char* column) const {
    const QVariant id = m_rows.Value(QLatin1String(column));
    if (id.isNull() || id.toLongLong() <= 0) return QString();
    return m_types.value(QString::number(id.toLongLong()));
}

bool clsRptProtDet::CacheRecord() {
    const RptRows& rs = m_rows;
    ReportEngine& e = *m_engine;
    const auto v = [&rs](const char* column) { return StrHelper::SqlValue(rs.Value(QLatin1String(column))); };
    const auto d3 = [&e](const char* key, const char* left, const QString& l, const char* right,
                         const QString& r) {
        const QString fields = QLatin1String(key) == QLatin1String("D3a") ? QStringLiteral("t1,m1,t3,m2")
                                                                          : QStringLiteral("t1,t2,t3,t4");
        e.AddLine(QLatin1String(key), fields,
                  u'\'' + QString::fromUtf8(left) + QStringLiteral("',") + l + QStringLiteral(",'") +
                      QString::fromUtf8(right) + QStringLiteral("',") + r,
                  {});
    };
    const auto d4 = [&e](const char* label, const QString& value) {
        e.AddLine(QStringLiteral("D4"), QStringLiteral("t1,m1"),
                  u'\'' + QString::fromUtf8(label) + QStringLiteral("',") + value, {});
    };
    const qlonglong id = rs.Value(QStringLiteral("ID")).toLongLong();

    e.Cmd(QString());
    e.AddLine(QStringLiteral("h1"), QStringLiteral("t2"),
              StrHelper::SqlValue(
                  QString(QStringLiteral("Αρ.Πρωτοκ. ") + rs.Value(QStringLiteral("PROT_AA")).toString() +
                          QStringLiteral(" / ") + rs.Value(QStringLiteral("ETOS")).toString())),
              {});
    // The right half's labels begin with a blank.
    d3("D3a", "Αρμόδιος", v("ARMODIOS_A"), " Αρμόδιος", v("ARMODIOS"));
    d3("D3", "Ημερομ.", v("HMEROM"), " Ημερ.Απάντ.", v("HMER_APANT"));
    d3("D3", "Από", v("APO"), " Προς", v("PROS"));
    d3("D3a", "Τύπος", StrHelper::SqlValue(typeDescr("EIS_TYPOS_ID")), " Τύπος",
       StrHelper::SqlValue(typeDescr("EX_TYPOS_ID")));
    d3("D3", "Πρωτ.Εισ.", v("PROT_EIS"), " Κοινοπ.", v("KOINOP"));
    d3("D3", "Ημερ.Εισ.", v("HMER_EIS"), " Παρατηρ.", v("PARATHR"));
    const auto departments = [&](RptProtShared::BlockLinks& links) {
        return StrHelper::SqlValue(RptProtShared::DepartmentNames(links, id, rs, m_departments,
                                                                  QStringLiteral("Open : "), ClassName())
                                       .join(QStringLiteral(", ")));
    };
    d4("Υπεύθ. Μον.", departments(m_responsible));
    d4("Αντ.σε Μον.", departments(m_copies));
    d4("Θέμα", v("THEMA"));
    return e.AddLine(QStringLiteral("D5"), QString(), QString(), {});
}
