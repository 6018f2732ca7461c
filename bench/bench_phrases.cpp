// Times the phrase picker's list as a user types a description one character at a time, over a
// lookup table of many phrases: frmPhrases::Fill (statement, record set, grid and its repaint)
// next to the same statement run straight through QSqlQuery.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <random>

#include "BenchSupport.h"
#include "Connection.h"
#include "Err.h"
#include "RegisterSchema.h"
#include "StrHelper.h"
#include "frmPhrases.h"
#include "modDeclare.h"

using namespace Bench;

namespace {

constexpr int kRepeats = 5;
constexpr int kBatchRows = 500;

// Phrases as an office keeps them: a few dozen openings in varied case and accents, then words and
// a number, so that each further character typed narrows the list.
const QStringList kHeads{
    QStringLiteral("Αποστολή"),    QStringLiteral("αποστολή"),     QStringLiteral("ΑΠΟΣΤΟΛΗ"),
    QStringLiteral("Απόφαση"),     QStringLiteral("Απάντηση"),     QStringLiteral("Αίτηση"),
    QStringLiteral("Ανακοίνωση"),  QStringLiteral("Αναφορά"),      QStringLiteral("Βεβαίωση"),
    QStringLiteral("Γνωμοδότηση"), QStringLiteral("Διαβιβαστικό"), QStringLiteral("Διαγωνισμός"),
    QStringLiteral("Έγκριση"),     QStringLiteral("Ενημέρωση"),    QStringLiteral("Εντολή"),
    QStringLiteral("Θεώρηση"),     QStringLiteral("Καταγγελία"),   QStringLiteral("Κοινοποίηση"),
    QStringLiteral("Μισθοδοσία"),  QStringLiteral("Παραλαβή"),     QStringLiteral("Πρόσκληση"),
    QStringLiteral("Προκήρυξη"),   QStringLiteral("Σύμβαση"),      QStringLiteral("Υπόμνημα"),
    QStringLiteral("Application"), QStringLiteral("Report")};
const QStringList kMiddles{QStringLiteral("εγγράφων"),   QStringLiteral("εγγράφου"),
                           QStringLiteral("στοιχείων"),  QStringLiteral("δικαιολογητικών"),
                           QStringLiteral("προσφορών"),  QStringLiteral("αδείας"),
                           QStringLiteral("ΠΡΟΣΩΠΙΚΟΥ"), QStringLiteral("υλικών"),
                           QStringLiteral("μελέτης"),    QStringLiteral("πρακτικού")};
const QStringList kTails{
    QStringLiteral("προς το Υπουργείο"), QStringLiteral("στη Διεύθυνση"), QStringLiteral("του Δήμου"),
    QStringLiteral("για έλεγχο"),        QStringLiteral("σε ΦΕΚ"),        QStringLiteral("")};

void fill(const ConnectionPtr& conn, int rows) {
    QElapsedTimer timer;
    timer.start();
    std::mt19937 rng(1253);
    auto pick = [&rng](const QStringList& list) -> const QString& {
        return list.at(int(rng() % unsigned(list.size())));
    };
    if (!conn->BeginTrans()) die(conn->LastErrorText());
    for (int done = 0; done < rows;) {
        QString sql = QStringLiteral("INSERT INTO L_PHRASES (DESCR) VALUES ");
        for (int i = 0; i < kBatchRows && done < rows; ++i, ++done) {
            const QString descr = pick(kHeads) + u' ' + pick(kMiddles) + u' ' + pick(kTails) +
                                  QStringLiteral(" αρ. ") + QString::number(done + 1);
            sql += (i ? QStringLiteral(",(") : QStringLiteral("(")) + StrHelper::SqlValue(descr) + u')';
        }
        if (!conn->Execute(sql)) die(conn->LastErrorText());
    }
    if (!conn->CommitTrans()) die(conn->LastErrorText());
    out() << "  filled " << rows << " phrases in " << timer.elapsed() / 1000.0 << " s" << Qt::endl;
}

ConnectionPtr sqliteRegister(const QString& path, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot create ") + path);
    file.close();
    ConnectionPtr conn = openConn(QStringLiteral("SQLite"), QStringLiteral("localhost"), path);
    if (!conn->IsOpen()) die(conn->LastErrorText());
    makeSchema(conn);
    fill(conn, rows);
    conn->Execute(QStringLiteral("ANALYZE"));
    return conn;
}

ConnectionPtr pgRegister(const QString& server, const QString& user, const QString& name, int rows) {
    ConnectionPtr admin = openConn(QStringLiteral("PostgreSQL"), server, QStringLiteral("postgres"), user);
    if (!admin->IsOpen()) die(admin->LastErrorText());
    if (!admin->Execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) ||
        !admin->Execute(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8'"
                                       " LC_CTYPE 'C.UTF-8' TEMPLATE template0")
                            .arg(name)))
        die(admin->LastErrorText());
    admin->Close();
    ConnectionPtr conn = openConn(QStringLiteral("PostgreSQL"), server, name, user);
    if (!conn->IsOpen()) die(conn->LastErrorText());
    makeSchema(conn);
    fill(conn, rows);
    // As autovacuum leaves a table that is read far more than written: its pages all visible.
    conn->Execute(QStringLiteral("VACUUM ANALYZE L_PHRASES"));
    return conn;
}

// The picker's statement for a typed text.
QString statement(const ConnectionPtr& conn, const QString& typed) {
    return frmPhrases::FillSql(QStringLiteral("L_PHRASES"), typed, QStringLiteral("DESCR"), true, conn->dialect());
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// Runs the statement and reads every row, as the record set does; returns the row count.
int direct(const ConnectionPtr& conn, const QString& sql) {
    QSqlQuery q(conn->database());
    q.setForwardOnly(true);
    if (!q.exec(sql)) die(q.lastError().text());
    int rows = 0;
    while (q.next()) {
        q.value(0);
        q.value(1);
        ++rows;
    }
    return rows;
}

void showPlan(const ConnectionPtr& conn, const QString& typed) {
    const bool pg = conn->backend() == Backend::PostgreSQL;
    QSqlQuery q(conn->database());
    if (!q.exec((pg ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) +
                statement(conn, typed)))
        return;
    out() << "  plan for \"" << typed << "\":" << Qt::endl;
    while (q.next()) out() << "    " << q.value(pg ? 0 : 3).toString() << Qt::endl;
}

Summary& summary() {
    static Summary s;
    return s;
}

void run(const ConnectionPtr& conn, const QString& word) {
    modDeclare::gConn = conn;
    frmPhrases dlg;
    dlg.Init(QStringLiteral("L_PHRASES"), QStringLiteral("Επιλογή φράσης"));
    dlg.show();
    QApplication::processEvents();

    showPlan(conn, word.left(3));
    out() << QStringLiteral("  %1 %2 %3 %4 %5")
                 .arg(QStringLiteral("typed"), -22)
                 .arg(QStringLiteral("rows"), 7)
                 .arg(QStringLiteral("Fill ms"), 9)
                 .arg(QStringLiteral("query ms"), 9)
                 .arg(QStringLiteral("ratio"), 6)
          << Qt::endl;
    double worst = 0, total = 0;
    for (int n = 0; n <= word.size(); ++n) {
        const QString typed = word.left(n);
        const QString sql = statement(conn, typed);
        QList<double> fills, queries;
        int rows = 0;
        for (int r = 0; r < kRepeats; ++r) {
            // Start from the text before this keystroke, as the user does.
            {
                const QSignalBlocker quiet(dlg.txt[0]);
                dlg.txt[0]->setText(n > 0 ? word.left(n - 1) : QStringLiteral("-"));
            }
            QElapsedTimer t;
            t.start();
            dlg.txt[0]->setText(typed);     // the change runs Fill
            QApplication::processEvents();  // the grid's repaint belongs to the keystroke
            fills << t.nsecsElapsed() / 1e6;
            t.restart();
            rows = direct(conn, sql);
            queries << t.nsecsElapsed() / 1e6;
        }
        const double f = median(fills), q = median(queries);
        worst = std::max(worst, f);
        total += f;
        if (dlg.tdbg->model()->rowCount() != rows) die(QStringLiteral("the grid and the query disagree"));
        out() << QStringLiteral("  %1 %2 %3 %4 %5")
                     .arg(QLatin1Char('"') + typed + QLatin1Char('"'), -22)
                     .arg(rows, 7)
                     .arg(f, 9, 'f', 2)
                     .arg(q, 9, 'f', 2)
                     .arg(q > 0 ? f / q : 0.0, 6, 'f', 2)
              << Qt::endl;
    }
    summary().add(conn->dialect().name() + QStringLiteral(" phrase picker, slowest keystroke"), worst, 0,
                  QStringLiteral("<= 50 ms"));
    out() << QStringLiteral("  slowest keystroke %1 ms, mean %2 ms")
                 .arg(worst, 0, 'f', 1)
                 .arg(total / (word.size() + 1), 0, 'f', 1)
          << Qt::endl;
    modDeclare::gConn.reset();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the phrase picker while typing."));
    parser.addHelpOption();
    QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Phrases in the table (50000)."),
                               QStringLiteral("n"), QStringLiteral("50000"));
    QCommandLineOption pgOpt(QStringLiteral("pg"), QStringLiteral("Also on PostgreSQL at host:port."),
                             QStringLiteral("server"));
    QCommandLineOption userOpt(QStringLiteral("pg-user"), QStringLiteral("PostgreSQL user (postgres)."),
                               QStringLiteral("user"), QStringLiteral("postgres"));
    QCommandLineOption wordOpt(QStringLiteral("type"), QStringLiteral("The text typed (αποστολή εγγράφων)."),
                               QStringLiteral("text"), QStringLiteral("αποστολή εγγράφων"));
    QCommandLineOption dbOpt(QStringLiteral("pg-db"), QStringLiteral("PostgreSQL database, made anew (bench_phrases)."),
                             QStringLiteral("name"), QStringLiteral("bench_phrases"));
    parser.addOptions({rowsOpt, pgOpt, userOpt, wordOpt, dbOpt});
    parser.process(app);
    const int rows = parser.value(rowsOpt).toInt();
    const QString word = parser.value(wordOpt);
    if (rows <= 0) die(QStringLiteral("--rows must be a positive number"));

    QTemporaryDir dir;
    out() << "SQLite, " << rows << " phrases" << Qt::endl;
    {
        ConnectionPtr conn = sqliteRegister(dir.filePath(QStringLiteral("phrases.db")), rows);
        run(conn, word);
        conn->Close();
    }
    if (parser.isSet(pgOpt)) {
        out() << "PostgreSQL " << parser.value(pgOpt) << ", " << rows << " phrases" << Qt::endl;
        ConnectionPtr conn = pgRegister(parser.value(pgOpt), parser.value(userOpt), parser.value(dbOpt), rows);
        run(conn, word);
        conn->Close();
    }
    summary().print();
    return 0;
}
