#pragma once

#include <QDate>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

#include "Connection.h"
#include "ReportLayout.h"
#include "ReportPage.h"

class QPrinter;
#include "ReportPreview.h"

// What a report object offers the engine, which calls it back by these names.
class ReportCallback {
public:
    virtual ~ReportCallback() = default;
    virtual void CacheNextPage() = 0;  // add the next page's lines
    virtual void RptRestart() = 0;     // put the data back at its start
    virtual void RptTerminate() = 0;   // end the run: close the data, Close() the engine
};

// One line kind of the layout, changeable before the run.
class ReportLine {
public:
    // Cells are numbered from 1 as the layout declares them; a removed cell keeps its number gone,
    // so removing it again changes nothing. False when there is no such cell.
    bool SetCellText(int cell, const QString& text);
    bool RemoveCell(int cell);
    void Relayout();  // places the remaining cells across the line again
    QString Key() const { return m_line->key; }

private:
    friend class ReportLines;
    ReportLayout::Line* m_line = nullptr;
    double m_printable = 0;
};

class ReportLines {
public:
    ReportLine* Item(const QString& key);  // nullptr for a key the layout does not declare
    int Count() const { return int(m_lines.size()); }

private:
    friend class ReportEngine;
    void attach(ReportLayout::Layout* layout, double printable);
    QList<ReportLine> m_lines;
};

// The report engine: reads the layouts, takes the report's lines through AddLine, lays them out
// into pages and shows, prints or exports them, asking the report for pages as it needs them.
// Created with std::make_shared; it keeps the report object alive until RptTerminate.
class ReportEngine : public QObject, public std::enable_shared_from_this<ReportEngine> {
    Q_OBJECT
public:
    enum RunMode : long { rmCancel = 1, rmPreview = 2, rmPrint = 3, rmExport = 4 };

    ReportEngine();
    ~ReportEngine() override;

    ReportLines& Lines() { return m_lines; }

    // Reads the layout and the global layout; False (the fault shown, naming the line) when either
    // is malformed. Arguments 5, 8, 9, 11 and 14 to 17 are accepted and not used.
    bool Init(std::shared_ptr<ReportCallback> callBack, const QString& title, const QString& layoutText,
              const QString& globalText, bool reserved5, const QString& section, const QString& reportId,
              long reserved8, const QString& reserved9, const QImage& logo, const QImage& reserved11,
              const QString& logo1, const QString& logo2, long reserved14 = 0, long reserved15 = 0,
              const ConnectionPtr& reserved16 = {}, long reserved17 = 0);
    // 2 preview (returns at once; the window runs the rest), 3 print, any other mode above 1 exports
    // to a PDF file. Every mode but the preview ends the run (RptTerminate) before it returns.
    void Run(long mode);
    // The system's page set-up for the printer the run will print on.
    void PageSetup();
    // The line cache is kept in memory: the folder is not used.
    bool PrepareCache(const QString& folder, const QString& reserved, bool reserved3);
    // "reset": a new page of the cache; "": the lines of a new record follow, kept on one page.
    bool Cmd(const QString& command);
    // The next line starts a new page; a page end with no line since the last adds no page.
    void EndPage();
    // Adds a line of the kind: a field list with its value list of SQL literals, or items
    // "COLUMN=literal", or no data. True when the page is full.
    bool AddLine(const QString& lineKey, const QString& fieldList, const QString& valueList,
                 const QStringList& values);
    bool EndOfData() const { return m_endOfData; }
    void SetEndOfData(bool value) { m_endOfData = value; }
    void Close();

    // Ours beyond the component's interface.
    QString Title() const { return m_title; }
    QString ReportId() const { return m_reportId; }
    void SetCanExport(bool canExport) { m_canExport = canExport; }
    bool CanExport() const { return m_canExport; }
    const ReportLayout::Layout& Layout() const { return m_layout; }
    bool Closed() const { return m_closed; }
    QDate PrintDate() const { return m_printDate; }
    void SetPrintDate(const QDate& date) { m_printDate = date; }

    // The next page of the current pass over the data; false when there is none.
    bool NextPage(ReportPage::Page& out);
    // Starts the pass again from the first page (the report rewinds its data).
    void Restart();
    int PagesDelivered() const { return m_delivered; }  // pages NextPage gave in this pass
    bool AtEnd() const { return m_ended && m_ready.isEmpty(); }

    // Writes every page to a PDF file, whole or not at all. False with *error when it cannot.
    bool WritePdf(const QString& fileName, QString* error);
    // Prints every page on the printer (a PDF printer writes through WritePdf).
    bool PrintTo(QPrinter& printer, QString* error);
    // Asks for a printer and prints; a failure is reported in a message box. False when nothing printed.
    bool PrintWithDialog(QWidget* parent);
    // Asks for a file name and exports; a failure is reported. False when nothing was written.
    bool ExportWithDialog(QWidget* parent);

    ReportPreview* Preview() const { return m_preview; }

    // Test hook: answers the print dialog instead of showing it (false = cancelled).
    static void SetPrintDialogHook(std::function<bool(QPrinter&)> hook);

private:
    friend class ReportPreview;
    // One line laid out, its items placed relative to its own top.
    struct Placed {
        double height = 0;
        bool keepWith = false;
        QList<ReportPage::Text> texts;
        QList<QLineF> rules;
        QList<ReportPage::Picture> pictures;
    };
    struct Mark {
        int texts = 0, rules = 0, pictures = 0, lines = 0;
        double y = 0;
    };

    Placed layoutLine(const ReportLayout::Line& kind, const QList<QVariant>& values, int pageNo, bool firstHeader);
    QString cellText(const ReportLayout::Cell& cell, const QList<QVariant>& values, int pageNo) const;
    struct FontEntry {
        QFont font;
        ReportPage::Metrics metrics;
    };
    const FontEntry& font(double points, bool bold);
    void resetPass();
    void startPage();
    void finishPage();
    void place(const Placed& line);
    // Places the line where the page stands, going on over the next pages when it is taller than
    // what is left, cut between its lines of text.
    void placeOverPages(Placed line);
    static bool split(const Placed& line, double room, Placed& head, Placed& tail);
    static bool blank(const Placed& line);
    Mark mark() const;
    bool parseValues(const QString& fieldList, const QString& valueList, const QStringList& items,
                     QList<QVariant>& values) const;
    void store(int column, const QVariant& literal, QList<QVariant>& values) const;
    void previewClosed();
    QPrinter& printer();
    void finishRun();

    std::shared_ptr<ReportCallback> m_callback;
    ReportLayout::Layout m_layout;
    ReportLines m_lines;
    QString m_title, m_section, m_reportId, m_logo1;
    QImage m_logo;
    QDate m_printDate;
    bool m_canExport = false;
    bool m_cachePrepared = false;
    bool m_endOfData = false;
    bool m_closed = false;
    bool m_initialised = false;

    // The pass over the data that makes the pages.
    QQueue<ReportPage::Page> m_ready;
    ReportPage::Page m_page;
    bool m_pageOpen = false;
    int m_pageCount = 0;
    int m_delivered = 0;
    int m_linesOnPage = 0;
    double m_y = 0, m_bodyTop = 0, m_bodyBottom = 0;
    bool m_recordOpen = false, m_newUnit = false, m_prevKeepWith = false;
    QList<Placed> m_unit;  // the lines that move together to a new page
    Mark m_unitMark;
    bool m_completedSinceReset = false;
    double m_lastHeight = 0;
    bool m_passStarted = false;
    bool m_ended = false;
    long m_linesAdded = 0;

    QPointer<ReportPreview> m_preview;
    QHash<int, std::shared_ptr<FontEntry>> m_fonts;
    std::unique_ptr<QPrinter> m_printer;  // made on first use; PageSetup's choice is printed on
};

// SQL literals as StrHelper::SqlValue writes them, read back: texts (quotes doubled, an N prefix),
// numbers, Null; date texts come back as QDate/QDateTime.
namespace SqlLiterals {
// Reads one literal at pos (blanks around it skipped); false on a malformed one. An empty literal
// gives an invalid QVariant.
bool ReadOne(QStringView text, qsizetype& pos, QVariant& out);
// A comma-separated list of literals; false on a malformed one.
bool ReadList(const QString& text, QList<QVariant>& out);
}  // namespace SqlLiterals
