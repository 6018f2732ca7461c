// Times the register's list statements through Recordset, through the keyed list (ListRecordset)
// and straight through QSqlQuery.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>

#include "BenchSupport.h"
#include "ClientRefs.h"
#include "Connection.h"
#include "Err.h"
#include "FieldCondBuilder.h"
#include "ListRecordset.h"
#include "Recordset.h"
#include "RegisterSchema.h"
#include "SqlDialect.h"

using namespace Bench;

namespace {

constexpr int kYears = 5;
constexpr int kFirstYear = 2020;
constexpr int kBatchRows = 200;     // rows per multi-row INSERT
constexpr int kCommitRows = 50000;  // rows per transaction
constexpr int kRepeats = 3;

Summary& summary() {
    static Summary s;
    return s;
}

qint64 countRows(const ConnectionPtr& conn) {
    QSqlQuery q(conn->database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM PROTOCOL")) || !q.next()) return -1;
    return q.value(0).toLongLong();
}

// Small word lists; some subjects contain the searched word in varied case and accents, others
// only near misses (another case ending) so that the search must really look.
const QStringList kApo{QStringLiteral("Δήμος Αθηναίων"),     QStringLiteral("Υπουργείο Εσωτερικών"),
                       QStringLiteral("Περιφέρεια Αττικής"), QStringLiteral("ΚΕΠ Πειραιά"),
                       QStringLiteral("Εφορία Καλλιθέας"),   QStringLiteral("Νοσοκομείο Ευαγγελισμός"),
                       QStringLiteral("Σύλλογος Γονέων"),    QStringLiteral("Ιδιώτης")};
const QStringList kPros{QStringLiteral("Διεύθυνση Οικονομικών"), QStringLiteral("Τμήμα Προμηθειών"),
                        QStringLiteral("Γραφείο Δημάρχου"),      QStringLiteral("Τεχνική Υπηρεσία"),
                        QStringLiteral("Νομική Υπηρεσία"),       QStringLiteral("Τμήμα Προσωπικού")};
const QStringList kThemaHead{QStringLiteral("Προκήρυξη"),    QStringLiteral("Αποτελέσματα για"),
                             QStringLiteral("Ενημέρωση:"),   QStringLiteral("Αίτημα σχετικά με"),
                             QStringLiteral("Διαβιβαστικό"), QStringLiteral("ΑΠΑΝΤΗΣΗ ΣΕ")};
const QStringList kThemaNoun{QStringLiteral("διαγωνισμός"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"),
                             QStringLiteral("Διαγωνισμος"), QStringLiteral("ΔιαγωνισμΌς"),
                             QStringLiteral("διαγωνισμού"), QStringLiteral("προμήθεια"),
                             QStringLiteral("άδεια"),       QStringLiteral("μισθοδοσία"),
                             QStringLiteral("σύμβαση"),     QStringLiteral("ΕΡΓΟ")};
const QStringList kThemaTail{QStringLiteral("υλικών καθαριότητας"), QStringLiteral("οδοποιίας 2ου τμήματος"),
                             QStringLiteral("ηλεκτρονικών υπολογιστών"),
                             QStringLiteral("συντήρησης πρασίνου"), QStringLiteral("")};

QList<int> typeIds(const ConnectionPtr& conn) {
    QSqlQuery q(conn->database());
    QList<int> ids;
    if (q.exec(QStringLiteral("SELECT ID FROM L_TYPOI ORDER BY ID")))
        while (q.next()) ids << q.value(0).toInt();
    if (!ids.isEmpty()) return ids;
    QSqlQuery ins(conn->database());
    ins.prepare(QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR) VALUES (?, ?)"));
    const QStringList codes{QStringLiteral("ΕΓΓ"), QStringLiteral("FAX"), QStringLiteral("EMAIL"),
                            QStringLiteral("ΔΙΑΥΓ")};
    for (const QString& c : codes) {
        ins.addBindValue(c);
        ins.addBindValue(QString(QStringLiteral("Τύπος ") + c));
        if (!ins.exec()) die(QStringLiteral("L_TYPOI: ") + ins.lastError().text());
    }
    return typeIds(conn);
}

QString insertSql(int rows) {
    QString sql = QStringLiteral(
        "INSERT INTO PROTOCOL (ETOS, PROT_AA, HMEROM, APO, EIS_TYPOS_ID, PROT_EIS, HMER_EIS, PROS,"
        " EX_TYPOS_ID, THEMA, MODFLAG, MODUSER) VALUES ");
    for (int i = 0; i < rows; ++i)
        sql += (i ? QStringLiteral(",") : QString()) + QStringLiteral("(?,?,?,?,?,?,?,?,?,?,?,?)");
    return sql;
}

// N entries spread evenly over kYears years, numbered per year in date order.
void fill(const ConnectionPtr& conn, int rows) {
    QElapsedTimer timer;
    timer.start();
    const QList<int> types = typeIds(conn);
    std::mt19937 rng(1253);
    auto pick = [&rng](const QStringList& list) -> const QString& {
        return list.at(int(rng() % unsigned(list.size())));
    };
    QSqlDatabase db = conn->database();
    QSqlQuery full(db);
    if (!full.prepare(insertSql(kBatchRows))) die(QStringLiteral("prepare: ") + full.lastError().text());
    const int perYear = (rows + kYears - 1) / kYears;
    int done = 0, inBatch = 0, inTrans = 0;
    QVariantList pending;
    pending.reserve(kBatchRows * 12);
    auto flush = [&](bool commit) {
        if (inBatch > 0) {
            QSqlQuery tail(db);
            QSqlQuery& q = inBatch == kBatchRows ? full : tail;
            if (&q == &tail && !tail.prepare(insertSql(inBatch)))
                die(QStringLiteral("prepare: ") + tail.lastError().text());
            for (const QVariant& v : pending) q.addBindValue(v);
            if (!q.exec()) die(QStringLiteral("insert: ") + q.lastError().text());
            pending.clear();
            inBatch = 0;
        }
        if (commit && inTrans > 0) {
            if (!db.commit()) die(QStringLiteral("commit: ") + db.lastError().text());
            inTrans = 0;
        }
    };
    for (int y = 0; y < kYears && done < rows; ++y) {
        const QDate jan1(kFirstYear + y, 1, 1);
        const int days = jan1.daysInYear();
        for (int aa = 1; aa <= perYear && done < rows; ++aa, ++done) {
            if (inTrans == 0 && !db.transaction()) die(QStringLiteral("begin: ") + db.lastError().text());
            const QDate day = jan1.addDays(qint64(aa - 1) * days / perYear);
            const bool incoming = rng() % 3 != 0;
            const QString thema =
                pick(kThemaHead) + QLatin1Char(' ') + pick(kThemaNoun) + QLatin1Char(' ') + pick(kThemaTail);
            pending << jan1.year() << aa << day << (incoming ? QVariant(pick(kApo)) : QVariant())
                    << (incoming ? QVariant(types.at(int(rng() % unsigned(types.size())))) : QVariant())
                    << (incoming ? QVariant(QString::number(rng() % 90000 + 1000)) : QVariant())
                    << (incoming ? QVariant(day.addDays(-int(rng() % 10))) : QVariant())
                    << (incoming ? QVariant() : QVariant(pick(kPros)))
                    << (incoming ? QVariant() : QVariant(types.at(int(rng() % unsigned(types.size())))))
                    << thema.trimmed() << QString(rng() % 100 == 0 ? QLatin1Char('D') : QLatin1Char('N'))
                    << 1;
            ++inTrans;
            if (++inBatch == kBatchRows) flush(false);
            if (inTrans >= kCommitRows) flush(true);
        }
    }
    flush(true);
    const double seconds = timer.elapsed() / 1000.0;
    out() << "  filled " << done << " rows in " << seconds << " s" << Qt::endl;
    summary().add(conn->dialect().name() + QStringLiteral(" fill, rows/s %1").arg(qRound(done / seconds)),
                  seconds * 1000, 0, QStringLiteral("insert cost"));
}

ConnectionPtr sqliteRegister(const QString& path, int rows) {
    if (QFileInfo::exists(path)) {
        ConnectionPtr conn = openConn(QStringLiteral("SQLite"), QStringLiteral("localhost"), path);
        if (conn->IsOpen() && countRows(conn) >= rows) {
            out() << "  reusing " << path << Qt::endl;
            return conn;
        }
        conn->Close();
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot create ") + path);
    file.close();
    ConnectionPtr conn = openConn(QStringLiteral("SQLite"), QStringLiteral("localhost"), path);
    if (!conn->IsOpen()) die(conn->LastErrorText());
    makeSchema(conn);
    fill(conn, rows);
    return conn;
}

// A register made before the stored folds gets them as the schema upgrade gives them.
void addFoldedColumns(const ConnectionPtr& conn) {
    QSqlQuery q(conn->database());
    if (!q.exec(QStringLiteral("SELECT upper(column_name) FROM information_schema.columns"
                               " WHERE table_schema = current_schema() AND table_name = 'protocol'")))
        die(q.lastError().text());
    QStringList columns, missing;
    while (q.next()) columns << q.value(0).toString();
    for (const QString& c : PgFoldedColumns())
        if (columns.contains(c) && !columns.contains(PgFoldedColumn(c))) missing << c;
    if (missing.isEmpty()) return;
    QElapsedTimer t;
    t.start();
    for (const QString& sql : PgFoldedColumnsSql(missing))
        if (!conn->Execute(sql)) die(conn->LastErrorText());
    QSqlQuery(conn->database()).exec(QStringLiteral("ANALYZE PROTOCOL"));
    out() << "  added the stored folds of " << missing.size() << " columns in " << t.elapsed() / 1000.0
          << " s" << Qt::endl;
    summary().add(QStringLiteral("PostgreSQL upgrade: stored folds"), t.elapsed(), 0, QString());
}

ConnectionPtr pgRegister(const QString& server, const QString& user, const QString& name, int rows) {
    ConnectionPtr admin = openConn(QStringLiteral("PostgreSQL"), server, QStringLiteral("postgres"), user);
    if (!admin->IsOpen()) die(admin->LastErrorText());
    QSqlQuery q(admin->database());
    if (!q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(name)))
        die(q.lastError().text());
    if (q.next()) {
        ConnectionPtr conn = openConn(QStringLiteral("PostgreSQL"), server, name, user);
        if (conn->IsOpen() && countRows(conn) >= rows) {
            out() << "  reusing database " << name << " on " << server << Qt::endl;
            addFoldedColumns(conn);
            return conn;
        }
        conn->Close();
        if (!admin->Execute(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name)))
            die(admin->LastErrorText());
    }
    // A UTF-8 ctype, as the installation program makes it.
    if (!admin->Execute(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8'"
                                       " LC_CTYPE 'C.UTF-8' TEMPLATE template0")
                            .arg(name)))
        die(admin->LastErrorText());
    admin->Close();
    ConnectionPtr conn = openConn(QStringLiteral("PostgreSQL"), server, name, user);
    if (!conn->IsOpen()) die(conn->LastErrorText());
    makeSchema(conn);
    fill(conn, rows);
    QSqlQuery(conn->database()).exec(QStringLiteral("ANALYZE"));
    return conn;
}

struct Statement {
    QString label;
    QString sql;
};

QList<Statement> statements(const ConnectionPtr& conn, int max) {
    const int year = kFirstYear + kYears - 1;
    const QString head = QStringLiteral(
                             "SELECT TOP %1 P.*, EIS.CODE as EIS_TYPOS_CODE, EX.CODE as EX_TYPOS_CODE "
                             " FROM PROTOCOL P LEFT JOIN L_TYPOI EIS ON EIS.ID = P.EIS_TYPOS_ID LEFT JOIN "
                             "L_TYPOI EX ON EX.ID = P.EX_TYPOS_ID WHERE ")
                             .arg(max);
    // L_TYPOI has a MODFLAG too, so the soft-delete test names its table.
    const QString live = QStringLiteral(" AND (P.MODFLAG<>'D')");
    // The condition builders write for the active dialect, that of the last connection opened.
    SqlDialect::setActive(conn->backend());
    QString contains;
    FieldCondBuilder::FieldCond(QStringLiteral("THEMA"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"), 5, 0, 0, nullptr, {},
                                contains);
    const SqlDialect& d = conn->dialect();
    const QString range =
        QStringLiteral("(HMEROM >= %1 AND HMEROM < %2)")
            .arg(d.dateLiteral(QDate(year, 3, 1)), d.dateLiteral(QDate(year, 6, 30).addDays(1)));
    return {
        {QStringLiteral("default list"),
         head + QStringLiteral("ETOS=%1").arg(year) + live + QStringLiteral(" ORDER BY PROT_AA")},
        {QStringLiteral("THEMA contains"), head + QLatin1Char('(') + contains + QLatin1Char(')') + live +
                                               QStringLiteral(" ORDER BY ETOS, PROT_AA")},
        {QStringLiteral("HMEROM range"), head + range + live + QStringLiteral(" ORDER BY ETOS, PROT_AA")},
    };
}

struct Run {
    int rows = 0;
    double ms = 0;
    double openMs = 0;  // Recordset only: Open and RecordCount
    double peak = 0;
    quint64 check = 0;  // keeps the reads from being optimised away
};

Run viaRecordset(const ConnectionPtr& conn, const QString& sql) {
    Run r;
    resetPeak();
    QElapsedTimer t;
    t.start();
    {
        Recordset rs;
        if (!rs.Open(sql, conn)) die(QStringLiteral("Recordset: ") + conn->LastErrorText());
        r.rows = rs.RecordCount();
        r.openMs = t.nsecsElapsed() / 1e6;
        const int fields = rs.FieldCount();
        while (!rs.Eof()) {
            for (int i = 0; i < fields; ++i) r.check += quint64(rs.Value(i).typeId());
            rs.MoveNext();
        }
        r.ms = t.nsecsElapsed() / 1e6;
        r.peak = peakMiB();
    }
    return r;
}

Run viaQuery(const ConnectionPtr& conn, const QString& sql) {
    Run r;
    resetPeak();
    QElapsedTimer t;
    t.start();
    {
        QSqlQuery q(conn->database());
        q.setForwardOnly(true);
        if (!q.exec(conn->dialect().adapt(sql))) die(QStringLiteral("QSqlQuery: ") + q.lastError().text());
        const int fields = q.record().count();
        while (q.next()) {
            for (int i = 0; i < fields; ++i) r.check += quint64(q.value(i).typeId());
            ++r.rows;
        }
        r.ms = t.nsecsElapsed() / 1e6;
        r.peak = peakMiB();
    }
    return r;
}

void measure(const QString& backend, const ConnectionPtr& conn, int max) {
    for (const Statement& s : statements(conn, max)) {
        const Run rs = bestOf(kRepeats, [&] { return viaRecordset(conn, s.sql); });
        const Run q = bestOf(kRepeats, [&] { return viaQuery(conn, s.sql); });
        if (rs.rows != q.rows) die(QStringLiteral("%1 %2: row counts differ").arg(backend, s.label));
        out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                     .arg(backend, -10)
                     .arg(s.label, -15)
                     .arg(rs.rows, 7)
                     .arg(rs.openMs, 9, 'f', 1)
                     .arg(rs.ms, 9, 'f', 1)
                     .arg(q.ms, 9, 'f', 1)
                     .arg(q.ms > 0 ? rs.ms / q.ms : 0, 6, 'f', 2)
                     .arg(rs.peak, 10, 'f', 1)
                     .arg(q.peak, 10, 'f', 1)
              << Qt::endl;
    }
}

// The list page's statements: the statement, its order and the list's limit apart, as the form
// hands them to the list.
struct ListStatement {
    QString label;
    QString sql;
    QString order;
};

QList<ListStatement> listStatements(const ConnectionPtr& conn) {
    const int year = kFirstYear + kYears - 1;
    SqlDialect::setActive(conn->backend());
    QString contains;
    FieldCondBuilder::FieldCond(QStringLiteral("THEMA"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"), 5, 0, 0, nullptr, {},
                                contains);
    return {
        {QStringLiteral("default list"),
         QStringLiteral("SELECT * FROM PROTOCOL WHERE (ETOS=%1) AND ((MODFLAG<>'D'))").arg(year),
         QStringLiteral("PROT_AA")},
        {QStringLiteral("search"),
         QStringLiteral("SELECT P.*, EIS.CODE as EIS_TYPOS_CODE, EX.CODE as EX_TYPOS_CODE  FROM PROTOCOL P"
                        " LEFT JOIN L_TYPOI EIS ON EIS.ID = P.EIS_TYPOS_ID LEFT JOIN L_TYPOI EX ON EX.ID ="
                        " P.EX_TYPOS_ID WHERE (") +
             contains + QStringLiteral(") AND (P.MODFLAG<>'D')"),
         QStringLiteral("PROT_AA")},
    };
}

// The same rows in one statement: TOP at its head, the order at its end (the key breaking ties, as
// in the list).
QString directSql(const ListStatement& s, int max) {
    return QStringLiteral("SELECT TOP %1 ").arg(max) + s.sql.mid(7) + QStringLiteral(" ORDER BY ") + s.order +
           QStringLiteral(", ID");
}

// What a grid shows first.
constexpr int kFirstRows = 40;

struct ListRun {
    int rows = 0;
    double firstMs = 0;  // to the first kFirstRows rows read
    double ms = 0;       // every value of every row
    double peak = 0;
    int held = 0;
    int blocks = 0;
    quint64 check = 0;
};

ListRun viaList(const ConnectionPtr& conn, const ListStatement& s, int max, bool walk) {
    ListRun r;
    resetPeak();
    QElapsedTimer t;
    t.start();
    {
        ListRecordset list;
        if (!list.Open(conn, s.sql, QStringLiteral("ID"), s.order, max))
            die(QStringLiteral("ListRecordset: ") + conn->LastErrorText());
        if (!list.keyed()) die(QStringLiteral("ListRecordset: fell back to a snapshot"));
        // The first screen needs only the first keys; reading it all needs the rest.
        r.rows = walk ? list.rowCount() : list.rowsAvailable();
        const int fields = list.fieldCount();
        const int upTo = walk ? r.rows : std::min(r.rows, kFirstRows);
        for (int row = 0; row < upTo; ++row) {
            for (int i = 0; i < fields; ++i) r.check += quint64(list.value(row, i).typeId());
            if (row + 1 == kFirstRows) r.firstMs = t.nsecsElapsed() / 1e6;
        }
        r.ms = t.nsecsElapsed() / 1e6;
        if (r.rows < kFirstRows) r.firstMs = r.ms;
        r.peak = peakMiB();
        r.held = list.mostRowsHeld();
        r.blocks = list.blocksRead();
    }
    return r;
}

ListRun viaQueryRows(const ConnectionPtr& conn, const QString& sql, bool walk) {
    ListRun r;
    resetPeak();
    QElapsedTimer t;
    t.start();
    {
        QSqlQuery q(conn->database());
        q.setForwardOnly(true);
        if (!q.exec(conn->dialect().adapt(sql))) die(QStringLiteral("QSqlQuery: ") + q.lastError().text());
        const int fields = q.record().count();
        while ((walk || r.rows < kFirstRows) && q.next()) {
            for (int i = 0; i < fields; ++i) r.check += quint64(q.value(i).typeId());
            if (++r.rows == kFirstRows) r.firstMs = t.nsecsElapsed() / 1e6;
        }
        r.ms = t.nsecsElapsed() / 1e6;
        if (r.rows < kFirstRows) r.firstMs = r.ms;
        r.peak = peakMiB();
    }
    return r;
}

// The C client's read of the same statement, for the whole-list target; the values of the key
// column kept when one is named.
using ClientRead = std::function<ClientRefs::Read(const QString& sql, const QString& key)>;

// The keys of the list's rows in its order, read apart from the timed runs.
QList<qint64> listKeys(const ConnectionPtr& conn, const ListStatement& s, int max) {
    ListRecordset list;
    if (!list.Open(conn, s.sql, QStringLiteral("ID"), s.order, max))
        die(QStringLiteral("ListRecordset: ") + conn->LastErrorText());
    const int id = list.fieldIndex(QStringLiteral("ID"));
    if (id < 0) die(QStringLiteral("ListRecordset: no ID column"));
    QList<qint64> keys;
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) keys << list.value(row, id).toLongLong();
    return keys;
}

void measureList(const QString& backend, const ConnectionPtr& conn, int max, const ClientRead& client) {
    for (const ListStatement& s : listStatements(conn)) {
        const QString direct = directSql(s, max);
        const ListRun l40 = bestOf(kRepeats, [&] { return viaList(conn, s, max, false); });
        const ListRun q40 = bestOf(kRepeats, [&] { return viaQueryRows(conn, direct, false); });
        const ListRun l = bestOf(kRepeats, [&] { return viaList(conn, s, max, true); });
        const ListRun q = bestOf(kRepeats, [&] { return viaQueryRows(conn, direct, true); });
        if (l.rows != q.rows) die(QStringLiteral("%1 %2: row counts differ").arg(backend, s.label));
        summary().add(backend + QLatin1Char(' ') + s.label + QStringLiteral(", first 40"), l40.firstMs,
                      q40.firstMs, QStringLiteral("<= 3 ms"));
        summary().add(backend + QLatin1Char(' ') + s.label + QStringLiteral(", all"), l.ms, q.ms, QString());
        const QString adapted = conn->dialect().adapt(direct);
        const ClientRefs::Read c = bestOf(kRepeats, [&] { return client(adapted, {}); });
        if (c.ms < 0) die(backend + QStringLiteral(" C client: ") + c.text);
        // The same rows in the same order, not only as many.
        const ClientRefs::Read keyed = client(adapted, QStringLiteral("ID"));
        if (keyed.ms < 0) die(backend + QStringLiteral(" C client: ") + keyed.text);
        const QList<qint64> ours = listKeys(conn, s, max);
        if (c.rows != l.rows || keyed.keys != ours)
            die(QStringLiteral("%1 %2: the C client's rows differ (%3 against the list's %4)")
                    .arg(backend, s.label)
                    .arg(keyed.keys.size())
                    .arg(ours.size()));
        summary().add(backend + QLatin1Char(' ') + s.label + QStringLiteral(", all (ref: C client)"), l.ms,
                      c.ms, QStringLiteral("<= 2x ref"));
        out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                     .arg(backend, -10)
                     .arg(s.label, -13)
                     .arg(l.rows, 6)
                     .arg(l40.firstMs, 8, 'f', 1)
                     .arg(q40.firstMs, 8, 'f', 1)
                     .arg(q40.firstMs > 0 ? l40.firstMs / q40.firstMs : 0, 6, 'f', 2)
                     .arg(l.ms, 8, 'f', 1)
                     .arg(q.ms, 8, 'f', 1)
                     .arg(q.ms > 0 ? l.ms / q.ms : 0, 6, 'f', 2)
              << QStringLiteral(" %1 %2 %3 %4")
                     .arg(l.held, 5)
                     .arg(l.blocks, 6)
                     .arg(l.peak, 9, 'f', 1)
                     .arg(q.peak, 9, 'f', 1)
              << Qt::endl;
    }
}

void listHeader() {
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                 .arg(QStringLiteral("backend"), -10)
                 .arg(QStringLiteral("statement"), -13)
                 .arg(QStringLiteral("rows"), 6)
                 .arg(QStringLiteral("list 40"), 8)
                 .arg(QStringLiteral("q 40"), 8)
                 .arg(QStringLiteral("ratio"), 6)
                 .arg(QStringLiteral("list all"), 8)
                 .arg(QStringLiteral("q all"), 8)
                 .arg(QStringLiteral("ratio"), 6)
          << QStringLiteral(" %1 %2 %3 %4")
                 .arg(QStringLiteral("held"), 5)
                 .arg(QStringLiteral("blocks"), 6)
                 .arg(QStringLiteral("l HWM MiB"), 9)
                 .arg(QStringLiteral("q HWM MiB"), 9)
          << Qt::endl;
}

void header() {
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                 .arg(QStringLiteral("backend"), -10)
                 .arg(QStringLiteral("statement"), -15)
                 .arg(QStringLiteral("rows"), 7)
                 .arg(QStringLiteral("rs open"), 9)
                 .arg(QStringLiteral("rs all"), 9)
                 .arg(QStringLiteral("query"), 9)
                 .arg(QStringLiteral("ratio"), 6)
                 .arg(QStringLiteral("rs HWM MiB"), 10)
                 .arg(QStringLiteral("q HWM MiB"), 10)
          << Qt::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Times the register's list statements: Recordset and the keyed list against QSqlQuery."));
    p.addHelpOption();
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Entries in PROTOCOL."),
                                     QStringLiteral("N"), QStringLiteral("1000000"));
    const ServerOptions server = serverOptions(QStringLiteral("SQLite file (created or reused)."));
    const QCommandLineOption& dbOpt = server.db;
    const QCommandLineOption& pgOpt = server.pg;
    const QCommandLineOption& pgUserOpt = server.pgUser;
    const QCommandLineOption& pgDbOpt = server.pgDb;
    const QCommandLineOption maxOpt(QStringLiteral("max"), QStringLiteral("The list limit."),
                                    QStringLiteral("N"), QStringLiteral("20000"));
    p.addOptions({rowsOpt, dbOpt, pgOpt, pgUserOpt, pgDbOpt, maxOpt});
    p.process(app);
    bool ok1 = false, ok2 = false;
    const int rows = p.value(rowsOpt).toInt(&ok1);
    const int max = p.value(maxOpt).toInt(&ok2);
    if (!ok1 || !ok2 || rows <= 0 || max <= 0) die(QStringLiteral("--rows and --max take positive numbers"));

    out() << "SQLite " << p.value(dbOpt) << Qt::endl;
    ConnectionPtr lite = sqliteRegister(p.value(dbOpt), rows);
    ConnectionPtr pg;
    if (p.isSet(pgOpt)) {
        out() << "PostgreSQL " << p.value(pgOpt) << Qt::endl;
        pg = pgRegister(p.value(pgOpt), p.value(pgUserOpt), p.value(pgDbOpt), rows);
    }
    if (!resetPeak()) out() << "(no peaks: /proc/self/statm cannot be read)" << Qt::endl;
    out() << "times in ms, best of " << kRepeats << "; ratio = rs all / query" << Qt::endl;
    header();
    measure(QStringLiteral("SQLite"), lite, max);
    if (pg) measure(QStringLiteral("PostgreSQL"), pg, max);

    out() << Qt::endl
          << "the keyed list (ListRecordset, key ID, blocks of " << ListRecordset::Options{}.blockSize << ", "
          << ListRecordset::Options{}.keptBlocks
          << " kept) against a forward-only QSqlQuery of the same rows;" << Qt::endl
          << "40 = open and read the first " << kFirstRows << " rows, all = every value of every row;"
          << " held = most rows held" << Qt::endl;
    listHeader();
    const QString path = p.value(dbOpt);
    measureList(QStringLiteral("SQLite"), lite, max,
                [&](const QString& sql, const QString& key) { return ClientRefs::sqliteCRead(path, sql, key); });
    const QString info = ClientRefs::conninfo(p.value(pgOpt), p.value(pgUserOpt), p.value(pgDbOpt));
    if (pg)
        measureList(QStringLiteral("PostgreSQL"), pg, max,
                    [&](const QString& sql, const QString& key) { return ClientRefs::pgCRead(info, sql, key); });
    summary().print();
    // The connections go before the application object, or their drivers outlive Qt SQL.
    lite.reset();
    pg.reset();
    return 0;
}
