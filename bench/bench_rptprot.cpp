// Times the register's printed reports on the registers bench_list made: the detailed list and
// the receipts of a 20,000-entry list (first preview page, whole PDF, peak memory, against reading
// the same rows and department lists through the driver and painting the pages directly), and the
// totals over every entry next to the same five statements run by the database itself.

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
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

// The same rows and department lists read through the driver, and the same texts and rules painted
// straight into a PDF: the detailed list's blocks `perPage` to a page, one receipt a page, each with
// the page's header, footer and frame.
Result direct(const ConnectionPtr& conn, const QString& where, bool receipts, int perPage,
              const QString& pdf) {
    resetPeak();
    const double before = residentMiB();
    QElapsedTimer t;
    t.start();
    QSqlDatabase db = conn->database();
    // Not forward-only: PostgreSQL's driver drops a streaming result when the connection runs the
    // department statements.
    QSqlQuery q(db), d(db);
    q.exec(QStringLiteral("SELECT * FROM PROTOCOL WHERE ") + where);
    QHash<QString, QString> names;
    for (QSqlQuery n(QStringLiteral("SELECT ID, DESCR FROM L_TMHMATA"), db); n.next();)
        names.insert(n.value(0).toString(), n.value(1).toString());
    QPdfWriter writer(pdf);
    writer.setResolution(300);
    QPainter painter(&writer);
    const double mm = 300 / 25.4;
    QFont font(QStringLiteral("Liberation Sans")), bold(font);
    font.setPointSizeF(receipts ? 10 : 7);
    bold.setPointSizeF(receipts ? 10 : 7);
    bold.setBold(true);
    const double line = (receipts ? 5.0 : 3.5) * mm;
    const auto text = [&](double x, double y, double w, const QString& s, bool b = false, bool wrap = false) {
        painter.setFont(b ? bold : font);
        QRectF used;
        painter.drawText(QRectF(x * mm, y, w * mm, wrap ? 100 * mm : line),
                         Qt::AlignLeft | Qt::AlignTop | (wrap ? Qt::TextWordWrap : 0), s, &used);
        return std::max(line, used.height());
    };
    const auto rule = [&](double y) { painter.drawLine(QPointF(15 * mm, y), QPointF(195 * mm, y)); };
    const auto departments = [&](const char* link, const QString& id, const QString& sep) {
        d.exec(QStringLiteral("SELECT TM_ID FROM %1 WHERE PR_ID=%2").arg(QLatin1String(link), id));
        QStringList out;
        while (d.next()) out << names.value(d.value(0).toString());
        return out.join(sep);
    };
    const auto v = [&q](const char* column) { return q.value(QLatin1String(column)).toString(); };
    Result r;
    int n = 0;
    double y = 0;
    while (q.next()) {
        if (n % perPage == 0) {
            if (n > 0) writer.newPage();
            ++r.pages;
            text(15, 15 * mm, 70, QStringLiteral("Δήμος"), true);
            text(120, 15 * mm, 75, QStringLiteral("ΠΡΩΤΟΚΟΛΛΟ"), true);
            rule(25 * mm);
            rule(280 * mm);
            text(15, 276 * mm, 70, QStringLiteral("Protocol"));
            text(100, 276 * mm, 20, QStringLiteral("10/12/2026"));
            text(170, 276 * mm, 25, QStringLiteral("Σελίδα %1").arg(r.pages), true);
            y = 27 * mm;
        }
        const QString id = v("ID");
        if (receipts) {
            y += text(15, y, 180, QStringLiteral("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ"), true) * 3;
            const QString rows[7][2] = {
                {QStringLiteral("Θέμα"), v("THEMA")},
                {QStringLiteral("Όργανο"), departments("R_YPEYTH", id, QStringLiteral("\r\n"))},
                {QStringLiteral("Υπηρεσία Υποβολής"), QStringLiteral("Δήμος")},
                {QStringLiteral("Αρ.Πρωτοκ."), v("PROT_AA")},
                {QStringLiteral("Ημ/νία καταχώρησης"), v("HMEROM")},
                {QStringLiteral("Αρμόδιος Υπάλληλος"), v("ARMODIOS_A")},
                {QStringLiteral("Αιτών"), v("APO")}};
            for (const auto& row : rows) {
                y += std::max(text(15, y, 45, row[0], true, true), text(60, y, 135, row[1], false, true));
                rule(y);
            }
            d.exec(QStringLiteral(
                       "SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 AND FILETYPE='SYN' ORDER BY FILENAME")
                       .arg(id));
            y +=
                text(22, y + 2 * line, 170, QStringLiteral("Στοιχεία που συνοδεύουν το έγγραφο:")) + 2 * line;
            int k = 0;
            while (d.next())
                y += text(22, y + line, 170,
                          QString::number(++k) + QStringLiteral(". ") + d.value(0).toString()) +
                     line;
            if (k == 0) y += text(22, y + line, 170, QStringLiteral("ΟΥΔΕΝ")) + line;
            const QString signature[4] = {QStringLiteral("Ο Υπάλληλος"), QStringLiteral("Παππά Μαρία"),
                                          QStringLiteral("(υπογραφή)"), QStringLiteral("10/12/2026")};
            for (int i = 0; i < 4; ++i) y += text(123, y + (i == 2 ? 2 * line : 0), 72, signature[i], i < 2);
        } else {
            text(15, y, 54, QStringLiteral("ΕΙΣΕΡΧΟΜΕNΑ"), true);
            text(69, y, 54, QStringLiteral("Αρ.Πρωτοκ. ") + v("PROT_AA") + QStringLiteral(" / ") + v("ETOS"),
                 true);
            y += text(141, y, 54, QStringLiteral("ΕΞΕΡΧΟΜΕΝΑ"), true);
            rule(y);
            const char* pairs[6][4] = {{"Αρμόδιος", "ARMODIOS_A", " Αρμόδιος", "ARMODIOS"},
                                       {"Ημερομ.", "HMEROM", " Ημερ.Απάντ.", "HMER_APANT"},
                                       {"Από", "APO", " Προς", "PROS"},
                                       {"Τύπος", "EIS_TYPOS_ID", " Τύπος", "EX_TYPOS_ID"},
                                       {"Πρωτ.Εισ.", "PROT_EIS", " Κοινοπ.", "KOINOP"},
                                       {"Ημερ.Εισ.", "HMER_EIS", " Παρατηρ.", "PARATHR"}};
            for (const auto& p : pairs) {
                text(15, y, 20, QString::fromUtf8(p[0]), true);
                const double h = text(35, y, 70, v(p[1]), false, true);
                text(105, y, 20, QString::fromUtf8(p[2]), true);
                y += std::max(h, text(125, y, 70, v(p[3]), false, true));
            }
            const QString d4[3][2] = {
                {QStringLiteral("Υπεύθ. Μον."), departments("R_YPEYTH", id, QStringLiteral(", "))},
                {QStringLiteral("Αντ.σε Μον."), departments("R_ANTIGRAFA", id, QStringLiteral(", "))},
                {QStringLiteral("Θέμα"), v("THEMA")}};
            for (const auto& p : d4) {
                text(15, y, 20, p[0], true);
                y += text(35, y, 160, p[1], false, true);
            }
            y += line * 0.3;
        }
        ++n;
    }
    painter.end();
    r.ms = t.nsecsElapsed() / 1e6;
    r.extraMiB = peakMiB() - before;
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

// The five statements timed by psql itself, rows dropped.
double totalsThroughPsql(const QStringList& connArgs) {
    QStringList statements;
    for (int kind = 1; kind <= 5; ++kind) statements << clsRptProtGroup::GroupStatement(kind, QString());
    return psqlMs(connArgs, statements);
}

Summary& summary() {
    static Summary s;
    return s;
}

// The whole detailed list's time per backend, for comparing PostgreSQL's with SQLite's.
QHash<QString, double>& detailedPdfMs() {
    static QHash<QString, double> ms;
    return ms;
}

void reportsOn(const QString& name, const ConnectionPtr& conn, const QString& dir, int rows, bool firstOnly,
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
        const Result firstPage =
            bestOf(3, [&] { return run(receipts, true, where, dir + QStringLiteral("/p.pdf")); });
        summary().add(QStringLiteral("%1 %2 of %3, first page").arg(name, what).arg(rows), firstPage.ms, 0,
                      QStringLiteral("<= 10 ms"));
        if (firstOnly) {
            out() << name << " " << what << " of " << rows << " entries: first preview page " << firstPage.ms
                  << " ms (" << firstPage.extraMiB << " MiB)" << Qt::endl;
            continue;
        }
        const Result whole = run(receipts, false, where, dir + QStringLiteral("/r.pdf"));
        const int perPage = receipts ? 1 : std::max(1, qRound(double(rows) / std::max(1, whole.pages)));
        const Result base = direct(conn, where, receipts, perPage, dir + QStringLiteral("/d.pdf"));
        out() << name << " " << what << " of " << rows << " entries: first preview page " << firstPage.ms
              << " ms (" << firstPage.extraMiB << " MiB); whole PDF " << whole.ms << " ms, " << whole.pages
              << " pages, peak +" << whole.extraMiB << " MiB; driver + direct painting " << base.ms << " ms, "
              << base.pages << " pages, +" << base.extraMiB << " MiB; ratio " << whole.ms / base.ms
              << Qt::endl;
        summary().add(QStringLiteral("%1 %2 PDF (ref: direct)").arg(name, what), whole.ms, base.ms,
                      QString());
        if (receipts) continue;
        detailedPdfMs().insert(name, whole.ms);
        if (name != QLatin1String("SQLite") && detailedPdfMs().contains(QStringLiteral("SQLite")))
            summary().add(QStringLiteral("%1 detailed list PDF (ref: SQLite)").arg(name), whole.ms,
                          detailedPdfMs().value(QStringLiteral("SQLite")), QStringLiteral("<= 1.0x ref"));
    }
    if (firstOnly) return;
    const double ours = totals(dir + QStringLiteral("/t.pdf"));
    const double theirs = client();
    out() << name << " totals over every entry: " << ours << " ms; the five statements through " << clientName
          << " " << theirs << " ms; ratio " << ours / theirs << Qt::endl;
    summary().add(QStringLiteral("%1 totals (ref: %2)").arg(name, clientName.section(u' ', 0, 1)), ours,
                  theirs, conn->backend() == Backend::SQLite ? QStringLiteral("<= 7000 ms") : QString());
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Times the register's reports on the registers bench_list made."));
    p.addHelpOption();
    const ServerOptions server = serverOptions(QStringLiteral("bench_list's SQLite file."));
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Entries in the list."),
                                     QStringLiteral("N"), QStringLiteral("20000"));
    const QCommandLineOption firstOpt(QStringLiteral("first-page"),
                                      QStringLiteral("Only the time to the first preview page."));
    p.addOptions({server.db, server.pg, server.pgUser, server.pgDb, rowsOpt, firstOpt});
    p.process(app);
    bool ok = false;
    const int rows = p.value(rowsOpt).toInt(&ok);
    if (!ok || rows <= 0) die(QStringLiteral("--rows takes a positive number"));

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
    const ConnectionPtr lite =
        mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), p.value(server.db));
    reportsOn(
        QStringLiteral("SQLite"), lite, dir.path(), rows, p.isSet(firstOpt),
        [&] { return totalsThroughDriver(lite); },
        QStringLiteral("the driver (the sqlite3 shell cannot open a register)"));
    if (p.isSet(server.pg)) {
        const QString s = p.value(server.pg);
        const ConnectionPtr pg =
            mustOpen(QStringLiteral("PostgreSQL"), s, p.value(server.pgDb), p.value(server.pgUser));
        const QStringList connArgs = psqlArgs(s, p.value(server.pgUser), p.value(server.pgDb));
        reportsOn(
            QStringLiteral("PostgreSQL"), pg, dir.path(), rows, p.isSet(firstOpt),
            [&] { return totalsThroughPsql(connArgs); }, QStringLiteral("psql"));
    }
    summary().print();
    // The session's connection goes before the application object, or its driver outlives Qt SQL.
    modDeclare::gConn.reset();
    return 0;
}
