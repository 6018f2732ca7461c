#include "clsRptBase.h"

#include <QCoreApplication>

#include "CondBuilder.h"
#include "Err.h"
#include "ReportOptions.h"
#include "Screen.h"
#include "modDeclare.h"
#include "modResIDs.h"
#include "mod_Rtns.h"

using namespace modDeclare;

void clsRptBase::StartRun(const RunSpec& spec) {
    Screen::SetMousePointer(Screen::vbHourglass);
    m_engine = std::make_shared<ReportEngine>();
    const QString id = QString::number(spec.layoutId);
    if (!m_engine->Init(shared_from_this(), spec.title, modResIDs::GetResString(spec.layoutId, spec.layoutName),
                        modResIDs::GetResString(modResIDs::resGlobalRpt, QStringLiteral("Global.rpt")), true,
                        QStringLiteral("\\Protocol"), id, 1, QString(), mod_Rtns::LoadPictureSafe(gLogoFile),
                        QImage(), gLogo1, gLogo2, 0, 0, nullptr, 0)) {
        RptTerminate();
        return;
    }

    QStringList noOptions;
    {
        ReportOptions options;
        Screen::SetMousePointer(Screen::vbDefault);
        const bool canExport = gUser && (gUser->Auth & 0x40);
        if (options.Show(QStringLiteral("\\Protocol\\%1").arg(spec.section), spec.hasSelection,
                         spec.options ? *spec.options : noOptions, spec.title, canExport, m_engine.get(), true,
                         spec.scopeChoice))
            options.Result(m_mode, m_scope, m_order);
        else
            m_mode = ReportEngine::rmCancel;
    }
    if (m_mode == ReportEngine::rmCancel) {
        RptTerminate();
        return;
    }

    Screen::SetMousePointer(Screen::vbHourglass);
    bool ready = OpenData();
    if (ready) {
        ready = m_engine->PrepareCache(QCoreApplication::applicationDirPath() + QLatin1Char('/'), QString(), true);
        if (ready) AfterPrepareCache();
    }
    Screen::SetMousePointer(Screen::vbDefault);
    if (ready)
        m_engine->Run(m_mode);
    else
        RptTerminate();
}

void clsRptBase::CacheNextPage() {
    if (!m_engine || m_engine->EndOfData()) return;
    bool full = m_engine->Cmd(QStringLiteral("reset"));
    while (!RowsAtEnd() && !full) {
        full = CacheRecord();
        NextRow();
    }
    const bool end = RowsAtEnd();
    m_engine->SetEndOfData(end);
    if (end) AfterLastRecord();
}

void clsRptBase::RptRestart() {
    FirstRow();
    AfterRestart();
}

void clsRptBase::RptTerminate() {
    CloseRows();
    if (const auto engine = std::move(m_engine)) engine->Close();
    Screen::SetMousePointer(Screen::vbDefault);
}

QString clsRptBase::OrderClause(const QString& order) {
    return order.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + order;
}

QString clsRptBase::Statement(const QString& selectText, const QString& whereCond, const QString& extraCond) const {
    if (whereCond.startsWith(QLatin1String("%%"))) return whereCond.mid(2) + OrderClause(m_order);
    QString where;
    CondBuilder::BuildWhere(m_scope == 1 ? QString() : whereCond, extraCond, where);
    return selectText + where + OrderClause(m_order);
}
