// A lookup-style list of many lines through the report engine (clsRptLookup, the options dialog
// answered by the program): time to the first preview page, the whole PDF, and the peak memory,
// next to reading the same rows through the driver and painting the same pages with QPdfWriter.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include "BenchSupport.h"
#include "CommonDialog.h"
#include "ReportOptions.h"
#include "ReportPreview.h"
#include "StrHelper.h"
#include "clsRptLookup.h"
#include "modDeclare.h"

using namespace Bench;

namespace {

constexpr int kBatchRows = 500;
const QString kStatement = QStringLiteral("SELECT * From L_TMHMATA WHERE MODFLAG <> 'D'");

void fill(const ConnectionPtr& conn, int rows) {
    if (!conn->BeginTrans()) die(conn->LastErrorText());
    for (int done = 0; done < rows;) {
        QString sql = QStringLiteral("INSERT INTO L_TMHMATA (CODE, DESCR, MODFLAG) VALUES ");
        for (int i = 0; i < kBatchRows && done < rows; ++i, ++done)
            sql += (i ? QStringLiteral(",(") : QStringLiteral("(")) +
                   StrHelper::SqlValue(QStringLiteral("T%1").arg(done, 6, 10, QLatin1Char('0'))) + u',' +
                   StrHelper::SqlValue(QStringLiteral("Διεύθυνση Διοικητικών Υπηρεσιών, Τμήμα %1").arg(done + 1)) +
                   QStringLiteral(",'N')");
        if (!conn->Execute(sql)) die(conn->LastErrorText());
    }
    if (!conn->CommitTrans()) die(conn->LastErrorText());
}

// Answers the options dialog with the mode whenever it shows.
void answerOptions(QTimer& timer, bool preview) {
    QObject::disconnect(&timer, nullptr, nullptr, nullptr);
    QObject::connect(&timer, &QTimer::timeout, [preview] {
        if (auto* d = qobject_cast<ReportOptions*>(QApplication::activeModalWidget())) {
            (preview ? d->optPreview : d->optExport)->setChecked(true);
            d->cmdOK->click();
        }
    });
    timer.start(1);
}

ReportPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ReportPreview*>(w)) return p;
    return nullptr;
}

// The same pages painted straight: the rows read through the driver, two cells and a rule a row.
double direct(const ConnectionPtr& conn, const QString& file, int linesPerPage) {
    QElapsedTimer t;
    t.start();
    QSqlQuery q(conn->database());
    q.setForwardOnly(true);
    if (!q.exec(kStatement)) die(QStringLiteral("direct: the statement failed"));
    QPdfWriter pdf(file);
    pdf.setResolution(1200);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter p(&pdf);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(8);
    QFont h = f;
    h.setBold(true);
    const double d = 1200 / 25.4;
    int line = 0, page = 1;
    const auto heading = [&] {
        p.setFont(h);
        p.drawText(QRectF(11 * d, 12 * d, 100 * d, 8 * d), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("ΔΗΜΟΣ"));
        p.drawText(QRectF(11 * d, 22 * d, 28 * d, 4 * d), Qt::AlignLeft, QStringLiteral("ΚΩΔΙΚΟΣ"));
        p.drawText(QRectF(40 * d, 22 * d, 150 * d, 4 * d), Qt::AlignLeft, QStringLiteral("ΠΕΡΙΓΡΑΦΗ"));
        p.setFont(f);
        p.drawText(QRectF(11 * d, 282 * d, 100 * d, 4 * d), Qt::AlignLeft, QStringLiteral("Σελίδα %1").arg(page));
    };
    heading();
    while (q.next()) {
        if (line == linesPerPage) {
            pdf.newPage();
            ++page;
            line = 0;
            heading();
        }
        const double y = (26 + line * 3.8) * d;
        p.drawText(QRectF(11 * d, y, 26 * d, 3.8 * d), Qt::AlignLeft | Qt::AlignTop, q.value(1).toString());
        p.drawText(QRectF(40 * d, y, 150 * d, 3.8 * d), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   q.value(2).toString());
        p.drawLine(QLineF(10 * d, y + 3.8 * d, 200 * d, y + 3.8 * d));
        ++line;
    }
    p.end();
    return t.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times a long lookup list through the report engine."));
    parser.addHelpOption();
    QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Lines of the list (100000)."),
                               QStringLiteral("n"), QStringLiteral("100000"));
    parser.addOption(rowsOpt);
    parser.process(app);
    const int rows = parser.value(rowsOpt).toInt();
    if (rows <= 0) die(QStringLiteral("--rows must be a positive number"));

    QTemporaryDir dir;
    const QString dbFile = dir.filePath(QStringLiteral("report.db"));
    QFile(dbFile).open(QIODevice::WriteOnly);
    ConnectionPtr conn = mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), dbFile);
    makeSchema(conn);
    fill(conn, rows);
    modDeclare::gConn = conn;
    modDeclare::gUser = std::make_shared<cls_User>();
    modDeclare::gUser->Auth = 0x40;
    modDeclare::gLogo1 = QStringLiteral("ΔΗΜΟΣ");
    CommonDialogHook::Install();
    QTimer answering;
    out() << "SQLite, " << rows << " lines" << Qt::endl;
    const double idle = residentMiB();

    // The report's static record set alone, the part of the first page that grows with the list.
    QElapsedTimer open;
    open.start();
    {
        Recordset rs;
        rs.Open(kStatement, conn);
    }
    const double openMs = open.elapsed();

    // Preview: from Main to the first page on the screen, then the rest read by the window. The
    // better of two runs: the first also pays for loading the fonts.
    struct Shown {
        double ms, all, peak;
        int pages;
    };
    const Shown shown = bestOf(2, [&] {
        resetPeak();
        answerOptions(answering, true);
        QElapsedTimer t;
        t.start();
        clsRptLookup::New()->Main(QStringLiteral("L_TMHMATA"), QStringLiteral("Τμήματα"), QStringLiteral("CODE"),
                                  QStringLiteral("DESCR"), 126);
        const double firstPage = t.elapsed();
        answering.stop();
        ReportPreview* preview = openPreview();
        if (!preview || preview->CurrentPage() != 1) die(QStringLiteral("the preview did not show the first page"));
        while (!preview->CountDone()) QCoreApplication::processEvents();
        const double all = t.elapsed();
        const int count = preview->PagesKnown();
        preview->ShowPage(1);  // back to the start: the data read again
        const double peak = peakMiB();
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Shown{firstPage, all, peak, count};
    });
    const double firstPage = shown.ms, previewAll = shown.all, previewPeak = shown.peak;
    const int pages = shown.pages;
    out() << "  preview: first page shown " << firstPage << " ms after Main (of which " << openMs
          << " ms the record set's open); all " << pages << " pages read in " << previewAll / 1000.0 << " s ("
          << QString::number(100.0 * firstPage / previewAll, 'f', 2) << " %)" << Qt::endl;

    // The whole list to a PDF file through the report class; the best of three runs each.
    struct Run {
        double ms, peak;
    };
    const QString enginePdf = dir.filePath(QStringLiteral("engine.pdf"));
    const Run engine = bestOf(3, [&] {
        QFile::remove(enginePdf);
        resetPeak();
        CommonDialogHook::QueueAnswer(enginePdf);
        answerOptions(answering, false);
        QElapsedTimer run;
        run.start();
        clsRptLookup::New()->Main(QStringLiteral("L_TMHMATA"), QStringLiteral("Τμήματα"), QStringLiteral("CODE"),
                                  QStringLiteral("DESCR"), 126);
        const double ms = run.elapsed();
        answering.stop();
        if (!QFile::exists(enginePdf)) die(QStringLiteral("no PDF was written"));
        return Run{ms, peakMiB()};
    });
    const Run straight = bestOf(3, [&] {
        resetPeak();
        const double ms = direct(conn, dir.filePath(QStringLiteral("direct.pdf")), (rows + pages - 1) / pages);
        return Run{ms, peakMiB()};
    });
    const double engineMs = engine.ms, directMs = straight.ms, enginePeak = engine.peak, directPeak = straight.peak;
    out() << "  PDF: engine " << engineMs / 1000.0 << " s, driver + QPdfWriter " << directMs / 1000.0 << " s, ratio "
          << QString::number(engineMs / directMs, 'f', 2) << Qt::endl;
    out() << "  memory: idle " << idle << " MiB; peak preview " << previewPeak << " MiB (+" << previewPeak - idle
          << "), engine PDF " << enginePeak << " MiB (+" << enginePeak - idle << "), direct " << directPeak
          << " MiB" << Qt::endl;
    out() << "  PDF sizes: engine " << QFileInfo(enginePdf).size() / 1024 << " KiB, direct "
          << QFileInfo(dir.filePath(QStringLiteral("direct.pdf"))).size() / 1024 << " KiB" << Qt::endl;
    modDeclare::gConn.reset();
    conn->Close();
    return 0;
}
