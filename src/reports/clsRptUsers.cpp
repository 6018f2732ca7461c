#include "clsRptUsers.h"

#include "DBHelper.h"
#include "StrHelper.h"
#include "modDeclare.h"
#include "modResIDs.h"

void clsRptUsers::Main(QString& sWhereCond, QString& sExtraCond, QStringList& arFields) {
    m_whereCond = sWhereCond;
    m_extraCond = sExtraCond;
    RunSpec spec;
    spec.title = QStringLiteral("Χρήστες εφαρμογής");
    spec.layoutId = modResIDs::resUsersRpt;
    spec.layoutName = QStringLiteral("Users.rpt");
    spec.section = modResIDs::resUsersRpt;
    spec.hasSelection = !sWhereCond.isEmpty();
    spec.options = &arFields;
    StartRun(spec);
}

bool clsRptUsers::OpenRecordset() {
    return OpenRows(Statement(QStringLiteral("SELECT * From USERS "), m_whereCond, m_extraCond),
                    QStringLiteral("USER_ID"));
}

bool clsRptUsers::CacheRecord() {
    const RptRows& rs = m_rows;
    const QVariant group = rs.Value(QStringLiteral("USER_GROUP_ID"));
    const QString groupDescr =
        group.isNull() ? QString()
                       : DBHelper::LookupValue(modDeclare::gConn, QStringLiteral("L_USER_GROUPS"),
                                               QStringLiteral("USER_GROUP_ID=") + DBHelper::ValueText(group),
                                               QStringLiteral("USER_GROUP_DESCR"), 0, QStringLiteral(","));
    const QStringList items{
        QStringLiteral("LNAME=") + StrHelper::SqlValue(rs.Value(QStringLiteral("U_LNAME"))),
        QStringLiteral("FNAME=") + StrHelper::SqlValue(rs.Value(QStringLiteral("U_FNAME"))),
        QStringLiteral("ADDRESS=") + StrHelper::SqlValue(rs.Value(QStringLiteral("U_ADDRESS"))),
        QStringLiteral("PHONE1=") + StrHelper::SqlValue(rs.Value(QStringLiteral("U_PHONE1"))),
        QStringLiteral("PHONE2=") + StrHelper::SqlValue(rs.Value(QStringLiteral("U_PHONE2"))),
        QStringLiteral("USER_GROUP=") + StrHelper::SqlValue(groupDescr),
    };
    return m_engine->AddLine(QStringLiteral("D1"), QString(), QString(), items);
}

void clsRptUsers::AfterLastRecord() {
    m_engine->AddLine(QStringLiteral("LT"), QString(), QString(), {});
}
