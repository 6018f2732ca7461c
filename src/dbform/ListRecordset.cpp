#include "ListRecordset.h"

#include <QLocale>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

#include "Err.h"
#include "Recordset.h"

namespace {

bool isNumeric(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

bool isIntegral(const QVariant& v) {
    return isNumeric(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}

// A number as SQL and hash text: 7 and 7.0 are the same key.
QString numberText(const QVariant& v) {
    if (v.typeId() == QMetaType::ULongLong) return QString::number(v.toULongLong());
    if (isIntegral(v)) return QString::number(v.toLongLong());
    const double d = v.toDouble();
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15) return QString::number(qint64(d));
    return QLocale::c().toString(d, 'f', QLocale::FloatingPointShortest);
}

// The block's rows come back in any order; they find their places by this text of the key.
QString keyText(const QVariant& v) {
    return isNumeric(v) ? numberText(v) : v.toString();
}

bool sameKey(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return false;
    if (isNumeric(a) && isNumeric(b)) {
        if (isIntegral(a) && isIntegral(b)) {
            if (a.typeId() == QMetaType::ULongLong || b.typeId() == QMetaType::ULongLong)
                return a.toULongLong() == b.toULongLong() && a.toLongLong() == b.toLongLong();
            return a.toLongLong() == b.toLongLong();
        }
        return a.toDouble() == b.toDouble();
    }
    return a.toString() == b.toString();
}

// The statement as a derived table: without a trailing ";" that would end the outer one.
QString derived(const QString& statement) {
    QString s = statement.trimmed();
    while (s.endsWith(QLatin1Char(';'))) s = s.chopped(1).trimmed();
    return QStringLiteral("(") + s + QStringLiteral(") q");
}

QString top(int maxRows) {
    return maxRows > 0 ? QStringLiteral("TOP %1 ").arg(maxRows) : QString();
}

QString orderBy(const QString& order) {
    return order.trimmed().isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + order.trimmed();
}

// The order with the key after it, unless a term already orders by the key: rows that tie keep
// one order on every backend and in every read of the keys.
QString orderWithKey(const QString& order, const QString& keyField) {
    const QString o = order.trimmed();
    if (o.isEmpty()) return o;
    for (const QString& term : o.split(QLatin1Char(','))) {
        QString column = term.trimmed().section(QLatin1Char(' '), 0, 0);
        column = column.section(QLatin1Char('.'), -1);
        if (column.compare(keyField.section(QLatin1Char('.'), -1), Qt::CaseInsensitive) == 0) return o;
    }
    return o + QStringLiteral(", ") + keyField;
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#') ||
           c == QLatin1Char('$');
}

// The top-level words and commas of a statement (outside brackets, quotes and comments),
// upper-cased, with their positions.
struct Word {
    QString text;
    qsizetype at;
};
QList<Word> topLevelWords(const QString& s) {
    QList<Word> words;
    int depth = 0;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            for (++i; i < s.size(); ++i) {
                if (s.at(i) != close) continue;
                if (i + 1 < s.size() && s.at(i + 1) == close && close != QLatin1Char(']')) {
                    ++i;  // a doubled quote
                    continue;
                }
                break;
            }
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('-')) {
            while (i < s.size() && s.at(i) != QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('/') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? s.size() : end + 2;
        } else if (c == QLatin1Char('(')) {
            ++depth;
            ++i;
        } else if (c == QLatin1Char(')')) {
            --depth;
            ++i;
        } else if (c == QLatin1Char(',')) {
            if (depth == 0) words.append({QStringLiteral(","), i});
            ++i;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < s.size() && (isWordChar(s.at(i)) || s.at(i) == QLatin1Char('.'))) ++i;
            if (depth == 0) words.append({s.mid(start, i - start).toUpper(), start});
        } else {
            ++i;
        }
    }
    return words;
}

}  // namespace

struct ListRecordset::Block {
    int first = 0;         // the list row of position 0
    std::shared_ptr<Recordset> rs = std::make_shared<Recordset>();  // the rows as read, in the
                                                   // server's order; shared by the blocks of one read
    QVector<int> rsRow;    // per position, the row of rs; -1 when the key was not returned
    bool queried = false;  // false when no position had a key to ask for
};

ListRecordset::ListRecordset() : ListRecordset(Options{}) {}

ListRecordset::ListRecordset(Options options) : m_options(options) {
    m_options.blockSize = std::max(1, m_options.blockSize);
    m_options.keptBlocks = std::max(1, m_options.keptBlocks);
}

ListRecordset::~ListRecordset() = default;

QString ListRecordset::KeySql(const QString& statement, const QString& keyField, const QString& order,
                              int maxRows) {
    return QStringLiteral("SELECT ") + top(maxRows) + keyField + QStringLiteral(" FROM ") +
           derived(statement) + orderBy(orderWithKey(order, keyField));
}

QString ListRecordset::Unconditioned(const QString& statement) {
    QString s = statement.trimmed();
    while (s.endsWith(QLatin1Char(';'))) s = s.chopped(1).trimmed();
    const QList<Word> words = topLevelWords(s);
    if (words.isEmpty() || words.first().text != QLatin1String("SELECT")) return {};
    // Words that make the rows depend on more than the key: cutting the condition would change them.
    static const QStringList kept{QStringLiteral("TOP"),    QStringLiteral("GROUP"),  QStringLiteral("HAVING"),
                                  QStringLiteral("UNION"),  QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"),
                                  QStringLiteral("LIMIT"),  QStringLiteral("OFFSET"), QStringLiteral("FETCH"),
                                  QStringLiteral("ORDER"),  QStringLiteral("WINDOW"), QStringLiteral("FOR"),
                                  QStringLiteral("INTO"),   QStringLiteral("SELECT")};
    qsizetype where = -1;
    bool from = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (kept.contains(words.at(i).text)) return {};
        // Tables listed with commas are joined by the condition itself.
        if (words.at(i).text == QLatin1String("FROM")) from = true;
        if (from && where < 0 && words.at(i).text == QLatin1String(",")) return {};
        if (words.at(i).text == QLatin1String("WHERE")) {
            if (where >= 0) return {};
            where = words.at(i).at;
        }
    }
    return where < 0 ? s : s.left(where).trimmed();
}

QString ListRecordset::SnapshotSql(const QString& statement, const QString& order, int maxRows) {
    return QStringLiteral("SELECT ") + top(maxRows) + QStringLiteral("* FROM ") + derived(statement) +
           orderBy(order);
}

QString ListRecordset::BlockSql(const QString& statement, const QString& keyField,
                                const QList<QVariant>& keys, const SqlDialect& dialect,
                                const QStringList& columns) {
    QString selected = QStringLiteral("q.*");
    if (!columns.isEmpty()) {
        QStringList list{QStringLiteral("q.") + keyField};
        for (const QString& c : columns)
            if (c.compare(keyField, Qt::CaseInsensitive) != 0) list << QStringLiteral("q.") + c;
        selected = list.join(QStringLiteral(", "));
    }
    // A list reads many blocks of one statement: cut its condition off once.
    thread_local QString lastStatement, lastRows;
    if (statement != lastStatement || lastRows.isEmpty()) {
        const QString bare = Unconditioned(statement);
        lastRows = derived(bare.isEmpty() ? statement : bare);
        lastStatement = statement;
    }
    const QString rows = lastRows;
    QStringList literals;
    QSet<QString> seen;
    QSet<qint64> seenNumbers;
    literals.reserve(keys.size());
    bool allWhole = true;
    for (const QVariant& k : keys) {
        if (k.isNull()) continue;
        // Whole-number keys, the common case, skip the texts' set.
        if (isIntegral(k) && k.typeId() != QMetaType::ULongLong) {
            const qint64 n = k.toLongLong();
            if (!seenNumbers.contains(n) && (seen.isEmpty() || !seen.contains(QString::number(n)))) {
                seenNumbers.insert(n);
                literals << QString::number(n);
            }
            continue;
        }
        allWhole = false;
        QString literal;
        switch (k.typeId()) {
            case QMetaType::QDate:
                literal = dialect.dateLiteral(k.toDate());
                break;
            case QMetaType::QDateTime:
                literal = dialect.dateTimeLiteral(k.toDateTime());
                break;
            default:
                literal = isNumeric(k) ? numberText(k) : dialect.textLiteral(k.toString());
        }
        bool whole = false;
        const qint64 n = isNumeric(k) ? literal.toLongLong(&whole) : 0;
        // A key listed twice would bring its rows twice.
        if (!seen.contains(literal) && !(whole && seenNumbers.contains(n))) {
            seen.insert(literal);
            literals << literal;
        }
    }
    if (dialect.backend() == Backend::SQLite) {
        // Without statistics SQLite would rather walk an index of the statement's own condition (a
        // whole year for ETOS=) than look the hundred keys up; the keys as the outer loop of a
        // CROSS JOIN make it look each one up by the key.
        const QString values =
            literals.isEmpty() ? QStringLiteral("(NULL)")
                               : QLatin1Char('(') + literals.join(QStringLiteral("),(")) + QLatin1Char(')');
        return QStringLiteral("SELECT ") + selected + QStringLiteral(" FROM (VALUES ") + values +
               QStringLiteral(") list_keys CROSS JOIN ") + rows + QStringLiteral(" WHERE q.") +
               keyField + QStringLiteral(" = list_keys.column1");
    }
    if (dialect.backend() == Backend::PostgreSQL && allWhole && !literals.isEmpty()) {
        // One array literal parses and plans faster than hundreds of constants.
        return QStringLiteral("SELECT ") + (columns.isEmpty() ? QStringLiteral("*") : selected) +
               QStringLiteral(" FROM ") + rows + QStringLiteral(" WHERE ") + keyField + QStringLiteral(" = ANY('{") +
               literals.join(QLatin1Char(',')) + QStringLiteral("}')");
    }
    // No key can match an empty list; "IN ()" is no SQL anywhere.
    const QString in = literals.isEmpty() ? QStringLiteral("NULL") : literals.join(QLatin1Char(','));
    return QStringLiteral("SELECT ") + (columns.isEmpty() ? QStringLiteral("*") : selected) +
           QStringLiteral(" FROM ") + rows + QStringLiteral(" WHERE ") + keyField + QStringLiteral(" IN (") + in +
           QLatin1Char(')');
}

bool ListRecordset::Open(const ConnectionPtr& conn, const QString& statement, const QString& keyField,
                         const QString& order, int maxRows) {
    Close();
    m_conn = conn;
    m_statement = statement;
    m_keyField = keyField;
    m_order = order;
    m_maxRows = maxRows;
    m_rowsRead = 0;
    m_mostHeld = 0;
    m_blocksRead = 0;
    if (!conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("ListRecordset"),
                    QStringLiteral("The connection is not set."));
        return false;
    }
    return run();
}

bool ListRecordset::Requery() {
    if (!m_conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("ListRecordset"),
                    QStringLiteral("The connection is not set."));
        return false;
    }
    clearRows();
    return run();
}

void ListRecordset::Close() {
    clearRows();
}

void ListRecordset::clearRows() {
    m_open = false;
    m_complete = true;
    m_keyed = true;
    m_fields.clear();
    m_keys.clear();
    m_keyFieldIndex = -1;
    m_snapshot.reset();
    m_blocks.clear();
    m_recent.clear();
    m_held = 0;
    m_last = nullptr;
    m_nextBlock = -1;
    m_span = 1;
}

bool ListRecordset::readKeys(QVector<QVariant>* keys, int maxRows, QSqlError* error) const {
    QSqlQuery q(m_conn->database());
    const auto failed = [&] {
        if (error) *error = q.lastError();
        return false;
    };
    // As in Recordset: a streamed PostgreSQL result would be dropped by the savepoint statements
    // that Connection::exec runs around it inside a transaction, so that one is buffered.
    q.setForwardOnly(m_conn->backend() != Backend::PostgreSQL);
    if (!m_conn->exec(q, m_conn->dialect().adapt(KeySql(m_statement, m_keyField, m_order, maxRows))))
        return failed();
    if (q.record().count() < 1) return failed();
    if (maxRows > 0) keys->reserve(std::min(maxRows, 1 << 16));
    while (q.next()) keys->append(q.isNull(0) ? QVariant() : q.value(0));
    return q.lastError().isValid() ? failed() : true;
}

int ListRecordset::firstKeys() const {
    // Without an order the statement's rows have none that two reads would share.
    if (m_options.firstKeys == 0 || m_order.trimmed().isEmpty()) return 0;
    const int first = m_options.firstKeys < 0 ? m_options.blockSize : m_options.firstKeys;
    return m_maxRows > 0 && first >= m_maxRows ? 0 : first;
}

ListRecordset::Rest ListRecordset::readRestOfKeys() const {
    const int known = int(m_keys.size());
    QVector<QVariant> keys;
    QSqlError error;
    if (!readKeys(&keys, m_maxRows, &error)) {
        m_conn->fail(ErrNo::DbCommandFailed, Connection::DescribeError(error));
        return Rest::Failed;
    }
    // The same statement in the same order (the key breaking ties): the first keys come back first
    // unless another user changed the list in between.
    bool kept = keys.size() >= known;
    for (int i = 0; kept && i < known; ++i)
        kept = sameKey(keys.at(i), m_keys.at(i)) || (keys.at(i).isNull() && m_keys.at(i).isNull());
    m_keys = std::move(keys);
    if (kept) return Rest::Appended;
    // The rows held belong to the old places.
    m_blocks.clear();
    m_recent.clear();
    m_held = 0;
    m_last = nullptr;
    m_nextBlock = -1;
    return Rest::Replaced;
}

bool ListRecordset::CompleteKeys() const {
    if (!m_open || m_complete) return true;
    const int known = int(m_keys.size());
    // Read once: after a failure the keys read so far stay the list.
    m_complete = true;
    const Rest rest = readRestOfKeys();
    if (rest == Rest::Failed) return false;
    if (rest == Rest::Appended) {
        // A block cut short by the end of the first keys has places beyond it now.
        for (auto it = m_blocks.begin(); it != m_blocks.end();) {
            if ((*it)->rsRow.size() < m_options.blockSize && (*it)->first + (*it)->rsRow.size() < m_keys.size()) {
                m_held -= int((*it)->rsRow.size());
                m_recent.removeOne(it.key());
                if (m_last == it->get()) m_last = nullptr;
                it = m_blocks.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (m_grown && (rest == Rest::Replaced || m_keys.size() != known)) m_grown(rest == Rest::Replaced);
    return true;
}

int ListRecordset::rowsAvailable() const {
    if (!m_open) return 0;
    return m_keyed ? int(m_keys.size()) : m_snapshot->RecordCount();
}

bool ListRecordset::hasRow(int row) const {
    if (!m_open || row < 0) return false;
    if (row >= rowsAvailable() && !m_complete) CompleteKeys();
    return row < rowsAvailable();
}

bool ListRecordset::run() {
    if (!m_conn->IsOpen()) {
        m_conn->fail(ErrNo::DbNotOpen, QStringLiteral("Operation is not allowed when the object is closed."));
        return false;
    }
    QVector<QVariant> keys;
    const int first = firstKeys();
    if (readKeys(&keys, first > 0 ? first : m_maxRows)) {
        m_complete = first <= 0 || keys.size() < first;
        m_keys = std::move(keys);
        m_keyed = true;
        m_open = true;
        const Block* first = m_keys.isEmpty() ? nullptr : blockFor(0);
        if (!m_keys.isEmpty() && !first) {
            clearRows();
            return false;
        }
        if (first && first->queried) {
            m_fields = first->rs->Fields();
        } else {
            // Nothing read yet to take the names from.
            Recordset none;
            if (!none.Open(
                    QStringLiteral("SELECT * FROM ") + derived(m_statement) + QStringLiteral(" WHERE 1=0"),
                    m_conn)) {
                clearRows();
                return false;
            }
            m_fields = none.Fields();
        }
        m_keyFieldIndex = m_fields.indexOf(m_keyField);
        return true;
    }

    // The statement's rows carry no such key (or the key query is refused): one whole snapshot.
    // The refused key query ran on a bare query and left no error pending.
    auto snapshot = std::make_unique<Recordset>();
    if (!snapshot->Open(SnapshotSql(m_statement, m_order, m_maxRows), m_conn)) return false;
    m_keyed = false;
    m_fields = snapshot->Fields();
    m_keyFieldIndex = m_fields.indexOf(m_keyField);
    m_mostHeld = std::max(m_mostHeld, snapshot->RecordCount());
    m_snapshot = std::move(snapshot);
    m_open = true;
    return true;
}

std::shared_ptr<ListRecordset::Block> ListRecordset::readRows(int first, int count,
                                                              const QStringList& columns) const {
    auto block = std::make_shared<Block>();
    block->first = first;
    block->rsRow.fill(-1, count);

    // Where each key stands: the first place by key (whole numbers by value, the common case, and
    // other keys by their text), further places of a key listed again chained through `next`.
    QList<QVariant> keys;
    QHash<qint64, int> byNumber;
    QHash<QString, int> byText;
    QVector<int> next(count, -1);
    keys.reserve(count);
    const auto whole = [](const QVariant& k) { return isIntegral(k) && k.typeId() != QMetaType::ULongLong; };
    const auto slot = [&](const QVariant& k) -> int* {
        if (whole(k)) {
            const auto it = byNumber.find(k.toLongLong());
            return it == byNumber.end() ? nullptr : &*it;
        }
        const auto it = byText.find(keyText(k));
        return it == byText.end() ? nullptr : &*it;
    };
    for (int i = count - 1; i >= 0; --i) {
        const QVariant& k = m_keys.at(first + i);
        if (k.isNull()) continue;
        keys.prepend(k);
        if (int* head = slot(k)) {
            next[i] = *head;
            *head = i;
        } else if (whole(k)) {
            byNumber.insert(k.toLongLong(), i);
        } else {
            byText.insert(keyText(k), i);
        }
    }
    if (keys.isEmpty()) return block;

    if (!block->rs->Open(BlockSql(m_statement, m_keyField, keys, m_conn->dialect(), columns), m_conn))
        return nullptr;
    block->queried = true;
    const int keyColumn = block->rs->FieldIndex(m_keyField);
    for (int r = 0; keyColumn >= 0 && r < block->rs->RecordCount(); ++r) {
        const QVariant k = block->rs->ValueAt(r, keyColumn);
        if (k.isNull()) continue;
        // The same key may come back as another type than it was listed with (7.0 for 7, or the
        // other way round): its text is the same.
        int* head = slot(k);
        if (!head) head = slot(QVariant(keyText(k)));
        bool wholeNumber = false;
        const qint64 number = isNumeric(k) ? keyText(k).toLongLong(&wholeNumber) : 0;
        if (!head && wholeNumber) head = slot(QVariant(number));
        if (!head || *head < 0) continue;
        block->rsRow[*head] = r;
        *head = next[*head];
    }
    return block;
}

QList<std::shared_ptr<ListRecordset::Block>> ListRecordset::readBlocks(int number, int span) const {
    const int size = m_options.blockSize;
    const int first = number * size;
    const int count = std::min<int>(span * size, int(m_keys.size()) - first);
    std::shared_ptr<Block> rows = readRows(first, count);
    if (!rows) return {};
    if (rows->queried) {
        ++m_blocksRead;
        m_rowsRead += rows->rs->RecordCount();
    }
    if (count <= size) return {rows};
    // One statement for several blocks: each keeps its share of the rows read.
    QList<std::shared_ptr<Block>> blocks;
    for (int at = 0; at < count; at += size) {
        auto block = std::make_shared<Block>();
        block->first = first + at;
        block->rs = rows->rs;
        block->rsRow = rows->rsRow.mid(at, std::min(size, count - at));
        block->queried = rows->queried;
        blocks << block;
    }
    return blocks;
}

const ListRecordset::Block* ListRecordset::blockFor(int row) const {
    if (!m_open || !m_keyed || row < 0 || row >= m_keys.size()) return nullptr;
    const int number = row / m_options.blockSize;
    if (m_last && m_last->first == number * m_options.blockSize) return m_last;

    const auto held = m_blocks.constFind(number);
    if (held != m_blocks.constEnd()) {
        m_recent.removeOne(number);
        m_recent.append(number);
        m_last = held->get();
        return m_last;
    }

    // A reader going down the list (scrolling, reading it all) gets more blocks to a statement each
    // time, up to the blocks kept: a statement costs more than the rows it reads.
    const int most = std::max(1, m_options.keptBlocks);
    m_span = number == m_nextBlock ? std::min(m_span * 2, most) : 1;
    QList<std::shared_ptr<Block>> blocks = readBlocks(number, m_span);
    if (blocks.isEmpty()) {
        // A block that could not be read stays empty until the list is read again: a grid would
        // otherwise send the failing statement for every cell it paints.
        auto block = std::make_shared<Block>();
        block->first = number * m_options.blockSize;
        block->rsRow.fill(-1, std::min<int>(m_options.blockSize, int(m_keys.size()) - block->first));
        blocks << block;
    }
    m_nextBlock = number + int(blocks.size());
    // Inserted last to first, so that the block asked for is the most recent.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        const int n = (*it)->first / m_options.blockSize;
        if (m_blocks.contains(n)) continue;
        m_blocks.insert(n, *it);
        m_recent.append(n);
        m_held += int((*it)->rsRow.size());
    }
    while (m_recent.size() > m_options.keptBlocks) {
        const auto dropped = m_blocks.find(m_recent.takeFirst());
        m_held -= int((*dropped)->rsRow.size());
        m_blocks.erase(dropped);
    }
    m_mostHeld = std::max(m_mostHeld, m_held);
    m_last = m_blocks.value(number).get();
    return m_last;
}

bool ListRecordset::Walk(const RowVisitor& visit, int chunk, const QList<int>& fields) const {
    if (!m_open || !CompleteKeys()) return false;
    const int count = m_fields.count();
    QList<int> wanted;
    for (int f : fields)
        if (f >= 0 && f < count && !wanted.contains(f)) wanted << f;
    if (fields.isEmpty())
        for (int f = 0; f < count; ++f) wanted << f;
    QVector<QVariant> values(count);
    if (!m_keyed) {
        for (int r = 0; r < m_snapshot->RecordCount(); ++r) {
            for (int f : wanted) values[f] = m_snapshot->ValueAt(r, f);
            if (!visit(r, values)) return false;
        }
        return true;
    }
    // Only the fields asked for travel: the rows' other columns (the stored folds, say) are not read.
    QStringList columns;
    if (!fields.isEmpty())
        for (int f : wanted) columns << m_fields.fieldName(f);
    chunk = std::max(1, chunk);
    int from = 0;
    if (!m_order.trimmed().isEmpty()) {
        bool stopped = false;
        from = walkInOneStatement(visit, wanted, columns, values, &stopped);
        if (stopped) return false;
    }
    for (int first = from; first < m_keys.size(); first += chunk) {
        const int n = std::min<int>(chunk, int(m_keys.size()) - first);
        const std::shared_ptr<Block> rows = readRows(first, n, columns);
        if (!rows) return false;
        QList<int> column;  // per wanted field, its column in the rows read
        for (int f : wanted) column << (columns.isEmpty() ? f : rows->rs->FieldIndex(m_fields.fieldName(f)));
        for (int i = 0; i < n; ++i) {
            const int r = rows->rsRow.at(i);
            for (int w = 0; w < wanted.size(); ++w)
                values[wanted.at(w)] = r < 0 || column.at(w) < 0 ? QVariant() : rows->rs->ValueAt(r, column.at(w));
            if (!visit(first + i, values)) return false;
        }
    }
    return true;
}

int ListRecordset::walkInOneStatement(const RowVisitor& visit, const QList<int>& wanted,
                                      const QStringList& columns, QVector<QVariant>& values,
                                      bool* stopped) const {
    if (m_keys.isEmpty()) return 0;
    // One statement costs less than the twenty a list of 20,000 takes by key; the keys tell
    // whether its rows are still the list's.
    QString selected = QStringLiteral("q.*");
    if (!columns.isEmpty()) {
        QStringList list{QStringLiteral("q.") + m_keyField};
        for (const QString& c : columns)
            if (c.compare(m_keyField, Qt::CaseInsensitive) != 0) list << QStringLiteral("q.") + c;
        selected = list.join(QStringLiteral(", "));
    }
    const QString sql = QStringLiteral("SELECT ") + top(m_maxRows) + selected + QStringLiteral(" FROM ") +
                        derived(m_statement) + orderBy(orderWithKey(m_order, m_keyField));
    RowStream stream;
    int row = 0;
    if (stream.Open(sql, m_conn)) {
        QList<int> column;  // per wanted field, its column in the rows read
        for (int f : wanted)
            column << (columns.isEmpty() ? f : stream.Fields().indexOf(m_fields.fieldName(f)));
        const int keyColumn = stream.Fields().indexOf(m_keyField);
        QVector<QVariant> read;
        while (keyColumn >= 0 && row < m_keys.size() && stream.Next(read)) {
            if (!sameKey(read.at(keyColumn), m_keys.at(row))) break;
            for (int w = 0; w < wanted.size(); ++w)
                values[wanted.at(w)] = column.at(w) < 0 ? QVariant() : read.at(column.at(w));
            if (!visit(row, values)) {
                *stopped = true;
                return row;
            }
            ++row;
        }
    }
    // The rest is read by key, which reports a failure of its own.
    if (stream.Failed()) Err().Clear();
    return row;
}

QVariant ListRecordset::key(int row) const {
    if (!hasRow(row)) return {};
    if (m_keyed) return m_keys.at(row);
    return m_snapshot->ValueAt(row, m_keyFieldIndex);
}

int ListRecordset::rowOfKey(const QVariant& key) const {
    if (!m_open || key.isNull()) return -1;
    if (m_keyed) {
        // The keys read so far first: the row asked for is mostly on the first screen.
        for (int i = 0; i < m_keys.size(); ++i)
            if (sameKey(m_keys.at(i), key)) return i;
        if (m_complete || !CompleteKeys()) return -1;
        for (int i = 0; i < m_keys.size(); ++i)
            if (sameKey(m_keys.at(i), key)) return i;
        return -1;
    }
    if (m_keyFieldIndex < 0) return -1;
    for (int i = 0; i < m_snapshot->RecordCount(); ++i)
        if (sameKey(m_snapshot->ValueAt(i, m_keyFieldIndex), key)) return i;
    return -1;
}

bool ListRecordset::fetchRow(int row) const {
    if (!hasRow(row)) return false;
    if (!m_keyed) return true;
    const Block* block = blockFor(row);
    return block && block->rsRow.at(row - block->first) >= 0;
}

int ListRecordset::rowCount() const {
    CompleteKeys();
    return rowsAvailable();
}

int ListRecordset::fieldCount() const {
    return m_fields.count();
}

QString ListRecordset::fieldName(int field) const {
    return m_fields.fieldName(field);
}

int ListRecordset::fieldIndex(const QString& name) const {
    return m_fields.indexOf(name);
}

QVariant ListRecordset::value(int row, int field) const {
    if (!m_open || field < 0 || field >= m_fields.count() || !hasRow(row)) return {};
    if (!m_keyed) return m_snapshot->ValueAt(row, field);
    const Block* block = blockFor(row);
    if (!block) return {};
    const int r = block->rsRow.at(row - block->first);
    return r < 0 ? QVariant() : block->rs->ValueAt(r, field);
}
