#pragma once

#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

#include "Connection.h"
#include "RowSource.h"

class QSqlError;
class Recordset;

// The list page's record set: at most maxRows rows of one statement, held as the rows' keys in the
// list's order. The rows themselves are read by key in blocks when they are first asked for, and
// only the most recently read blocks are kept, so a list of 20,000 rows never holds more than a few
// hundred of them at once. Rows that another user removed since the list was opened read as null.
//
// The statement runs as a derived table: the keys come from
//   SELECT TOP maxRows <keyField> FROM (<statement>) q [ORDER BY <order>, <keyField>]
// (the key breaks ties, so that the list's order is the same on every backend and every read), and
// a block from
//   SELECT * FROM (<statement without its WHERE>) q WHERE <keyField> IN (k1, k2, ...)
// The keys already decided which rows belong, so a block does not evaluate the list's condition
// again (a sub-select in it would run for every block); a statement whose condition cannot be cut
// off safely (GROUP BY, TOP, UNION ...) keeps it. TOP becomes LIMIT through the dialect; on SQLite
// the block joins the keys as a VALUES list instead, which its planner looks up by key. When the
// statement's rows carry no such key column, the list falls back to one snapshot of at most maxRows
// whole rows (keyed() is then false).
//
// Open reads only the first keys (one block's worth) and the rows they need; the rest of the keys
// are read when something needs them (a row beyond them, the count, a walk) or when
// CompleteKeys() is called, as the grid does once the first screen is shown: the key statement then
// runs again whole (same order, the key breaking ties). A list without an order is read whole.
class ListRecordset : public RowSource {
public:
    struct Options {
        int blockSize = 100;  // rows read by one block statement
        int keptBlocks = 8;   // blocks kept in memory; the least recently read one is dropped
        int firstKeys = -1;   // keys Open reads before the rest (-1: one block; 0: all of them)
    };
    // Called when the rest of the keys came in: reset is false when the rows known before kept their
    // places (rows were added after them), true when the list changed meanwhile and was replaced.
    using GrowthHook = std::function<void(bool reset)>;

    ListRecordset();
    explicit ListRecordset(Options options);
    ~ListRecordset() override;
    ListRecordset(const ListRecordset&) = delete;
    ListRecordset& operator=(const ListRecordset&) = delete;

    // Opens the list. order is the text after ORDER BY (empty: the statement's own row order);
    // maxRows <= 0 means no limit. On failure the list stays closed, the connection's error is
    // pending (Err()) and false is returned.
    bool Open(const ConnectionPtr& conn, const QString& statement, const QString& keyField,
              const QString& order, int maxRows);
    // Runs the same list again (keys and fields); blocks read before are dropped.
    bool Requery();
    void Close();
    bool IsOpen() const { return m_open; }

    QString Statement() const { return m_statement; }
    QString KeyField() const { return m_keyField; }
    QString Order() const { return m_order; }
    int MaxRows() const { return m_maxRows; }
    ConnectionPtr ActiveConnection() const { return m_conn; }
    // False when the list fell back to a snapshot of whole rows.
    bool keyed() const { return m_keyed; }

    // True once every key of the list has been read.
    bool IsComplete() const { return !m_open || m_complete; }
    // Reads the rest of the keys now; false when that failed (the error is pending; the keys read
    // so far stay the list).
    bool CompleteKeys() const;
    // The rows whose keys have been read; rowCount() reads the rest first.
    int rowsAvailable() const override;
    void setGrowthHook(GrowthHook hook) const { m_grown = std::move(hook); }

    // The key of a row; null when out of range.
    QVariant key(int row) const;
    // The first row holding the key (compared as numbers when both are numeric); -1 when none.
    int rowOfKey(const QVariant& key) const;
    // The row's values are read now (one block statement when not held); false when the row is out
    // of range, no longer exists, or the block could not be read (the error is then pending, once:
    // the block reads as empty until Requery).
    bool fetchRow(int row) const;

    // Reads every row in the list's order, keeping none of them: the visitor gets each row's values
    // by field index (all null for a row removed meanwhile) and returns false to stop. The rows come
    // from the list's statement run once more in its order, as long as its keys are the list's;
    // from where they differ (another user changed the list), `chunk` rows to a statement by key. With
    // `fields` (indexes) only those are read, the others stay null. False when a read failed (the error is
    // pending) or the visitor stopped.
    using RowVisitor = std::function<bool(int row, const QVector<QVariant>& values)>;
    bool Walk(const RowVisitor& visit, int chunk = 1000, const QList<int>& fields = {}) const;

    // For tests and the benchmark: rows read by block statements since Open, and the most rows held
    // at once (blocks and snapshot), and the block statements run.
    qint64 rowsRead() const { return m_rowsRead; }
    int mostRowsHeld() const { return m_mostHeld; }
    int blocksRead() const { return m_blocksRead; }

    // The statements as the system writes them (T-SQL: TOP, the derived table q), before the
    // dialect adapts them; keys are plain decimals when numeric, else literals of the dialect, each
    // key once.
    static QString KeySql(const QString& statement, const QString& keyField, const QString& order,
                          int maxRows);
    static QString SnapshotSql(const QString& statement, const QString& order, int maxRows);
    // The statement without its top-level WHERE clause; the statement itself when it has none, and
    // an empty text when its condition cannot be cut off alone.
    static QString Unconditioned(const QString& statement);
    // columns: the columns read (all when empty; the key is read in any case).
    static QString BlockSql(const QString& statement, const QString& keyField, const QList<QVariant>& keys,
                            const SqlDialect& dialect, const QStringList& columns = {});

    int rowCount() const override;
    bool canFetchMore() const override { return !IsComplete(); }
    void fetchMore() const override { CompleteKeys(); }
    void setGrowthListener(std::function<void(bool)> hook) const override { setGrowthHook(std::move(hook)); }
    int fieldCount() const override;
    QString fieldName(int field) const override;
    int fieldIndex(const QString& name) const override;
    QVariant value(int row, int field) const override;

private:
    struct Block;
    const Block* blockFor(int row) const;
    // The rows of the list's positions first .. first + count - 1, read by their keys; null when
    // the statement failed (the error is pending).
    std::shared_ptr<Block> readRows(int first, int count, const QStringList& columns = {}) const;
    // Blocks number .. number + span - 1 in one statement; empty when it failed (the error is pending).
    QList<std::shared_ptr<Block>> readBlocks(int number, int span) const;
    bool run();
    bool readKeys(QVector<QVariant>* keys, int maxRows, QSqlError* error = nullptr) const;
    int firstKeys() const;
    enum class Rest { Failed, Appended, Replaced };
    Rest readRestOfKeys() const;
    bool hasRow(int row) const;
    void clearRows();
    // Walk's rows in one statement, as long as they come back in the list's order; the number of
    // rows visited. *stopped when the visitor stopped.
    int walkInOneStatement(const RowVisitor& visit, const QList<int>& wanted, const QStringList& columns,
                           QVector<QVariant>& values, bool* stopped) const;

    Options m_options;
    ConnectionPtr m_conn;
    QString m_statement, m_keyField, m_order;
    int m_maxRows = 0;
    bool m_open = false;
    bool m_keyed = true;
    QSqlRecord m_fields;
    mutable QVector<QVariant> m_keys;
    mutable bool m_complete = true;
    mutable GrowthHook m_grown;
    int m_keyFieldIndex = -1;
    std::unique_ptr<Recordset> m_snapshot;  // when not keyed

    mutable QHash<int, std::shared_ptr<Block>> m_blocks;  // by block number
    mutable QList<int> m_recent;                          // block numbers, most recent last
    mutable qint64 m_rowsRead = 0;
    mutable int m_mostHeld = 0;
    mutable int m_blocksRead = 0;
    mutable int m_held = 0;                 // rows of the blocks kept
    mutable const Block* m_last = nullptr;  // the most recent block, m_recent.last()
    mutable int m_nextBlock = -1;           // the block after the last read: read next going down
    mutable int m_span = 1;                 // blocks the last statement read
};
