#pragma once

#include <QList>
#include <QString>
#include <array>
#include <memory>

#include "ReportEngine.h"

// Totals by group (layout 145): the entries of the register's last search, deleted ones left out,
// counted by incoming type, outgoing type, sender, recipient and responsible department. The data
// are collected whole before the run and given to the engine in one page call.
class clsRptProtGroup : public ReportCallback, public std::enable_shared_from_this<clsRptProtGroup> {
public:
    using Item = std::array<QString, 2>;  // description, count as text
    using Items = QList<Item>;

    static std::shared_ptr<clsRptProtGroup> New() {
        return std::shared_ptr<clsRptProtGroup>(new clsRptProtGroup);
    }

    // sWhereCond is kept but not used: the statements use gSearchWhere.
    void Main(QString& sWhereCond);
    void CacheNextPage() override;
    // Adds one grouping's lines: its title, the column headings, a line per group, an empty line.
    void PrintCollection(const QString& Title, const Items& items);
    void RptRestart() override {}
    void RptTerminate() override;

    // The statement of grouping 1 to 5 over the search condition, as it is run.
    static QString GroupStatement(int Kind, const QString& searchWhere);

private:
    clsRptProtGroup() = default;
    void CollectGroup(int Kind, Items& items, bool& OK);

    std::shared_ptr<ReportEngine> m_engine;
    std::array<Items, 5> m_groups;
    QString m_whereCond;
};
