#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QSqlDatabase;

// The database backends the register runs on.
enum class Backend { SQLite, PostgreSQL, SqlServer };

// What differs between the backends in the SQL the system writes: literals, Greek-insensitive LIKE,
// the server's clock and the few T-SQL pieces the system's own texts contain.
class SqlDialect {
public:
    virtual ~SqlDialect() = default;
    virtual Backend backend() const = 0;
    virtual QString name() const = 0;        // "SQLite", "PostgreSQL", "SQL Server"
    virtual QString driverName() const = 0;  // the Qt SQL driver

    // A text literal with its quotes that no text can break out of (quotes doubled, NULs dropped).
    virtual QString textLiteral(const QString& text) const;
    virtual QString dateLiteral(const QDate& date) const;
    virtual QString dateTimeLiteral(const QDateTime& dateTime) const;

    // "column LIKE pattern" matching Greek and Latin text without regard to case and accents.
    // patternLiteral is a complete SQL literal; '!' escapes a literal %, _ or ! inside it.
    virtual QString like(const QString& column, const QString& patternLiteral) const = 0;

    // A statement whose one row and column is the server's current local date and time.
    virtual QString serverNowSql() const = 0;

    // Put after an ascending ORDER BY column so that nulls sort first, as SQL Server and SQLite
    // sort them ("" where that is already so).
    virtual QString nullsFirst() const { return {}; }

    // A statement, run first in a transaction, that makes every other transaction running it
    // with the same name wait until this one ends; "" where beginning the transaction already
    // does (SQLite's BEGIN IMMEDIATE takes the database's one write lock).
    virtual QString writerLockSql(const QString&) const { return {}; }

    // The session setting that lets the server read a table with parallel workers (allow) or
    // keeps every statement serial, as a session starts; "" where the backend has none.
    virtual QString parallelReadsSql(bool) const { return {}; }

    // Rewrites the T-SQL pieces of the system's fixed statements ("select top n") for this backend.
    virtual QString adapt(const QString& sql) const;

    // Objects the database must hold so that the system's statements run unchanged
    // (getdate(), the Greek fold used by like()); the installation and the test fixtures create them.
    virtual QStringList supportObjectsSql() const { return {}; }

    // Called on every newly opened connection (functions, collations, session settings).
    // Returns false with a description in *error when the connection cannot be made fit.
    virtual bool prepare(QSqlDatabase& db, QString* error) const = 0;

    static const SqlDialect& forBackend(Backend backend);

    // The dialect of the session's connection (set by Connection::Open; SQLite before any open).
    static const SqlDialect& active();
    static void setActive(Backend backend);

    // The stored folds (PgFoldedColumns) that the connected register holds. A register whose
    // upgrade to them failed has none, and like() must then fold in the statement, or every
    // search would fail. The probe answers the column names of PROTOCOL (nothing while it cannot
    // tell); its answer is kept until the next connection or forgetStoredFolds().
    using ColumnProbe = std::function<std::optional<QStringList>()>;
    static void setStoredFoldsProbe(ColumnProbe probe);
    static void forgetStoredFolds();
};

// The collation that compares Greek text without regard to case and accents (SQLite).
inline constexpr const char* kGreekCollation = "GREEK_CI_AI";
// The fold function that like() applies on PostgreSQL.
inline constexpr const char* kPgFoldFunction = "greek_fold";

// The register's text columns that its search page looks into. On PostgreSQL each has a stored
// folded copy, <column>_FOLD, kept by the database, with a trigram index; like() compares against
// it, so a search neither folds every row again nor waits for the recheck of each candidate.
const QStringList& PgFoldedColumns();
// "THEMA" -> "THEMA_FOLD"; empty when the column has no folded copy.
QString PgFoldedColumn(const QString& column);
// The statements that give PROTOCOL the folded copies of `columns` (in one rewrite of the table),
// their trigram indexes (in place of the older indexes on the fold of the column, which share
// their names) and the B-tree on PROT_AA that lets an ordered search stop at the list's limit.
QStringList PgFoldedColumnsSql(const QStringList& columns);
// The lookup tables the phrase picker lists, and their PostgreSQL indexes: the fold's pattern index
// answers a typed beginning, the index on DESCR itself the whole list in DESCR's order (sorting
// 50,000 phrases in the Greek collation took 0.12 s a keystroke).
const QStringList& PickerTables();
QStringList PgPickerIndexesSql(const QString& table);
