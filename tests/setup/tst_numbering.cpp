#include <QMutex>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <latch>
#include <memory>
#include <numeric>

#include "Err.h"
#include "Recordset.h"
#include "RegisterDatabase.h"

namespace {

QVariant value(const ConnectionPtr& c, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, c) || rs.Eof()) return {};
    return rs.Value(0);
}

// Inserts an entry as the register does (no PROT_AA) and returns its ID, or -1.
qint64 insertEntry(const ConnectionPtr& c, const QString& hmerom,
                   const QString& etos = QStringLiteral("NULL")) {
    Recordset rs;
    if (!rs.Open(
            QStringLiteral("INSERT INTO PROTOCOL (ETOS, HMEROM, THEMA, MODUSER) VALUES (%1, '%2', 'Θέμα', 1)"
                           " RETURNING ID")
                .arg(etos, hmerom),
            c) ||
        rs.Eof())
        return -1;
    return rs.Value(0).toLongLong();
}

int numberOf(const ConnectionPtr& c, qint64 id) {
    const QVariant aa = value(c, QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID = %1").arg(id));
    return aa.isNull() ? -1 : aa.toInt();
}

struct Numbered {
    int year;
    int number;
};

}  // namespace

class tst_Numbering : public QObject {
    Q_OBJECT
private slots:
    void init() { Err().Clear(); }
    void perYear_data() { TestDatabase::addBackendRows(); }
    void perYear();
    void concurrentWriters_data();
    void concurrentWriters();
};

void tst_Numbering::perYear() {
    TEST_REGISTER(db);
    const ConnectionPtr c = db.conn();
    // Without ETOS the entry's year is that of its date.
    const qint64 a = insertEntry(c, "2025-12-31");
    const qint64 b = insertEntry(c, "2026-01-01");
    const qint64 d = insertEntry(c, "2025-12-31", "2026");
    QCOMPARE(value(c, QStringLiteral("SELECT ETOS FROM PROTOCOL WHERE ID = %1").arg(a)).toInt(), 2025);
    QCOMPARE(value(c, QStringLiteral("SELECT ETOS FROM PROTOCOL WHERE ID = %1").arg(b)).toInt(), 2026);
    QCOMPARE(numberOf(c, a), 1);
    QCOMPARE(numberOf(c, b), 1);
    QCOMPARE(numberOf(c, d), 2);

    // A rolled-back entry gives its number back.
    QVERIFY(c->BeginTrans());
    QCOMPARE(numberOf(c, insertEntry(c, "2026-05-05", "2026")), 3);
    QVERIFY(c->RollbackTrans());
    const qint64 e = insertEntry(c, "2026-05-05", "2026");
    QCOMPARE(numberOf(c, e), 3);

    // Changing an entry keeps its number.
    QVERIFY(
        c->Execute(QStringLiteral("UPDATE PROTOCOL SET THEMA = 'Άλλο', MODFLAG = 'M' WHERE ID = %1").arg(b)));
    QCOMPARE(numberOf(c, b), 1);
}

void tst_Numbering::concurrentWriters_data() {
    // The PostgreSQL row is always listed: its skip shows in the log when no server is configured.
    QTest::addColumn<QString>("backend");
    for (const Backend b : {Backend::SQLite, Backend::PostgreSQL})
        QTest::newRow(qPrintable(TestDatabase::backendTag(b))) << TestDatabase::backendTag(b);
}

void tst_Numbering::concurrentWriters() {
    if (TestDatabase::currentBackend() == Backend::PostgreSQL && !TestDatabase::postgresConfigured())
        QSKIP("PROTOCOL_TEST_PG names no PostgreSQL server");
    TEST_REGISTER(db);
    constexpr int kWriters = 8;
    constexpr int kEntries = 50;
    // Connection::Open touches process-wide state (the active dialect), so opening is taken in turns.
    QMutex openLock;
    std::latch ready(kWriters);
    std::vector<std::vector<Numbered>> got(kWriters);
    std::vector<QString> errors(kWriters);
    std::vector<std::unique_ptr<QThread>> threads;

    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back(QThread::create([&, w] {
            ConnectionPtr c;
            {
                QMutexLocker lock(&openLock);
                c = db.openAnother();
            }
            ready.arrive_and_wait();
            if (!c->IsOpen()) {
                errors[w] = "open: " + c->LastErrorText();
                return;
            }
            for (int i = 0; i < kEntries && errors[w].isEmpty(); ++i) {
                const int year = (w + i) % 2 ? 2025 : 2026;
                if (!c->BeginTrans()) {
                    errors[w] = "begin: " + c->LastErrorText();
                    break;
                }
                // The register's save: the entry, then its department links, in one transaction.
                const qint64 id = insertEntry(c, QStringLiteral("%1-06-15").arg(year), QString::number(year));
                const int number = id < 0 ? -1 : numberOf(c, id);
                if (number < 0 ||
                    !c->Execute(
                        QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, 1)").arg(id))) {
                    errors[w] = "insert: " + c->LastErrorText();
                    c->RollbackTrans();
                    break;
                }
                // Every tenth save is abandoned: its number must come back to the next writer.
                if (i % 10 == 9) {
                    c->RollbackTrans();
                    continue;
                }
                if (!c->CommitTrans()) {
                    errors[w] = "commit: " + c->LastErrorText();
                    break;
                }
                got[w].push_back({year, number});
            }
            QMutexLocker lock(&openLock);
            c->Close();
        }));
        threads.back()->start();
    }
    for (auto& t : threads) QVERIFY(t->wait(120000));
    for (int w = 0; w < kWriters; ++w) QVERIFY2(errors[w].isEmpty(), qPrintable(errors[w]));

    const ConnectionPtr c = db.conn();
    for (const int year : {2025, 2026}) {
        QList<int> seen;
        for (const auto& list : got)
            for (const Numbered& n : list)
                if (n.year == year) seen << n.number;
        std::sort(seen.begin(), seen.end());
        QList<int> expected(seen.size());
        std::iota(expected.begin(), expected.end(), 1);
        // What each writer read back, and what the table holds: 1..n, no number twice, none missing.
        QCOMPARE(seen, expected);
        Recordset rs;
        QVERIFY(rs.Open(
            QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ETOS = %1 ORDER BY PROT_AA").arg(year), c));
        QList<int> stored;
        for (; !rs.Eof(); rs.MoveNext()) stored << rs.Value(0).toInt();
        QCOMPARE(stored, expected);
    }
    QCOMPARE(value(c, "SELECT count(*) FROM PROTOCOL").toInt(), kWriters * (kEntries - kEntries / 10));
    QCOMPARE(value(c, "SELECT count(*) FROM R_YPEYTH").toInt(), kWriters * (kEntries - kEntries / 10));
}

QTEST_GUILESS_MAIN(tst_Numbering)
#include "tst_numbering.moc"
