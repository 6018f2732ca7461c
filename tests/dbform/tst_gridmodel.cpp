#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

#include "FormScript.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "modResIDs.h"

namespace {
FormScript read(long id, const char* name) {
    FormScript s;
    QString error;
    if (!FormScript::Parse(modResIDs::GetResString(id, QString::fromLatin1(name)), s, &error))
        qWarning("%s", qPrintable(error));
    return s;
}

// Three entries: a NULL incoming date in the first, the last soft-deleted.
bool fillProtocol(const ConnectionPtr& c) {
    const char* rows[] = {
        "INSERT INTO PROTOCOL (HMEROM, APO, THEMA, MODUSER) VALUES ('2026-03-02', 'Δήμος Αθηναίων', "
        "'Αίτηση άδειας', 1)",
        "INSERT INTO PROTOCOL (HMEROM, HMER_EIS, APO, THEMA, MODUSER) VALUES ('2026-03-05', '2026-03-01', "
        "'Περιφέρεια Αττικής', 'Έγγραφο', 1)",
        "INSERT INTO PROTOCOL (HMEROM, APO, THEMA, MODUSER) VALUES ('2026-03-06', 'Υπουργείο', 'Άκυρο', 1)",
        "UPDATE PROTOCOL SET MODFLAG = 'D', HMER_DIEKP = '2026-03-06 14:30:00' WHERE THEMA = 'Άκυρο'",
    };
    for (const char* sql : rows)
        if (!c->Execute(QString::fromUtf8(sql))) return false;
    return true;
}

QString text(const GridModel& m, int row, int col) {
    return m.data(m.index(row, col)).toString();
}

// The rows of "SELECT <fields> FROM PROTOCOL ORDER BY ID" as the named kind of source: a snapshot,
// or a list read one row per block, so that every row shown is read when the grid asks for it.
std::shared_ptr<const RowSource> protocolRows(const QString& kind, const ConnectionPtr& c,
                                              const QString& fields) {
    const QString sql = QStringLiteral("SELECT %1 FROM PROTOCOL").arg(fields);
    if (kind == QLatin1String("list")) {
        auto list = std::make_shared<ListRecordset>(ListRecordset::Options{.blockSize = 1, .keptBlocks = 1});
        if (!list->Open(c, sql, QStringLiteral("ID"), QStringLiteral("ID"), 0)) return nullptr;
        return list;
    }
    Recordset rs;
    if (!rs.Open(sql + QStringLiteral(" ORDER BY ID"), c)) return nullptr;
    return std::make_shared<RecordsetRows>(rs);
}

void addSourceRows() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("source");
    for (const Backend b : TestDatabase::configuredBackends())
        for (const char* kind : {"recordset", "list"}) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " " + kind)) << tag << QString::fromLatin1(kind);
        }
}
}  // namespace

class tst_GridModel : public QObject {
    Q_OBJECT
private slots:
    void registerList_data() { addSourceRows(); }
    void registerList();
    void withoutColumns_data() { TestDatabase::addBackendRows(); }
    void withoutColumns();
    void characterWidths();
    void displayText_data();
    void displayText();
};

void tst_GridModel::registerList() {
    QFETCH(QString, source);
    TEST_REGISTER(db);
    QVERIFY(fillProtocol(db.conn()));
    const std::shared_ptr<const RowSource> rows = protocolRows(source, db.conn(), QStringLiteral("*"));
    QVERIFY(rows);

    GridModel m;
    m.setScript(read(143, "Prot.frs"));
    QCOMPARE(m.rowCount(), 0);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    m.setSource(rows);
    QCOMPARE(m.source(), rows);
    // The keyed list shows its first row at once and the rest after the event loop's next turn,
    // as rows added after it.
    QCOMPARE(m.rowCount(), source == "list" ? 1 : 3);
    QTRY_COMPARE(m.rowCount(), 3);
    QCOMPARE(inserted.size(), source == "list" ? 1 : 0);
    if (!inserted.isEmpty()) QCOMPARE(inserted.first().at(1).toInt(), 1);
    m.setRowBackground(GridModel::deletedRowColour(QStringLiteral("MODFLAG")));

    const QStringList fields{"MODFLAG",        "PROT_AA",       "ETOS",     "HMEROM",   "APO",
                             "EIS_TYPOS_CODE", "EX_TYPOS_CODE", "HMER_EIS", "PROT_EIS", "HMER_APANT",
                             "PROS",           "THEMA",         "THEMA_EX"};
    const QStringList headers{"RowStatus", "Αρ.Πρωτ.", "Έτος",       "Ημερομηνία", "Από",
                              "Τύπ.Εισ",   "Τύπ.Εξ",   "Ημερ.Εισ.",  "Πρωτ.Εισ",   "Ημερ.Απάντ.",
                              "Προς",      "Θέμα",     "Θέμα εξερχ."};
    const QList<int> widths{0, 53, 33, 67, 100, 53, 53, 67, 53, 67, 100, 133, 133};
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.columnCount(), fields.size());
    for (int c = 0; c < fields.size(); ++c) {
        QCOMPARE(m.fieldName(c), fields.at(c));
        QCOMPARE(m.headerData(c, Qt::Horizontal).toString(), headers.at(c));
        QCOMPARE(m.columnWidth(c), widths.at(c));
        QCOMPARE(m.isColumnHidden(c), c == 0);
    }

    const int hmerom = fields.indexOf("HMEROM"), hmerEis = fields.indexOf("HMER_EIS");
    const int apo = fields.indexOf("APO"), aa = fields.indexOf("PROT_AA");
    QCOMPARE(text(m, 0, hmerom), QStringLiteral("02/03/2026"));
    QCOMPARE(m.data(m.index(0, hmerom), Qt::UserRole).toDate(), QDate(2026, 3, 2));
    QCOMPARE(text(m, 0, hmerEis), QString());
    QVERIFY(m.data(m.index(0, hmerEis), Qt::UserRole).isNull());
    QCOMPARE(text(m, 1, hmerEis), QStringLiteral("01/03/2026"));
    QCOMPARE(text(m, 1, apo), QStringLiteral("Περιφέρεια Αττικής"));
    QCOMPARE(text(m, 2, aa), QStringLiteral("3"));

    // Named by the script but not in this statement: an empty column.
    const int code = fields.indexOf("EIS_TYPOS_CODE");
    QCOMPARE(m.fieldIndex(code), -1);
    QCOMPARE(text(m, 0, code), QString());
    QVERIFY(!m.data(m.index(0, code), Qt::UserRole).isValid());

    for (int r = 0; r < 3; ++r)
        for (int c : {0, apo}) {
            const QVariant back = m.data(m.index(r, c), Qt::BackgroundRole);
            if (r == 2)
                QCOMPARE(back.value<QColor>(), QColor(255, 200, 200));
            else
                QVERIFY(!back.isValid());
        }
    QCOMPARE(text(m, 2, 0), QStringLiteral("D"));

    // A new source without the flag: no colour, no crash.
    m.setSource(protocolRows(source, db.conn(), QStringLiteral("ID, THEMA")));
    QTRY_COMPARE(m.rowCount(), 3);
    QCOMPARE(m.columnCount(), fields.size());
    QCOMPARE(text(m, 2, fields.indexOf("THEMA")), QStringLiteral("Άκυρο"));
    QCOMPARE(text(m, 2, hmerom), QString());
    QVERIFY(!m.data(m.index(2, 0), Qt::BackgroundRole).isValid());

    m.setSource(nullptr);
    QCOMPARE(m.rowCount(), 0);
    QVERIFY(!m.data(m.index(0, 0)).isValid());
}

void tst_GridModel::withoutColumns() {
    TEST_REGISTER(db);
    QVERIFY(fillProtocol(db.conn()));
    Recordset rs;
    QVERIFY(rs.Open(QStringLiteral("SELECT ID, THEMA, HMER_DIEKP FROM PROTOCOL ORDER BY ID"), db.conn()));

    GridModel m;
    m.setColumns({});
    m.setRecordset(rs);
    QVERIFY(!m.scriptColumns());
    QCOMPARE(m.columnCount(), 3);
    const QStringList names{"ID", "THEMA", "HMER_DIEKP"};
    for (int c = 0; c < names.size(); ++c) {
        QCOMPARE(m.headerData(c, Qt::Horizontal).toString().toUpper(), names.at(c));
        QVERIFY(!m.isColumnHidden(c));
        QCOMPARE(m.columnWidth(c), -1);
    }
    QCOMPARE(text(m, 0, 1), QStringLiteral("Αίτηση άδειας"));
    QCOMPARE(text(m, 0, 2), QString());
    QCOMPARE(text(m, 2, 2), QStringLiteral("06/03/2026 14:30"));
}

void tst_GridModel::characterWidths() {
    // Without #Gridset the widths count characters of the font.
    GridModel m;
    m.setScript(read(100, "users.frs"));
    QCOMPARE(m.columnCount(), 5);
    QCOMPARE(m.rowCount(), 0);
    const int ch = QFontMetrics(m.font()).averageCharWidth();
    QVERIFY(ch > 0);
    const QList<int> chars{40, 30, 30, 15, 15};
    for (int c = 0; c < chars.size(); ++c) QCOMPARE(m.columnWidth(c), chars.at(c) * ch);
    QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Επώνυμο"));
    QCOMPARE(text(m, 0, 0), QString());
}

void tst_GridModel::displayText_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("null") << QVariant() << QString();
    QTest::newRow("null date") << QVariant(QMetaType(QMetaType::QDate)) << QString();
    QTest::newRow("date") << QVariant(QDate(2026, 1, 9)) << "09/01/2026";
    QTest::newRow("midnight") << QVariant(QDateTime(QDate(2026, 1, 9), QTime(0, 0))) << "09/01/2026";
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 1, 9), QTime(8, 5, 59)))
                               << "09/01/2026 08:05";
    QTest::newRow("integer") << QVariant(1234567) << "1234567";
    QTest::newRow("long") << QVariant(qlonglong(-42)) << "-42";
    QTest::newRow("double") << QVariant(1234567.5) << "1234567.5";
    QTest::newRow("whole double") << QVariant(12.0) << "12";
    QTest::newRow("text") << QVariant(QStringLiteral("Θέμα")) << "Θέμα";
}

void tst_GridModel::displayText() {
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    QCOMPARE(GridModel::displayText(value), expected);
}

QTEST_MAIN(tst_GridModel)
#include "tst_gridmodel.moc"
