#include "Recordset.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <algorithm>

#include "Err.h"
#include "GreekFold.h"
#include "SqliteSupport.h"

namespace {

enum class DateKind { None, Date, DateTime };

// The SQLite driver hands dates over as the stored text; the declared type says what was meant.
QVector<DateKind> sqliteDateKinds(const QSqlQuery& q, int columns) {
    QVector<DateKind> kinds(columns, DateKind::None);
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) return kinds;
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return kinds;
    for (int i = 0; i < columns && i < sqlite3_column_count(stmt); ++i) {
        const QByteArray type = QByteArray(sqlite3_column_decltype(stmt, i)).toUpper();
        if (type.contains("TIME"))
            kinds[i] = DateKind::DateTime;
        else if (type.contains("DATE"))
            kinds[i] = DateKind::Date;
    }
    return kinds;
}

QVariant convertDate(const QVariant& value, DateKind kind) {
    if (value.metaType().id() != QMetaType::QString) return value;
    if (kind == DateKind::Date) {
        const QDate d = SqliteSupport::parseDate(value.toString());
        return d.isValid() ? QVariant(d) : value;
    }
    const QDateTime t = SqliteSupport::parseDateTime(value.toString());
    return t.isValid() ? QVariant(t) : value;
}

// One side of a Find criterion, read as the criterion's literal was written.
QVariant criterionValue(const QString& text) {
    const QString v = text.trimmed();
    if (v.size() >= 2 && v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\'')))
        return v.mid(1, v.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    if (v.size() >= 2 && v.startsWith(QLatin1Char('#')) && v.endsWith(QLatin1Char('#'))) {
        const QString d = v.mid(1, v.size() - 2);
        QDateTime t = SqliteSupport::parseDateTime(d);
        if (!t.isValid()) t = QDateTime::fromString(d, QStringLiteral("dd/MM/yyyy"));
        return t.isValid() ? QVariant(t) : QVariant();
    }
    bool ok = false;
    const double n = v.toDouble(&ok);
    if (ok) return n;
    return v;
}

int compareValues(const QVariant& field, const QVariant& wanted) {
    switch (wanted.metaType().id()) {
        case QMetaType::Double: {
            const double f = field.toDouble(), w = wanted.toDouble();
            return f < w ? -1 : (f > w ? 1 : 0);
        }
        case QMetaType::QDateTime: {
            const QDateTime f = field.metaType().id() == QMetaType::QDate
                                    ? QDateTime(field.toDate(), QTime(0, 0))
                                    : field.toDateTime();
            const QDateTime w = wanted.toDateTime();
            return f < w ? -1 : (f > w ? 1 : 0);
        }
        default:
            return GreekFold::compare(field.toString(), wanted.toString());
    }
}

}  // namespace

bool Recordset::Open(const QString& sql, const ConnectionPtr& conn) {
    Close();
    m_conn = conn;
    m_sql = sql;
    if (!conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("Recordset"),
                    QStringLiteral("The connection is not set."));
        return false;
    }
    return load();
}

bool Recordset::Requery() {
    if (!m_conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("Recordset"),
                    QStringLiteral("The connection is not set."));
        return false;
    }
    Close();
    return load();
}

RowStream::RowStream() = default;
RowStream::~RowStream() = default;

bool RowStream::Open(const QString& sql, const ConnectionPtr& conn) {
    Close();
    m_conn = conn;
    if (!conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("Recordset"),
                    QStringLiteral("The connection is not set."));
        return m_failed = true, false;
    }
    if (!conn->IsOpen()) {
        conn->fail(ErrNo::DbNotOpen, QStringLiteral("Operation is not allowed when the object is closed."));
        return m_failed = true, false;
    }
    const bool sqlite = conn->backend() == Backend::SQLite;
    m_query = std::make_unique<QSqlQuery>(conn->database());
    // The PostgreSQL driver streams forward-only results and drops them when the connection
    // runs another statement: inside a transaction the savepoint statements around this one
    // would, so there the result is buffered. Outside, nothing runs before it is read whole,
    // and streaming spares the driver its own copy of every value (a fifth of a list's time).
    m_query->setForwardOnly(sqlite || !conn->InTransaction());
    if (!conn->exec(*m_query, conn->dialect().adapt(sql))) {
        conn->fail(ErrNo::DbCommandFailed, Connection::DescribeError(m_query->lastError()));
        m_query.reset();
        return m_failed = true, false;
    }
    m_fields = m_query->record();
    const int columns = m_fields.count();
    const QVector<DateKind> kinds = sqlite ? sqliteDateKinds(*m_query, columns) : QVector<DateKind>(columns);
    m_dateKinds.resize(columns);
    for (int i = 0; i < columns; ++i) m_dateKinds[i] = int(kinds[i]);
    return true;
}

bool RowStream::Next(QVector<QVariant>& row) {
    if (!m_query) return false;
    QSqlQuery& q = *m_query;
    if (!q.next()) {
        if (q.lastError().isValid()) {
            m_conn->fail(ErrNo::DbCommandFailed, Connection::DescribeError(q.lastError()));
            m_failed = true;
        }
        m_query.reset();
        return false;
    }
    const int columns = m_fields.count();
    row.resize(columns);
    for (int i = 0; i < columns; ++i) {
        if (q.isNull(i)) {
            row[i] = QVariant();
            continue;
        }
        const auto kind = DateKind(m_dateKinds[i]);
        row[i] = kind == DateKind::None ? q.value(i) : convertDate(q.value(i), kind);
    }
    return true;
}

void RowStream::Close() {
    m_query.reset();
    m_fields.clear();
    m_dateKinds.clear();
    m_failed = false;
}

bool Recordset::load() {
    {
        RowStream stream;
        if (!stream.Open(m_sql, m_conn)) return false;
        m_fields = stream.Fields();
        QVector<QVariant> row;
        while (stream.Next(row)) m_rows.append(std::move(row));
        if (stream.Failed()) {
            m_rows.clear();
            m_fields.clear();
            return false;
        }
    }
    m_pos = 0;
    m_open = true;
    return true;
}

void Recordset::Close() {
    m_open = false;
    m_rows.clear();
    m_fields.clear();
    m_pos = 0;
}

void Recordset::MoveFirst() {
    m_pos = 0;
}

void Recordset::MoveLast() {
    m_pos = m_rows.isEmpty() ? 0 : m_rows.size() - 1;
}

void Recordset::MoveNext() {
    if (m_pos < m_rows.size()) ++m_pos;
}

void Recordset::MovePrevious() {
    if (m_pos >= 0) --m_pos;
}

void Recordset::Move(int rows) {
    m_pos = std::clamp<qsizetype>(m_pos + rows, -1, m_rows.size());
}

int Recordset::AbsolutePosition() const {
    return m_open && m_pos >= 0 && m_pos < m_rows.size() ? int(m_pos) + 1 : 0;
}

void Recordset::SetAbsolutePosition(int position) {
    if (position >= 1 && position <= m_rows.size()) m_pos = position - 1;
}

QString Recordset::FieldName(int index) const {
    return m_fields.fieldName(index);
}

int Recordset::FieldIndex(const QString& name) const {
    return m_fields.indexOf(name);
}

QVariant Recordset::Value(int index) const {
    if (!m_open || m_pos < 0 || m_pos >= m_rows.size() || index < 0 || index >= m_fields.count()) return {};
    return m_rows.at(m_pos).at(index);
}

QVariant Recordset::Value(const QString& name) const {
    return Value(FieldIndex(name));
}

QVariant Recordset::ValueAt(int row, int column) const {
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_fields.count()) return {};
    return m_rows.at(row).at(column);
}

bool Recordset::Find(const QString& criteria, int skip, bool forward) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*\\[?([\\w.]+)\\]?\\s*(<=|>=|<>|=|<|>|like\\b)\\s*(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch m = re.match(criteria);
    const int column = m.hasMatch() ? FieldIndex(m.captured(1)) : -1;
    if (!m_open || column < 0) {
        Err().Raise(ErrNo::InvalidUse, QStringLiteral("Recordset"),
                    QStringLiteral("Invalid criterion for Find: %1").arg(criteria));
        return false;
    }
    const QString op = m.captured(2).toLower();
    const QVariant wanted = criterionValue(m.captured(3));
    QString pattern;
    if (op == QLatin1String("like")) pattern = wanted.toString().replace(QLatin1Char('*'), QLatin1Char('%'));

    const auto matches = [&](const QVariant& field) {
        if (field.isNull() || wanted.isNull()) return false;
        if (!pattern.isNull()) return GreekFold::likeMatch(pattern, field.toString());
        const int c = compareValues(field, wanted);
        if (op == QLatin1String("=")) return c == 0;
        if (op == QLatin1String("<>")) return c != 0;
        if (op == QLatin1String("<")) return c < 0;
        if (op == QLatin1String(">")) return c > 0;
        if (op == QLatin1String("<=")) return c <= 0;
        return c >= 0;
    };
    const qsizetype step = forward ? 1 : -1;
    for (qsizetype i = m_pos + step * skip; i >= 0 && i < m_rows.size(); i += step) {
        if (matches(m_rows.at(i).at(column))) {
            m_pos = i;
            return true;
        }
    }
    m_pos = forward ? m_rows.size() : -1;
    return false;
}
