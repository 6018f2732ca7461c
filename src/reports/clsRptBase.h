#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "Recordset.h"
#include "ReportEngine.h"

// The report protocol every report class follows: Main's steps (engine, options dialog, data,
// cache, run), the page filling the engine calls back, rewinding and the end of the run. A report
// class supplies its statement and the lines of one row. Report objects live in a shared_ptr
// (make them with New()): the engine holds them until RptTerminate.
class clsRptBase : public ReportCallback, public std::enable_shared_from_this<clsRptBase> {
public:
    // Adds rows until the engine reports the page full; a row is always added whole.
    void CacheNextPage() override;
    void RptRestart() override;
    // Closes the data and the engine, restores the pointer; safe in any state and more than once.
    void RptTerminate() override;

    std::shared_ptr<ReportEngine> Engine() const { return m_engine; }
    long Mode() const { return m_mode; }
    long Scope() const { return m_scope; }
    QString Order() const { return m_order; }

protected:
    struct RunSpec {
        QString title;
        long layoutId = 0;
        QString layoutName;
        long section = 0;  // the options section's number: "\Protocol\<n>"
        bool hasSelection = false;
        QStringList* options = nullptr;
        bool scopeChoice = true;
    };
    clsRptBase() = default;

    // Main's steps, in order; every early end goes through RptTerminate.
    void StartRun(const RunSpec& spec);
    // Step 5: opens the class's data (false ends the run).
    virtual bool OpenData() = 0;
    // After the cache is ready (code tables).
    virtual void AfterPrepareCache() {}
    // The lines of the current row; the result of its last AddLine (page full).
    virtual bool CacheRecord() = 0;
    // After the last row (a closing line).
    virtual void AfterLastRecord() {}
    // After the data was put back at its start.
    virtual void AfterRestart() {}
    // The class's name in error reports.
    virtual const char* ClassName() const = 0;
    // The rows the run walks (RptKeysetReport reads them by key).
    virtual bool RowsAtEnd() const = 0;
    virtual void NextRow() = 0;
    virtual void FirstRow() = 0;
    virtual void CloseRows() = 0;

    // selectText, then the WHERE of the conditions (sExtraCond alone for scope 1), then the order;
    // a condition beginning "%%" is a whole statement run as it stands with the order appended.
    QString Statement(const QString& selectText, const QString& whereCond, const QString& extraCond) const;
    static QString OrderClause(const QString& order);

    std::shared_ptr<ReportEngine> m_engine;
    long m_mode = ReportEngine::rmCancel;
    long m_scope = 1;
    QString m_order;
};

// The object made the way the engine can hold it: clsRptUsers::New()->Main(...).
template <typename T>
class ReportClass : public clsRptBase {
public:
    static std::shared_ptr<T> New() { return std::shared_ptr<T>(new T); }
};
