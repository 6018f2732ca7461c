#include "SqlDialect.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "Connection.h"
#include "SqliteSupport.h"

const QStringList& PgFoldedColumns() {
    static const QStringList columns{QStringLiteral("APO"),           QStringLiteral("PROT_EIS"),
                                     QStringLiteral("SYSXETIZOMENA"), QStringLiteral("ARMODIOS_A"),
                                     QStringLiteral("ARMODIOS"),      QStringLiteral("PROS"),
                                     QStringLiteral("KOINOP"),        QStringLiteral("PARATHR"),
                                     QStringLiteral("THEMA"),         QStringLiteral("THEMA_EX")};
    return columns;
}

QString PgFoldedColumn(const QString& column) {
    for (const QString& c : PgFoldedColumns())
        if (c.compare(column, Qt::CaseInsensitive) == 0) return c + QStringLiteral("_FOLD");
    return {};
}

QStringList PgFoldedColumnsSql(const QStringList& columns) {
    if (columns.isEmpty()) return {};
    QStringList add, out;
    for (const QString& c : columns)
        add << QStringLiteral(
                   "ADD COLUMN %1 text GENERATED ALWAYS AS (public.greek_fold(%2 COLLATE \"default\"))"
                   " STORED")
                   .arg(PgFoldedColumn(c), c);
    out << QStringLiteral("ALTER TABLE PROTOCOL ") + add.join(QStringLiteral(", "));
    for (const QString& c : columns) {
        const QString folded = PgFoldedColumn(c);
        out << QStringLiteral("DROP INDEX IF EXISTS IX_PROTOCOL_%1").arg(folded)
            << QStringLiteral("CREATE INDEX IX_PROTOCOL_%1 ON PROTOCOL USING gin (%1 public.gin_trgm_ops)")
                   .arg(folded);
    }
    out << QStringLiteral("CREATE INDEX IF NOT EXISTS IX_PROTOCOL_PROT_AA ON PROTOCOL (PROT_AA)");
    return out;
}

const QStringList& PickerTables() {
    static const QStringList tables{QStringLiteral("L_APO"), QStringLiteral("L_PROS"),
                                    QStringLiteral("L_TOPOS"), QStringLiteral("L_ARMODIOS"),
                                    QStringLiteral("L_PHRASES")};
    return tables;
}

QStringList PgPickerIndexesSql(const QString& table) {
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_%1_DESCR_FOLD ON %1"
                       " (public.greek_fold(DESCR COLLATE \"default\") text_pattern_ops) INCLUDE (DESCR, ID)")
            .arg(table),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_%1_DESCR ON %1 (DESCR) INCLUDE (ID)").arg(table)};
}

namespace {

SqlDialect::ColumnProbe g_foldsProbe;
std::optional<QStringList> g_foldsColumns;

// The stored fold of `column` when the connected register has it; without a connection to ask
// (statements only written, not run) every fold counts as there.
QString storedFold(const QString& column) {
    const QString folded = PgFoldedColumn(column);
    if (folded.isEmpty() || !g_foldsProbe) return folded;
    if (!g_foldsColumns) g_foldsColumns = g_foldsProbe();
    if (!g_foldsColumns) return {};
    return g_foldsColumns->contains(folded, Qt::CaseInsensitive) ? folded : QString();
}

const QString kEscapeClause = QStringLiteral(" ESCAPE '!'");

class SqliteDialect final : public SqlDialect {
public:
    Backend backend() const override { return Backend::SQLite; }
    QString name() const override { return QStringLiteral("SQLite"); }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }

    // LIKE itself is replaced on every connection by the Greek-insensitive one.
    QString like(const QString& column, const QString& patternLiteral) const override {
        return column + QStringLiteral(" LIKE ") + patternLiteral + kEscapeClause;
    }
    QString serverNowSql() const override { return QStringLiteral("SELECT getdate()"); }

    bool prepare(QSqlDatabase& db, QString* error) const override {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
            *error = QStringLiteral("The SQLite driver gave no database handle.");
            return false;
        }
        sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData());
        if (!raw) {
            *error = QStringLiteral("The SQLite database is not open.");
            return false;
        }
        if (SqliteSupport::registerFunctions(raw) != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errmsg(raw));
            return false;
        }
        QSqlQuery q(db);
        // Reading the schema also proves that the file is a database at all.
        if (!q.exec(QStringLiteral("PRAGMA foreign_keys = ON")) ||
            !q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            *error = Connection::DescribeError(q.lastError());
            return false;
        }
        if (q.exec(QStringLiteral("PRAGMA busy_timeout")) && q.next() && q.value(0).toInt() == 0)
            sqlite3_busy_timeout(raw, 30000);
        return true;
    }
};

class PostgresDialect final : public SqlDialect {
public:
    Backend backend() const override { return Backend::PostgreSQL; }
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    QString driverName() const override { return QStringLiteral("QPSQL"); }

    // A column with a nondeterministic collation cannot take LIKE: fold under the default collation,
    // or take the register's stored fold of it.
    QString like(const QString& column, const QString& patternLiteral) const override {
        const QString fold = QString::fromLatin1(kPgFoldFunction);
        const QString pattern = fold + QLatin1Char('(') + patternLiteral + QLatin1Char(')') + kEscapeClause;
        const qsizetype dot = column.lastIndexOf(QLatin1Char('.'));
        const QString stored = storedFold(column.mid(dot + 1).trimmed());
        if (!stored.isEmpty()) return column.left(dot + 1) + stored + QStringLiteral(" LIKE ") + pattern;
        return fold + QLatin1Char('(') + column + QStringLiteral(" COLLATE \"default\") LIKE ") + pattern;
    }
    QString serverNowSql() const override { return QStringLiteral("SELECT LOCALTIMESTAMP(0)"); }
    QString nullsFirst() const override { return QStringLiteral(" NULLS FIRST"); }
    // One key of the advisory locks' one-number space (the register's numbering uses the two-number one).
    QString writerLockSql(const QString& name) const override {
        return QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(") + textLiteral(name) +
               QStringLiteral("))");
    }

    QStringList supportObjectsSql() const override {
        // unaccent() is only STABLE; the two-argument form with a fixed dictionary inside an
        // IMMUTABLE function is what lets the fold be indexed. The Greek capitals are lowered by
        // translate() so that the fold does not depend on the database's ctype.
        return {
            QStringLiteral("CREATE EXTENSION IF NOT EXISTS unaccent SCHEMA public"),
            QStringLiteral("CREATE OR REPLACE FUNCTION public.greek_fold(text) RETURNS text"
                           " LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$"
                           " SELECT translate(lower(public.unaccent('public.unaccent'::regdictionary, $1)),"
                           " 'ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩς', 'αβγδεζηθικλμνξοπρστυφχψωσ') $$"),
            QStringLiteral("CREATE OR REPLACE FUNCTION public.getdate() RETURNS timestamp"
                           " LANGUAGE sql STABLE AS $$ SELECT LOCALTIMESTAMP(0) $$"),
        };
    }

    QString parallelReadsSql(bool allow) const override {
        return allow ? QStringLiteral("SET max_parallel_workers_per_gather TO DEFAULT")
                     : QStringLiteral("SET max_parallel_workers_per_gather = 0");
    }

    bool prepare(QSqlDatabase& db, QString* error) const override {
        // A backslash in a literal must stay a plain character, whatever the server's default.
        // The statements a user waits for (the lists' keys, the pickers' keystrokes) read a small
        // part of a table: parallel workers cost more to start than they save (the picker's "α"
        // over 50,000 phrases: 112-123 ms in parallel, 22-25 ms serial).
        QSqlQuery q(db);
        for (const QString& sql :
             {QStringLiteral("SET standard_conforming_strings = on"), parallelReadsSql(false)}) {
            if (!q.exec(sql)) {
                *error = Connection::DescribeError(q.lastError());
                return false;
            }
        }
        return true;
    }
};

class SqlServerDialect final : public SqlDialect {
public:
    Backend backend() const override { return Backend::SqlServer; }
    QString name() const override { return QStringLiteral("SQL Server"); }
    QString driverName() const override { return QStringLiteral("QODBC"); }

    QString textLiteral(const QString& text) const override {
        return QLatin1Char('N') + SqlDialect::textLiteral(text);
    }
    // yyyymmdd and the T form are read the same under every DATEFORMAT and language.
    QString dateLiteral(const QDate& date) const override {
        if (!date.isValid()) return QStringLiteral("Null");
        return QLatin1Char('\'') + date.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('\'');
    }
    QString dateTimeLiteral(const QDateTime& dateTime) const override {
        if (!dateTime.isValid()) return QStringLiteral("Null");
        const QDateTime local = dateTime.timeSpec() == Qt::LocalTime ? dateTime : dateTime.toLocalTime();
        return QLatin1Char('\'') + local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('\'');
    }
    // The database's collation is already case- and accent-insensitive.
    QString like(const QString& column, const QString& patternLiteral) const override {
        return column + QStringLiteral(" LIKE ") + patternLiteral + kEscapeClause;
    }
    QString serverNowSql() const override { return QStringLiteral("SELECT getdate()"); }
    QString writerLockSql(const QString& name) const override {
        return QStringLiteral("EXEC sp_getapplock @Resource = ") + textLiteral(name) +
               QStringLiteral(", @LockMode = 'Exclusive', @LockOwner = 'Transaction'");
    }
    QString adapt(const QString& sql) const override { return sql; }
    bool prepare(QSqlDatabase&, QString*) const override { return true; }
};

Backend g_active = Backend::SQLite;

}  // namespace

QString SqlDialect::textLiteral(const QString& text) const {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('\'');
    for (const QChar c : text) {
        if (c.unicode() == 0) continue;
        if (c == QLatin1Char('\'')) out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

QString SqlDialect::dateLiteral(const QDate& date) const {
    if (!date.isValid()) return QStringLiteral("Null");
    return QLatin1Char('\'') + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
}

QString SqlDialect::dateTimeLiteral(const QDateTime& dateTime) const {
    if (!dateTime.isValid()) return QStringLiteral("Null");
    // Stored times are the server's wall clock; a time given in another zone is brought to it.
    const QDateTime local = dateTime.timeSpec() == Qt::LocalTime ? dateTime : dateTime.toLocalTime();
    return QLatin1Char('\'') + local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('\'');
}

QString SqlDialect::adapt(const QString& sql) const {
    // "select [distinct] top n ..." → "select [distinct] ... LIMIT n"; only at the statement's head.
    static const QRegularExpression top(
        QStringLiteral("^(\\s*select\\s+(?:distinct\\s+)?)top\\s*(?:\\(\\s*(\\d+)\\s*\\)|(\\d+))\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = top.match(sql);
    if (!m.hasMatch()) return sql;
    const QString count = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
    QString body = m.captured(1) + sql.mid(m.capturedEnd());
    qsizetype end = body.size();
    while (end > 0 && (body.at(end - 1).isSpace() || body.at(end - 1) == QLatin1Char(';'))) --end;
    body.truncate(end);
    return body + QStringLiteral(" LIMIT ") + count;
}

const SqlDialect& SqlDialect::forBackend(Backend backend) {
    static const SqliteDialect sqlite;
    static const PostgresDialect postgres;
    static const SqlServerDialect sqlServer;
    switch (backend) {
        case Backend::PostgreSQL:
            return postgres;
        case Backend::SqlServer:
            return sqlServer;
        case Backend::SQLite:
            break;
    }
    return sqlite;
}

const SqlDialect& SqlDialect::active() {
    return forBackend(g_active);
}

void SqlDialect::setActive(Backend backend) {
    g_active = backend;
}

void SqlDialect::setStoredFoldsProbe(ColumnProbe probe) {
    g_foldsProbe = std::move(probe);
    g_foldsColumns.reset();
}

void SqlDialect::forgetStoredFolds() {
    g_foldsColumns.reset();
}
