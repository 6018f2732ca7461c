#pragma once

#include <QString>
#include <QStringList>

// The databases' own clients as references, each timed by its own clock where it has one: a C
// client over libsqlite3 or libpq reading every value, the sqlite3 shell's ".timer", psql's
// "\timing". The C client over libsqlite3 gets the register's own collation and LIKE, so that it
// does the program's work; the sqlite3 shell and the built-in LIKE reference get a stand-in for
// the collation (a byte comparison), since they cannot open a register without one, and the
// statements they time compare no Greek texts.
namespace ClientRefs {
struct Read {
    double ms = -1;  // -1: the client failed (text says why)
    qint64 rows = 0;
    QString text;
    QList<qint64> keys;  // the key column's values in order, when one was named
};

// The statement read row by row through libsqlite3, every column's value taken; the values of the
// column `key` (when given) kept in `keys`.
Read sqliteCRead(const QString& path, const QString& sql, const QString& key = {});
// The same through libpq (PQexec, every value taken).
Read pgCRead(const QString& conninfo, const QString& sql, const QString& key = {});
// The statement through libsqlite3 with SQLite's own LIKE, its first column summed as rows.
Read sqliteBuiltinCount(const QString& path, const QString& sql);
// The sqlite3 shell writing the statement as CSV to `out`, by its ".timer" (the stand-in
// collation loaded from `standIn`, the module bench_standin).
Read sqliteShellCsv(const QString& path, const QString& standIn, const QString& sql, const QString& out);
// psql's "\timing" of the statement, its rows sent to /dev/null; the best of `repeats`.
Read psqlTiming(const QStringList& connArgs, const QString& sql, int repeats = 3);
// libpq's conninfo for host:port, user, database.
QString conninfo(const QString& server, const QString& user, const QString& database);
// The stand-in module beside the benchmark programs.
QString standInModule();
}  // namespace ClientRefs
