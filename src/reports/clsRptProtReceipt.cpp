#include "clsRptProtReceipt.h"

#include "CondBuilder.h"
#include "DBHelper.h"
#include "Err.h"
#include "StrHelper.h"
#include "modDeclare.h"
#include "modResIDs.h"

using namespace modDeclare;

void clsRptProtReceipt::Main(long eRpt_Selection, QString& sWhereCond, QString& sExtraCond,
                             QStringList& arFields) {
    m_choice = eRpt_Selection;
    m_whereCond = sWhereCond;
    m_extraCond = sExtraCond;
    RunSpec spec;
    spec.title = QStringLiteral("Βεβαίωση καταχώρισης αιτήματος");
    spec.layoutId = modResIDs::resProtReceiptRpt;
    spec.layoutName = QStringLiteral("ProtReceipt.rpt");
    spec.section = modResIDs::resProtReceiptRpt;
    spec.hasSelection = !sWhereCond.isEmpty() && m_choice == rptList;
    spec.options = &arFields;
    spec.scopeChoice = m_choice == rptList;
    StartRun(spec);
}

bool clsRptProtReceipt::OpenData() {
    QString sql;
    if (m_whereCond.startsWith(QLatin1String("%%")) || m_choice != rptCurrent) {
        sql = Statement(QStringLiteral("SELECT * FROM ") + QStringLiteral("PROTOCOL "), m_whereCond,
                        m_extraCond);
    } else {
        // The current entry alone: neither the scope nor the order apply.
        m_order.clear();
        QString where;
        CondBuilder::BuildWhere(m_whereCond, QString(), where);
        sql = QStringLiteral("SELECT * FROM ") + QStringLiteral("PROTOCOL ") + where;
    }
    return OpenRows(sql);
}

void clsRptProtReceipt::AfterRestart() {
    m_responsible.Clear();
    m_files.Clear();
}

void clsRptProtReceipt::LoadLookups() {
    m_departments = RptProtShared::LoadCodeTable(QStringLiteral("L_TMHMATA"), ClassName());
}

bool clsRptProtReceipt::CacheRecord() {
    PrintReceipt();
    m_engine->EndPage();
    return true;
}

void clsRptProtReceipt::PrintReceipt() {
    const RptRows& rs = m_rows;
    ReportEngine& e = *m_engine;
    const auto d1 = [&e](const char* label, const QString& literal) {
        e.AddLine(QStringLiteral("D1"), QStringLiteral("t1,m1"),
                  u'\'' + QString::fromUtf8(label) + QStringLiteral("',") + literal, {});
    };
    const auto line = [&e](const char* key, const QString& fields = {}, const QString& values = {}) {
        e.AddLine(QLatin1String(key), fields, values, {});
    };
    const auto v = [&rs](const char* column) { return StrHelper::SqlValue(rs.Value(QLatin1String(column))); };
    const qlonglong id = rs.Value(QStringLiteral("ID")).toLongLong();

    e.Cmd(QString());
    line("H1");
    d1("Θέμα", v("THEMA"));
    d1("Όργανο προς το οποίο απευθύνεται",
       StrHelper::SqlValue(RptProtShared::DepartmentNames(m_responsible, id, rs, m_departments,
                                                          QStringLiteral("Open: "), ClassName())
                               .join(QStringLiteral("\r\n"))));
    d1("Υπηρεσία Υποβολής", StrHelper::SqlValue(gLogo1));
    d1("Αρ.Πρωτοκ.", v("PROT_AA"));
    d1("Ημ/νία καταχώρησης", v("HMEROM"));
    d1("Αρμόδιος Υπάλληλος", v("ARMODIOS_A"));
    d1("Αιτών", v("APO"));
    attachments(id);
    line("D5");
    // The signature block is kept on one page: moved whole to the next when it does not fit.
    e.Cmd(QString());
    line("D3b", QStringLiteral("t1"), QStringLiteral("'Ο Υπάλληλος'"));
    // A missing MODUSER asks for user 0, which no one is: the line stays empty.
    const QString employee = DBHelper::LookupValue(
        gConn, QStringLiteral("USERS"),
        QStringLiteral("USER_ID=") + QString::number(rs.Value(QStringLiteral("MODUSER")).toLongLong()),
        QStringLiteral("U_LNAME,U_FNAME"), 0, QStringLiteral(" "));
    Err().Clear();
    line("D3b", QStringLiteral("t1"), StrHelper::SqlValue(employee));
    line("D5");
    line("D5");
    line("D3", QStringLiteral("t1"), QStringLiteral("'(υπογραφή)'"));
    line("D3", QStringLiteral("t1"), StrHelper::SqlValue(DBHelper::ServerDate(gConn)));
    Err().Clear();
    e.EndPage();
}

// The items that accompany the document: its attachments, numbered in file-name order.
void clsRptProtReceipt::attachments(qlonglong id) {
    ReportEngine& e = *m_engine;
    bool failed = false;
    const QVariantList files = m_files.Values(id, m_rows, QStringLiteral("Open: "), ClassName(), &failed);
    if (failed) return;
    e.AddLine(QStringLiteral("D5"), {}, {}, {});
    e.AddLine(QStringLiteral("D5"), {}, {}, {});
    e.AddLine(QStringLiteral("D2"), QStringLiteral("m1"),
              QStringLiteral("'Στοιχεία που συνοδεύουν το έγγραφο:'"), {});
    if (files.isEmpty()) {
        e.AddLine(QStringLiteral("D5"), {}, {}, {});
        e.AddLine(QStringLiteral("D2"), QStringLiteral("m1"), QStringLiteral("'ΟΥΔΕΝ'"), {});
        return;
    }
    int n = 1;
    for (const QVariant& file : files) {
        e.AddLine(QStringLiteral("D5"), {}, {}, {});
        e.AddLine(
            QStringLiteral("D2"), QStringLiteral("t1,m1"),
            StrHelper::SqlValue(QString(QString::number(n++) + u'.')) + u',' + StrHelper::SqlValue(file), {});
    }
}
