// Times the register's printed reports on the registers bench_list made: the detailed list and
// the receipts of a 20,000-entry list (first preview page, whole PDF, peak memory, against reading
// the same rows and department lists through the driver and painting the pages directly), and the
// totals over every entry next to the same five statements run by the database itself.

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include "BenchSupport.h"
#include "MsgBox.h"
#include "ReportEngine.h"
#include "ReportOptions.h"
#include "SqlDialect.h"
#include "clsRptProtDet.h"
#include "clsRptProtGroup.h"
#include "clsRptProtReceipt.h"
#include "cls_User.h"
#include "frmMDI.h"
#include "frmRptProtGroup.h"
#include "modDeclare.h"

using namespace Bench;

namespace {

QElapsedTimer g_clock;  // started when the dialog is answered: the user's part is not timed

// Answers the next modal dialog of type W with the action, then starts the clock.
template <typename W>
void answer(std::function<void(W*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w) return;
        timer->stop();
        timer->deleteLater();
        g_clock.start();
        action(w);
    });
    timer->start(1);
}

void options(bool preview) {
    answer<ReportOptions>([preview](ReportOptions* w) {
        (preview ? w->optPreview : w->optPrint)->setChecked(true);
        w->optSelection->setChecked(true);
        w->cmbOrder->setCurrentIndex(0);
        w->cmdOK->click();
    });
}

struct Result {
    double ms = 0;
    double extraMiB = 0;
    int pages = 0;
};

// One report run: preview (to the first page) or print (the whole PDF).
Result run(bool receipts, bool preview, const QString& where, const QString& pdf) {
    QFile::remove(pdf);
    resetPeak();
    const double before = residentMiB();
    options(preview);
    QString w = where, extra, fields;
    QStringList arFields;
    if (receipts)
        clsRptProtReceipt::New()->Main(clsRptProtReceipt::rptList, w, extra, arFields);
    else
        clsRptProtDet::New()->Main(w, extra, arFields);
    Result r;
    r.ms = g_clock.nsecsElapsed() / 1e6;
    r.extraMiB = peakMiB() - before;
    // Close any preview window again.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top != frmMDI::instance()) top->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!preview) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        info.waitForFinished();
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        const qsizetype at = text.indexOf(QStringLiteral("Pages:"));
        if (at >= 0) r.pages = text.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
    }
    return r;
}

// The same rows and department lists read through the driver, 8 entries of 20 texts a page
// painted straight into a PDF.
Result direct(const ConnectionPtr& conn, const QString& where, bool receipts, const QString& pdf) {
    resetPeak();
    const double before = residentMiB();
    QElapsedTimer t;
    t.start();
    QSqlDatabase db = conn->database();
    QSqlQuery q(db), d(db);
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT * FROM PROTOCOL WHERE ") + where);
    QPdfWriter writer(pdf);
    writer.setResolution(300);
    QPainter painter(&writer);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(7);
    painter.setFont(font);
    const int perPage = receipts ? 1 : 8, cols = q.record().count();
    Result r;
    int n = 0;
    while (q.next()) {
        if (n > 0 && n % perPage == 0) writer.newPage();
        const double y0 = 200 + (n % perPage) * 380;
        for (int c = 0; c < 20 && c < cols; ++c)
            painter.drawText(QPointF(180 + (c % 2) * 1200, y0 + (c / 2) * 35), q.value(c).toString());
        for (const char* link : {"R_YPEYTH", "R_ANTIGRAFA"}) {
            d.exec(QStringLiteral("SELECT TM_ID FROM %1 WHERE PR_ID=%2").arg(QLatin1String(link), q.value(0).toString()));
            QStringList ids;
            while (d.next()) ids << d.value(0).toString();
            painter.drawText(QPointF(180, y0 + 350), ids.join(QStringLiteral(", ")));
            if (receipts) break;
        }
        ++n;
    }
    painter.end();
    r.ms = t.nsecsElapsed() / 1e6;
    r.extraMiB = peakMiB() - before;
    r.pages = (n + perPage - 1) / perPage;
    return r;
}

double totals(const QString& pdf) {
    modDeclare::gSearchWhere.clear();
    QFile::remove(pdf);
    answer<frmRptProtGroup>([](frmRptProtGroup* w) { w->cmdAction[0]->click(); });
    QString where;
    clsRptProtGroup::New()->Main(where);
    return g_clock.nsecsElapsed() / 1e6;
}

// The five statements through the driver, rows read and dropped.
double totalsThroughDriver(const ConnectionPtr& conn) {
    QElapsedTimer t;
    t.start();
    for (int kind = 1; kind <= 5; ++kind) {
        QSqlQuery q(conn->database());
        q.setForwardOnly(true);
        q.exec(clsRptProtGroup::GroupStatement(kind, QString()));
        while (q.next()) {
        }
    }
    return t.nsecsElapsed() / 1e6;
}

double totalsThroughPsql(const QStringList& connArgs) {
    QStringList args = connArgs;
    args << QStringLiteral("-qAt");
    for (int kind = 1; kind <= 5; ++kind) args << QStringLiteral("-c") << clsRptProtGroup::GroupStatement(kind, QString());
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("psql"), args);
    p.waitForFinished(-1);
    p.readAllStandardOutput();
    return t.nsecsElapsed() / 1e6;
}

void reportsOn(const QString& name, const ConnectionPtr& conn, const QString& dir, int rows,
               const std::function<double()>& client, const QString& clientName) {
    modDeclare::gConn = conn;
    SqlDialect::setActive(conn->backend());
    QSqlQuery first(conn->database());
    first.exec(QStringLiteral("SELECT min(ID) FROM PROTOCOL"));
    first.next();
    const qlonglong from = first.value(0).toLongLong();
    const QString where = QStringLiteral("ID BETWEEN %1 AND %2").arg(from).arg(from + rows - 1);
    for (const bool receipts : {false, true}) {
        const QString what = receipts ? QStringLiteral("receipts") : QStringLiteral("detailed list");
        const Result firstPage = bestOf(3, [&] { return run(receipts, true, where, dir + QStringLiteral("/p.pdf")); });
        const Result whole = run(receipts, false, where, dir + QStringLiteral("/r.pdf"));
        const Result base = direct(conn, where, receipts, dir + QStringLiteral("/d.pdf"));
        out() << name << " " << what << " of " << rows << " entries: first preview page " << firstPage.ms
              << " ms (" << firstPage.extraMiB << " MiB); whole PDF " << whole.ms << " ms, " << whole.pages
              << " pages, peak +" << whole.extraMiB << " MiB; driver + direct painting " << base.ms << " ms, "
              << base.pages << " pages, +" << base.extraMiB << " MiB; ratio " << whole.ms / base.ms << Qt::endl;
    }
    const double ours = totals(dir + QStringLiteral("/t.pdf"));
    const double theirs = client();
    out() << name << " totals over every entry: " << ours << " ms; the five statements through " << clientName
          << " " << theirs << " ms; ratio " << ours / theirs << Qt::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Times the register's reports on the registers bench_list made."));
    p.addHelpOption();
    const ServerOptions server = serverOptions(QStringLiteral("bench_list's SQLite file."));
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Entries in the list."),
                                     QStringLiteral("N"), QStringLiteral("20000"));
    p.addOptions({server.db, server.pg, server.pgUser, rowsOpt});
    p.process(app);
    const int rows = p.value(rowsOpt).toInt();

    QTemporaryDir settings, dir;
    qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(settings.path()));
    MsgBoxHook::Install();
    modDeclare::gUser = std::make_shared<cls_User>();
    modDeclare::gUser->UserId = 1;
    modDeclare::gUser->Auth = 0x80;
    modDeclare::gErr = std::make_unique<cls_Error>();
    modDeclare::gErr->Init(false);
    frmMDI::instance();
    ReportEngine::SetPrintDialogHook([&dir](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.path() + QStringLiteral("/r.pdf"));
        return true;
    });
    // Timed from the dialog's answer; the whole PDF and the totals print to r.pdf.
    const ConnectionPtr lite = mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), p.value(server.db));
    reportsOn(QStringLiteral("SQLite"), lite, dir.path(), rows, [&] { return totalsThroughDriver(lite); },
              QStringLiteral("the driver (the sqlite3 shell cannot open a register)"));
    if (p.isSet(server.pg)) {
        const QString s = p.value(server.pg);
        const ConnectionPtr pg = mustOpen(QStringLiteral("PostgreSQL"), s, QStringLiteral("bench_list"), p.value(server.pgUser));
        const QStringList connArgs{QStringLiteral("-h"), s.section(u':', 0, 0), QStringLiteral("-p"), s.section(u':', 1),
                                   QStringLiteral("-U"), p.value(server.pgUser), QStringLiteral("-d"),
                                   QStringLiteral("bench_list")};
        reportsOn(QStringLiteral("PostgreSQL"), pg, dir.path(), rows, [&] { return totalsThroughPsql(connArgs); },
                  QStringLiteral("psql"));
    }
    return 0;
}
