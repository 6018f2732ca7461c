// A lookup-style list of many lines through the report engine (clsRptLookup, the options dialog
// answered by the program): time to the first preview page at several lengths of the list, then at
// --rows lines the whole preview, the whole PDF and the peak memory, next to reading the same rows
// through the driver and painting the same pages with QPdfWriter.
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

// Adds `rows` lines after the `from` already there.
void fill(const ConnectionPtr& conn, int rows, int from) {
    if (!conn->BeginTrans()) die(conn->LastErrorText());
    for (int done = from; done < from + rows;) {
        QString sql = QStringLiteral("INSERT INTO L_TMHMATA (CODE, DESCR, MODFLAG) VALUES ");
        for (int i = 0; i < kBatchRows && done < from + rows; ++i, ++done)
            sql += (i ? QStringLiteral(",(") : QStringLiteral("(")) +
                   StrHelper::SqlValue(QStringLiteral("T%1").arg(done, 6, 10, QLatin1Char('0'))) + u',' +
                   StrHelper::SqlValue(QStringLiteral("Διεύθυνση Διοικητικών Υπηρεσιών, Τμήμα %1").arg(done + 1)) +
                   QStringLiteral(",'N')");
        if (!conn->Execute(sql)) die(conn->LastErrorText());
    }
    if (!conn->CommitTrans()) die(conn->LastErrorText());
}

QElapsedTimer g_clock;  // started when the dialog is answered: the user's part is not timed

// Answers the options dialog with the mode whenever it shows, then starts the clock.
void answerOptions(QTimer& timer, bool preview) {
    QObject::disconnect(&timer, nullptr, nullptr, nullptr);
    QObject::connect(&timer, &QTimer::timeout, [preview] {
        if (auto* d = qobject_cast<ReportOptions*>(QApplication::activeModalWidget())) {
            (preview ? d->optPreview : d->optExport)->setChecked(true);
            g_clock.start();
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

void runLookup() {
    clsRptLookup::New()->Main(QStringLiteral("L_TMHMATA"), QStringLiteral("Τμήματα"), QStringLiteral("CODE"),
                              QStringLiteral("DESCR"), 126);
}

// A preview run: the first page on the screen, then (unless only the first page is wanted) all pages
// counted by the window and the first page made again from the start.
struct Shown {
    double ms = 0, all = 0, peak = 0;
    int pages = 0;
};
Shown preview(QTimer& answering, bool firstOnly) {
    resetPeak();
    answerOptions(answering, true);
    runLookup();
    Shown r;
    r.ms = g_clock.nsecsElapsed() / 1e6;
    answering.stop();
    ReportPreview* window = openPreview();
    if (!window || window->CurrentPage() != 1) die(QStringLiteral("the preview did not show the first page"));
    if (!firstOnly) {
        while (!window->CountDone()) QCoreApplication::processEvents();
        r.all = g_clock.nsecsElapsed() / 1e6;
        r.pages = window->PagesKnown();
        window->ShowPage(1);  // back to the start: the data read again
    }
    r.peak = peakMiB();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return r;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times a long lookup list through the report engine."));
    parser.addHelpOption();
    QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Lines of the list for the whole runs (100000)."),
                               QStringLiteral("n"), QStringLiteral("100000"));
    QCommandLineOption firstOpt(QStringLiteral("first-page"),
                                QStringLiteral("Lengths at which the first preview page is timed (1000,10000,100000)."),
                                QStringLiteral("n,n,..."), QStringLiteral("1000,10000,100000"));
    parser.addOptions({rowsOpt, firstOpt});
    parser.process(app);
    const int rows = parser.value(rowsOpt).toInt();
    if (rows <= 0) die(QStringLiteral("--rows must be a positive number"));
    QList<int> firstAt;
    for (const QString& n : parser.value(firstOpt).split(u',', Qt::SkipEmptyParts)) {
        if (n.toInt() <= 0) die(QStringLiteral("--first-page takes positive numbers"));
        firstAt << n.toInt();
    }
    QList<int> lengths = firstAt;
    lengths << rows;
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());

    QTemporaryDir dir, settings;
    qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(settings.path()));  // no remembered choices
    const QString dbFile = dir.filePath(QStringLiteral("report.db"));
    QFile(dbFile).open(QIODevice::WriteOnly);
    ConnectionPtr conn = mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), dbFile);
    makeSchema(conn);
    modDeclare::gConn = conn;
    modDeclare::gUser = std::make_shared<cls_User>();
    modDeclare::gUser->Auth = 0x40;
    modDeclare::gLogo1 = QStringLiteral("ΔΗΜΟΣ");
    CommonDialogHook::Install();
    QTimer answering;
    const double idle = residentMiB();

    Summary summary;
    int filled = 0;
    for (const int length : lengths) {
        fill(conn, length - filled, filled);
        if (filled == 0) preview(answering, true);  // the first run also pays for loading the fonts
        filled = length;
        if (firstAt.contains(length)) {
            const Shown first = bestOf(3, [&] { return preview(answering, true); });
            out() << "SQLite, " << length << " lines: first preview page " << first.ms << " ms, peak +"
                  << first.peak - idle << " MiB" << Qt::endl;
            summary.add(QStringLiteral("lookup list of %1, first page").arg(length), first.ms, 0,
                        QStringLiteral("<= 10 ms, flat"));
        }
        if (length != rows) continue;

        // Preview: the first page on the screen, then the rest read by the window.
        const Shown shown = bestOf(2, [&] { return preview(answering, false); });
        const int pages = shown.pages;
        out() << "SQLite, " << rows << " lines: preview first page " << shown.ms << " ms; all " << pages
              << " pages read in " << shown.all / 1000.0 << " s" << Qt::endl;

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
            runLookup();
            const double ms = g_clock.nsecsElapsed() / 1e6;
            answering.stop();
            if (!QFile::exists(enginePdf)) die(QStringLiteral("no PDF was written"));
            return Run{ms, peakMiB()};
        });
        const Run straight = bestOf(3, [&] {
            resetPeak();
            const double ms = direct(conn, dir.filePath(QStringLiteral("direct.pdf")), (rows + pages - 1) / pages);
            return Run{ms, peakMiB()};
        });
        out() << "  PDF: engine " << engine.ms / 1000.0 << " s, driver + QPdfWriter " << straight.ms / 1000.0
              << " s, ratio " << QString::number(engine.ms / straight.ms, 'f', 2) << "; first page "
              << QString::number(100.0 * shown.ms / engine.ms, 'f', 2) << " % of the engine's PDF"
              << Qt::endl;
        summary.add(QStringLiteral("lookup list of %1, PDF (ref: direct)").arg(rows), engine.ms, straight.ms,
                    QString());
        out() << "  memory: idle " << idle << " MiB; peak preview " << shown.peak << " MiB (+"
              << shown.peak - idle << "), engine PDF " << engine.peak << " MiB (+" << engine.peak - idle
              << "), direct " << straight.peak << " MiB (+" << straight.peak - idle << ")" << Qt::endl;
        out() << "  PDF sizes: engine " << QFileInfo(enginePdf).size() / 1024 << " KiB, direct "
              << QFileInfo(dir.filePath(QStringLiteral("direct.pdf"))).size() / 1024 << " KiB" << Qt::endl;
    }
    summary.print();
    modDeclare::gConn.reset();
    conn->Close();
    return 0;
}
