#include "DBHelper.h"

#include <QHash>
#include <QRegularExpression>

#include "Err.h"
#include "Recordset.h"
#include "SqliteSupport.h"

namespace {

QString& lastError() {
    static QString text;
    return text;
}

// Records the connection's failure (already pending in Err) as the helper's last error.
void keepConnError(const ConnectionPtr& conn) {
    DBHelper::SetLastError(conn->LastErrorText());
}

bool usable(const ConnectionPtr& conn) {
    if (!conn) {
        const QString text = QStringLiteral("The connection is not set.");
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("DBHelper"), text);
        DBHelper::SetLastError(text);
        return false;
    }
    if (!conn->IsOpen()) {
        conn->fail(ErrNo::DbNotOpen, QStringLiteral("Operation is not allowed when the object is closed."));
        keepConnError(conn);
        return false;
    }
    return true;
}

QString where(const QString& condition) {
    return condition.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
}

bool execute(const ConnectionPtr& conn, const QString& sql, qint64* affected = nullptr) {
    if (!usable(conn)) return false;
    if (conn->Execute(sql, affected)) return true;
    keepConnError(conn);
    return false;
}

enum class KeyLookup { Found, NoTable, Failed };

// The primary-key columns of a table, looked up once per connection and table. A table that does
// not exist is not remembered: the upgrade may create it later.
KeyLookup primaryKey(const ConnectionPtr& conn, const QString& table, QStringList* columns) {
    static QHash<QString, QStringList> cache;
    const QString key = conn->database().connectionName() + QLatin1Char('\n') + table.trimmed().toLower();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd()) {
        *columns = *it;
        return KeyLookup::Found;
    }
    const SqlDialect& d = conn->dialect();
    const QString name = d.textLiteral(table.trimmed());
    QString sql;
    switch (conn->backend()) {
        case Backend::SQLite:
            sql = QStringLiteral("SELECT name, pk FROM pragma_table_info(%1) ORDER BY pk").arg(name);
            break;
        case Backend::PostgreSQL:
            sql = QStringLiteral(
                      "SELECT a.attname, CASE WHEN a.attname IS NULL THEN 0 ELSE 1 END FROM pg_class c"
                      " LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary"
                      " LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = ANY(i.indkey)"
                      " WHERE c.oid = to_regclass(%1)")
                      .arg(name);
            break;
        case Backend::SqlServer:
            sql = QStringLiteral(
                      "SELECT c.name, CASE WHEN c.name IS NULL THEN 0 ELSE 1 END FROM sys.objects o"
                      " LEFT JOIN sys.indexes i ON i.object_id = o.object_id AND i.is_primary_key = 1"
                      " LEFT JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = "
                      "i.index_id"
                      " LEFT JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id"
                      " WHERE o.object_id = OBJECT_ID(%1)")
                      .arg(name);
            break;
    }
    Recordset rs;
    if (!rs.Open(sql, conn)) {
        keepConnError(conn);
        return KeyLookup::Failed;
    }
    if (rs.RecordCount() == 0) return KeyLookup::NoTable;
    columns->clear();
    for (; !rs.Eof(); rs.MoveNext())
        if (rs.Value(1).toInt() > 0) columns->append(rs.Value(0).toString());
    cache.insert(key, *columns);
    return KeyLookup::Found;
}

}  // namespace

QString DBHelper::LastError() {
    return lastError();
}

void DBHelper::SetLastError(const QString& text) {
    lastError() = text;
}

QString DBHelper::ValueText(const QVariant& value) {
    if (value.isNull()) return {};
    switch (value.metaType().id()) {
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        case QMetaType::QDateTime: {
            const QDateTime t = value.toDateTime();
            if (t.time() == QTime(0, 0)) return t.date().toString(QStringLiteral("dd/MM/yyyy"));
            return t.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        }
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'g', 15);
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default:
            return value.toString();
    }
}

QString DBHelper::LookupValue(const ConnectionPtr& conn, const QString& table, const QString& condition,
                              const QString& columns, int, const QString& separator) {
    if (!usable(conn)) return {};
    Recordset rs;
    if (!rs.Open(
            QStringLiteral("SELECT TOP 1 ") + columns + QStringLiteral(" FROM ") + table + where(condition),
            conn)) {
        keepConnError(conn);
        return {};
    }
    if (rs.Eof()) return {};
    QStringList parts;
    for (int i = 0; i < rs.FieldCount(); ++i) parts << ValueText(rs.Value(i));
    return parts.join(separator);
}

QVariant DBHelper::InsertRec(const ConnectionPtr& conn, const QString& table, int, const QString&,
                             const QString& columns, const QString& values, const QStringList& items) {
    if (!usable(conn)) return {};
    QStringList cols, vals;
    if (!columns.trimmed().isEmpty()) cols << columns;
    if (!values.trimmed().isEmpty()) vals << values;
    for (const QString& item : items) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            const QString text = QStringLiteral("Not a \"column=value\" item: %1").arg(item);
            conn->fail(ErrNo::InvalidUse, text);
            SetLastError(text);
            return {};
        }
        cols << item.left(eq).trimmed();
        vals << item.mid(eq + 1).trimmed();
    }
    QStringList key;
    // For a table that does not exist the insert itself reports the error.
    if (primaryKey(conn, table, &key) == KeyLookup::Failed) return {};
    const bool sqlite = conn->backend() == Backend::SQLite;
    QString returned;
    if (key.size() == 1)
        returned = key.first();
    else if (key.isEmpty() && sqlite)
        returned = QStringLiteral("rowid");

    const QString target = QStringLiteral("INSERT INTO ") + table;
    const QString body = cols.isEmpty()
                             ? QStringLiteral(" DEFAULT VALUES")
                             : QStringLiteral(" (") + cols.join(QLatin1Char(',')) + QStringLiteral(") ");
    const QString valueList = QStringLiteral("VALUES (") + vals.join(QLatin1Char(',')) + QLatin1Char(')');
    if (returned.isEmpty()) {
        if (!execute(conn, target + body + (cols.isEmpty() ? QString() : valueList))) return {};
        return true;
    }
    QString sql;
    if (conn->backend() == Backend::SqlServer) {
        // OUTPUT without INTO is refused on a table with triggers.
        const QString output = QStringLiteral(" OUTPUT INSERTED.[") + returned + QStringLiteral("] INTO @k");
        const QString insert = cols.isEmpty() ? QString(output + QStringLiteral(" DEFAULT VALUES"))
                                              : QString(body + output + QLatin1Char(' ') + valueList);
        sql = QStringLiteral("SET NOCOUNT ON; DECLARE @k TABLE (k sql_variant); ") + target + insert +
              QStringLiteral("; SELECT k FROM @k");
    } else {
        sql = target + body + (cols.isEmpty() ? QString() : valueList) + QStringLiteral(" RETURNING ") +
              returned;
    }
    Recordset rs;
    if (!rs.Open(sql, conn)) {
        keepConnError(conn);
        return {};
    }
    if (rs.Eof() || rs.Value(0).isNull()) return true;
    return rs.Value(0);
}

bool DBHelper::UpdateRec(const ConnectionPtr& conn, const QString& table, const QString& condition,
                         const QString& assignments, const QStringList& items, qint64* affected) {
    QStringList set;
    if (!assignments.trimmed().isEmpty()) set << assignments;
    for (const QString& item : items)
        if (!item.trimmed().isEmpty()) set << item;
    return execute(conn,
                   QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + set.join(QLatin1Char(',')) +
                       where(condition),
                   affected);
}

bool DBHelper::DeleteRecs(const ConnectionPtr& conn, const QString& table, const QString& condition,
                          qint64* affected) {
    return execute(conn, QStringLiteral("DELETE FROM ") + table + where(condition), affected);
}

bool DBHelper::RecExists(const ConnectionPtr& conn, const QString& table, const QString& condition) {
    if (!usable(conn)) return false;
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT TOP 1 1 FROM ") + table + where(condition), conn)) {
        keepConnError(conn);
        return false;
    }
    return !rs.Eof();
}

int DBHelper::ColumnSize(const ConnectionPtr& conn, const QString& table, const QString& column) {
    if (!usable(conn)) return 0;
    const SqlDialect& d = conn->dialect();
    Recordset rs;
    if (conn->backend() == Backend::SQLite) {
        // SQLite keeps the declared type as written: "varchar(50)".
        if (!rs.Open(QStringLiteral("SELECT type FROM pragma_table_info(%1) WHERE lower(name) = lower(%2)")
                         .arg(d.textLiteral(table.trimmed()), d.textLiteral(column.trimmed())),
                     conn)) {
            keepConnError(conn);
            return 0;
        }
        if (rs.Eof()) return 0;
        static const QRegularExpression re(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
        const QRegularExpressionMatch m = re.match(rs.Value(0).toString());
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    if (!rs.Open(QStringLiteral("SELECT CHARACTER_MAXIMUM_LENGTH FROM INFORMATION_SCHEMA.COLUMNS"
                                " WHERE lower(TABLE_NAME) = lower(%1) AND lower(COLUMN_NAME) = lower(%2)")
                     .arg(d.textLiteral(table.trimmed()), d.textLiteral(column.trimmed())),
                 conn)) {
        keepConnError(conn);
        return 0;
    }
    return rs.Eof() ? 0 : qMax(0, rs.Value(0).toInt());
}

QDate DBHelper::NormDate(const QVariant& date) {
    switch (date.metaType().id()) {
        case QMetaType::QDate:
            return date.toDate();
        case QMetaType::QDateTime:
            return date.toDateTime().date();
        case QMetaType::QString: {
            const QString text = date.toString().trimmed();
            const QDate d = QDate::fromString(text.left(10), QStringLiteral("dd/MM/yyyy"));
            return d.isValid() ? d : SqliteSupport::parseDateTime(text).date();
        }
        default:
            return {};
    }
}

QString DBHelper::DateToSQL(const QVariant& date, const QString&, bool quoted) {
    const SqlDialect& d = SqlDialect::active();
    QString literal;
    switch (date.metaType().id()) {
        case QMetaType::QDate:
            literal = d.dateLiteral(date.toDate());
            break;
        case QMetaType::QDateTime:
            literal = d.dateTimeLiteral(date.toDateTime());
            break;
        case QMetaType::QString: {
            const QString text = date.toString().trimmed();
            QDateTime t = QDateTime::fromString(text, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            if (!t.isValid()) t = QDateTime::fromString(text, QStringLiteral("dd/MM/yyyy HH:mm"));
            if (!t.isValid()) t = SqliteSupport::parseDateTime(text);
            if (t.isValid()) {
                literal = d.dateTimeLiteral(t);
            } else {
                literal = d.dateLiteral(QDate::fromString(text, QStringLiteral("dd/MM/yyyy")));
            }
            break;
        }
        default:
            literal = QStringLiteral("Null");
    }
    if (!quoted && literal.endsWith(QLatin1Char('\''))) {
        const qsizetype open = literal.indexOf(QLatin1Char('\''));
        literal = literal.mid(open + 1, literal.size() - open - 2);
    }
    return literal;
}

QVariant DBHelper::ServerNow(const ConnectionPtr& conn) {
    if (!usable(conn)) return {};
    Recordset rs;
    if (!rs.Open(conn->dialect().serverNowSql(), conn)) {
        keepConnError(conn);
        return {};
    }
    const QVariant v = rs.Value(0);
    QDateTime now;
    if (v.metaType().id() == QMetaType::QDateTime)
        now = v.toDateTime();
    else if (v.metaType().id() == QMetaType::QDate)
        now = QDateTime(v.toDate(), QTime(0, 0));
    else
        now = SqliteSupport::parseDateTime(v.toString());
    if (!now.isValid()) {
        conn->fail(ErrNo::DbCommandFailed,
                   QStringLiteral("The server's clock gave no date: %1").arg(v.toString()));
        keepConnError(conn);
        return {};
    }
    return now;
}

QVariant DBHelper::ServerDate(const ConnectionPtr& conn) {
    const QVariant now = ServerNow(conn);
    return now.isNull() ? QVariant() : QVariant(now.toDateTime().date());
}
