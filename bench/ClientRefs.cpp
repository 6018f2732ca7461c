#include "ClientRefs.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstring>

#include "SqliteSupport.h"

namespace ClientRefs {

namespace {

int compareBytes(void*, int na, const void* a, int nb, const void* b) {
    const int c = std::memcmp(a, b, size_t(na < nb ? na : nb));
    return c != 0 ? c : na - nb;
}

// The register's own collation and LIKE, as the program's connections get them; SQLite's LIKE
// (folding ASCII only) with a byte-wise stand-in collation for the built-in reference.
sqlite3* openSqlite(const QString& path, Read& r, bool builtinLike) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK ||
        (builtinLike ? sqlite3_create_collation(db, "GREEK_CI_AI", SQLITE_UTF8, nullptr, compareBytes)
                     : SqliteSupport::registerFunctions(db)) != SQLITE_OK) {
        r.text = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

// Steps the statement, taking every value (as a C client would: numbers as numbers, texts as
// their bytes); false with the reason on failure.
bool stepAll(sqlite3* db, const QString& sql, Read& r, bool sumFirst, const QString& key) {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        r.text = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const int columns = sqlite3_column_count(stmt);
    int keyColumn = -1;
    for (int i = 0; !key.isEmpty() && i < columns; ++i)
        if (key.compare(QString::fromUtf8(sqlite3_column_name(stmt, i)), Qt::CaseInsensitive) == 0) {
            keyColumn = i;
            break;
        }
    quint64 check = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (sumFirst) {
            r.rows += sqlite3_column_int64(stmt, 0);
            continue;
        }
        ++r.rows;
        if (keyColumn >= 0) r.keys << sqlite3_column_int64(stmt, keyColumn);
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER:
                    check += quint64(sqlite3_column_int64(stmt, i));
                    break;
                case SQLITE_FLOAT:
                    check += quint64(sqlite3_column_double(stmt, i));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    check += quint64(sqlite3_column_bytes(stmt, i)) + quint8(*sqlite3_column_text(stmt, i));
            }
        }
    }
    if (rc != SQLITE_DONE) r.text = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (check == 1) r.text += QStringLiteral(" ");  // keeps the reads
    return rc == SQLITE_DONE;
}

Read sqliteRun(const QString& path, const QString& sql, bool builtinLike, const QString& key) {
    Read r;
    sqlite3* db = openSqlite(path, r, builtinLike);
    if (!db) return r;
    QElapsedTimer t;
    t.start();
    if (stepAll(db, sql, r, builtinLike, key)) r.ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return r;
}

// Runs a client (given `input` on its standard input), returning its standard output; empty with
// the reason in `r` on failure.
QString runClient(const QString& program, const QStringList& args, Read& r, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        r.text = program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The times psql printed for its statements, in order.
QList<double> psqlTimes(const QString& output) {
    static const QRegularExpression re(QStringLiteral("^Time: ([0-9.]+) ms"),
                                       QRegularExpression::MultilineOption);
    QList<double> times;
    for (auto it = re.globalMatch(output); it.hasNext();) times << it.next().captured(1).toDouble();
    return times;
}

}  // namespace

Read sqliteCRead(const QString& path, const QString& sql, const QString& key) {
    return sqliteRun(path, sql, false, key);
}

Read sqliteBuiltinCount(const QString& path, const QString& sql) {
    return sqliteRun(path, sql, true, {});
}

Read pgCRead(const QString& info, const QString& sql, const QString& key) {
    Read r;
    PGconn* conn = PQconnectdb(info.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        r.text = QString::fromUtf8(PQerrorMessage(conn));
        PQfinish(conn);
        return r;
    }
    // The server's own plan and the serial one the program's session gets: the faster counts.
    for (const bool serial : {false, false, true, true}) {
        if (serial) PQclear(PQexec(conn, "SET max_parallel_workers_per_gather = 0"));
        QElapsedTimer t;
        t.start();
        PGresult* res = PQexec(conn, sql.toUtf8().constData());
        if (PQresultStatus(res) != PGRES_TUPLES_OK) {
            r.text = QString::fromUtf8(PQerrorMessage(conn));
            r.ms = -1;
            PQclear(res);
            break;
        }
        quint64 check = 0;
        const int rows = PQntuples(res), columns = PQnfields(res);
        const int keyColumn = key.isEmpty() ? -1 : PQfnumber(res, key.toLower().toUtf8().constData());
        r.keys.clear();
        for (int row = 0; row < rows; ++row) {
            if (keyColumn >= 0) r.keys << QByteArray(PQgetvalue(res, row, keyColumn)).toLongLong();
            for (int c = 0; c < columns; ++c)
                if (!PQgetisnull(res, row, c))
                    check += quint64(PQgetlength(res, row, c)) + quint8(*PQgetvalue(res, row, c));
        }
        PQclear(res);
        const double ms = t.nsecsElapsed() / 1e6;
        r.rows = rows;
        if (r.ms < 0 || ms < r.ms) r.ms = ms;
        if (check == 1) r.text = QStringLiteral(" ");
    }
    PQfinish(conn);
    return r;
}

Read sqliteShellCsv(const QString& path, const QString& standIn, const QString& sql, const QString& out) {
    Read r;
    // The shell times the statements it reads from its input; ".output" sends the rows to the
    // file and leaves the timer's line on standard output.
    const QByteArray script = (QStringLiteral(".load ") + standIn + QStringLiteral("\n.output ") + out +
                               QStringLiteral("\n") + sql + QStringLiteral(";\n"))
                                  .toUtf8();
    const QString output =
        runClient(QStringLiteral("sqlite3"),
                  {QStringLiteral("-readonly"), QStringLiteral("-csv"), QStringLiteral("-separator"),
                   QStringLiteral(";"), QStringLiteral("-cmd"), QStringLiteral(".timer on"), path},
                  r, script);
    static const QRegularExpression re(QStringLiteral("Run Time: real ([0-9.]+)"));
    const QRegularExpressionMatch m = re.match(output);
    if (!m.hasMatch()) {
        if (r.text.isEmpty()) r.text = QStringLiteral("sqlite3 printed no time: ") + output.left(200);
        return r;
    }
    r.ms = m.captured(1).toDouble() * 1000;
    QFile f(out);
    if (f.open(QIODevice::ReadOnly))
        while (!f.atEnd()) r.rows += f.readLine().isEmpty() ? 0 : 1;
    return r;
}

Read psqlTiming(const QStringList& connArgs, const QString& sql, int repeats) {
    Read r;
    QStringList args = connArgs;
    args << QStringLiteral("-X") << QStringLiteral("-q") << QStringLiteral("-c")
         << QStringLiteral("\\timing on") << QStringLiteral("-c") << QStringLiteral("\\o /dev/null");
    // The server's own plan and the serial one the program's session gets: the faster counts.
    for (int i = 0; i < repeats; ++i) args << QStringLiteral("-c") << sql;
    args << QStringLiteral("-c") << QStringLiteral("SET max_parallel_workers_per_gather = 0");
    for (int i = 0; i < repeats; ++i) args << QStringLiteral("-c") << sql;
    QList<double> times = psqlTimes(runClient(QStringLiteral("psql"), args, r));
    if (times.size() == 2 * repeats + 1) times.removeAt(repeats);  // the SET's
    for (const double t : times)
        if (r.ms < 0 || t < r.ms) r.ms = t;
    if (r.ms < 0 && r.text.isEmpty()) r.text = QStringLiteral("psql printed no time");
    return r;
}

QString conninfo(const QString& server, const QString& user, const QString& database) {
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
        .arg(server.section(u':', 0, 0), server.section(u':', 1), user, database);
}

QString standInModule() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libbench_standin.so");
}

}  // namespace ClientRefs
