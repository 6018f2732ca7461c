#include "clsRptProtGroup.h"

#include <QCoreApplication>

#include "CondBuilder.h"
#include "Err.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "Screen.h"
#include "SqlDialect.h"
#include "StrHelper.h"
#include "frmRptProtGroup.h"
#include "modDeclare.h"
#include "modResIDs.h"
#include "mod_Rtns.h"

using namespace modDeclare;

namespace {
const char* const kClass = "clsRptProtGroup";
const QString kBlank = QStringLiteral("Κενό");
const char16_t* const kTitles[5] = {u"ΣΥΝΟΛΑ ΑΝΑ ΤΥΠΟ ΕΙΣΕΡΧΟΜΕΝΟΥ", u"ΣΥΝΟΛΑ ΑΝΑ ΤΥΠΟ ΕΞΕΡΧΟΜΕΝΟΥ",
                                    u"ΣΥΝΟΛΑ ΑΝΑ ΠΡΟΕΛΕΥΣΗ (από)", u"ΣΥΝΟΛΑ ΑΝΑ ΠΡΟΟΡΙΣΜΟ (προς)",
                                    u"ΣΥΝΟΛΑ ΑΝΑ ΥΠΕΥΘΥΝΗ ΜΟΝΑΔΑ"};
}  // namespace

void clsRptProtGroup::Main(QString& sWhereCond) {
    Screen::SetMousePointer(Screen::vbHourglass);
    m_whereCond = sWhereCond;
    const QString title = QStringLiteral("Πρωτόκολλο-Σύνολα");
    m_engine = std::make_shared<ReportEngine>();
    if (!m_engine->Init(shared_from_this(), title,
                        modResIDs::GetResString(modResIDs::resProtGroupRpt, QStringLiteral("ProtGroup.rpt")),
                        modResIDs::GetResString(modResIDs::resGlobalRpt, QStringLiteral("Global.rpt")), true,
                        QStringLiteral("\\Protocol"), QString::number(modResIDs::resProtGroupRpt), 1,
                        QString(), mod_Rtns::LoadPictureSafe(gLogoFile), QImage(), gLogo1, gLogo2, 0, 0,
                        nullptr, 0)) {
        RptTerminate();
        return;
    }

    long action = frmRptProtGroup::actCancel;
    {
        frmRptProtGroup dlg;
        Screen::SetMousePointer(Screen::vbDefault);
        for (;;) {
            dlg.exec();
            action = dlg.Action();
            if (action != frmRptProtGroup::actPageSetup) break;
            m_engine->PageSetup();
        }
    }
    if (action == frmRptProtGroup::actCancel) {
        RptTerminate();
        return;
    }

    Screen::SetMousePointer(Screen::vbHourglass);
    bool ok = true;
    {
        // Each total reads every entry: the server's parallel workers serve it.
        const ParallelReads parallel(gConn);
        for (int kind = 1; kind <= 5 && ok; ++kind) CollectGroup(kind, m_groups[kind - 1], ok);
    }
    if (!ok) {
        Screen::SetMousePointer(Screen::vbDefault);
        MsgBox(QStringLiteral("Πρόβλημα στην συλλογή των δεδομένων."), vb::vbCritical);
        RptTerminate();
        return;
    }
    if (!m_engine->PrepareCache(QCoreApplication::applicationDirPath() + QLatin1Char('/'), QString(), true)) {
        RptTerminate();
        return;
    }
    // Keep the engine while it runs: a print ends the run (and our hold on it) before returning.
    const std::shared_ptr<ReportEngine> engine = m_engine;
    engine->Run(action);
    Screen::SetMousePointer(Screen::vbDefault);
}

QString clsRptProtGroup::GroupStatement(int Kind, const QString& searchWhere) {
    QString where;
    CondBuilder::BuildWhere(searchWhere, QStringLiteral(" P.MODFLAG<>'D' "), where);
    // Nulls ("Κενό") first on every backend, as SQL Server sorts them.
    const QString nullsFirst = SqlDialect::active().nullsFirst();
    switch (Kind) {
        case 1:
        case 2:
            return QStringLiteral("select L_TYPOI.DESCR AS TYPOS_DESCR, count(*) as CNT") +
                   QStringLiteral(" from PROTOCOL P") +
                   (Kind == 1 ? QStringLiteral(" LEFT JOIN L_TYPOI ON P.EIS_TYPOS_ID=L_TYPOI.ID")
                              : QStringLiteral(" LEFT JOIN L_TYPOI ON P.EX_TYPOS_ID=L_TYPOI.ID")) +
                   where + QStringLiteral(" GROUP BY L_TYPOI.DESCR") +
                   QStringLiteral(" ORDER BY TYPOS_DESCR") + nullsFirst;
        case 3:
        case 4: {
            const QString column = Kind == 3 ? QStringLiteral("APO") : QStringLiteral("PROS");
            return QStringLiteral("select ") + column + QStringLiteral(", count(*) AS CNT") +
                   QStringLiteral(" from PROTOCOL P") + where + QStringLiteral(" GROUP BY ") + column +
                   QStringLiteral(" ORDER BY ") + column + nullsFirst;
        }
        case 5:
            return QStringLiteral("select L_TMHMATA.DESCR AS TMHMA_DESCR, count(*) as CNT") +
                   QStringLiteral(" from PROTOCOL P") +
                   QStringLiteral(" INNER JOIN R_YPEYTH ON  P.ID = R_YPEYTH.PR_ID") +
                   QStringLiteral(" INNER JOIN L_TMHMATA ON R_YPEYTH.TM_ID=L_TMHMATA.ID") + where +
                   QStringLiteral(" GROUP BY L_TMHMATA.DESCR") + QStringLiteral(" ORDER BY L_TMHMATA.DESCR");
        default:
            return {};
    }
}

void clsRptProtGroup::CollectGroup(int Kind, Items& items, bool& OK) {
    items.clear();
    const QString sql = GroupStatement(Kind, gSearchWhere);
    Recordset rs;
    Err().Clear();
    rs.Open(sql, gConn);
    OK = !(gErr ? gErr->ErrorMsg(QStringLiteral("Open : ") + sql, true, kClass) : Err().Pending());
    Err().Clear();
    if (!OK) return;
    bool lastBlank = false;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QVariant descr = rs.Value(0);
        const bool blank = descr.isNull() || descr.toString().isEmpty();
        const qlonglong count = rs.Value(1).toLongLong();
        // Null and '' are groups of their own, sorted next to each other: one "Κενό" line holds both.
        if (blank && lastBlank) {
            items.last()[1] = QString::number(items.last()[1].toLongLong() + count);
            continue;
        }
        items.append({blank ? kBlank : descr.toString(), QString::number(count)});
        lastBlank = blank;
    }
}

void clsRptProtGroup::CacheNextPage() {
    if (!m_engine || m_engine->EndOfData()) return;
    m_engine->Cmd(QStringLiteral("reset"));
    for (int i = 0; i < 5; ++i) PrintCollection(QString::fromUtf16(kTitles[i]), m_groups[i]);
    m_engine->SetEndOfData(true);
}

void clsRptProtGroup::PrintCollection(const QString& Title, const Items& items) {
    m_engine->AddLine(QStringLiteral("H0"), QStringLiteral("DESCR"), StrHelper::SqlValue(Title), {});
    m_engine->AddLine(QStringLiteral("H1"), QString(), QString(), {});
    for (const Item& item : items)
        m_engine->AddLine(QStringLiteral("D1"), QStringLiteral("descr,cnt"),
                          StrHelper::SqlValue(item[0]) + u',' + StrHelper::SqlValue(item[1].toDouble()), {});
    m_engine->AddLine(QStringLiteral("EMPTY"), QString(), QString(), {});
}

void clsRptProtGroup::RptTerminate() {
    if (const auto engine = std::move(m_engine)) engine->Close();
    Screen::SetMousePointer(Screen::vbDefault);
}
