// What the register shows and writes, compared with a record made once: the lists' contents (in
// the Greek collation's order), the searches' results, the totals' groups and the export's bytes of
// a small register whose texts differ only in case, accents and final sigma, with Nulls, empty
// texts, quotes, separators and line breaks, dates with and without a time.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "CommonDialog.h"
#include "Cp1253.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "SqlDialect.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "clsRptProtGroup.h"
#include "cls_User.h"
#include "frmMDI.h"
#include "frmProtocol.h"
#include "modDeclare.h"

using namespace modDeclare;

#ifndef RESULTS_RECORD
#error "RESULTS_RECORD names the recorded results (<name>.<backend>.txt)"
#endif

namespace {

class Form : public frmProtocol {
public:
    clsDBForm& f() { return *mclsDBForm; }
    void key(const char* k) { mclsDBForm->ToolbarAction(QLatin1String(k)); }
};

using SessionSql::exec;
using SessionSql::scalar;

// A value with its kind, so that a date read as a text (or a time zone's shift) shows.
QString cell(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("~");
    switch (v.typeId()) {
        case QMetaType::QDate:
            return QStringLiteral("d:") + v.toDate().toString(Qt::ISODate);
        case QMetaType::QDateTime: {
            const QDateTime t = v.toDateTime();
            return QStringLiteral("t:") + t.toString(Qt::ISODate);
        }
        case QMetaType::QString:
            return QStringLiteral("s:") +
                   v.toString().replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
        default:
            return QStringLiteral("n:") + v.toString();
    }
}

// The fields of every row of a list, the bookkeeping columns no window shows left out (the stored
// folds, which PostgreSQL alone has, and the save token).
QStringList listed(const ListRecordset& list) {
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r) {
        QStringList values;
        for (int f = 0; f < list.fieldCount(); ++f)
            if (!list.fieldName(f).endsWith(QLatin1String("_FOLD"), Qt::CaseInsensitive) &&
                list.fieldName(f).compare(QLatin1String("SAVETOKEN"), Qt::CaseInsensitive) != 0)
                values << list.fieldName(f).toUpper() + QLatin1Char('=') + cell(list.value(r, f));
        out << values.join(u'|');
    }
    return out;
}

struct Entry {
    const char* hmerom;
    const char* apo;
    const char* pros;
    const char* thema;
    const char* diekp;  // HMER_DIEKP
    int type;           // 0: none, 1: DOC, 2: FAX
    int depts;          // bits: T1, T2, T3
    bool deleted = false;
};

// Senders and subjects that one group or one search must gather whatever their case and accents.
const Entry kEntries[] = {
    {"2024-01-05", "Δήμος Αθηναίων", nullptr, "Προκήρυξη διαγωνισμός υλικών", "2024-01-06 09:15:00", 1, 1},
    {"2024-01-05", "ΔΗΜΟΣ ΑΘΗΝΑΙΩΝ", nullptr, "ΔΙΑΓΩΝΙΣΜΟΣ οδοποιίας", "2024-01-06 00:00:00", 2, 3},
    {"2024-01-07", "δήμος αθηναιών", nullptr, "Διαγωνισμος; \"πρασίνου\"", nullptr, 1, 2},
    {"2024-02-01", "Ιδιώτης", nullptr, "άδεια 50% _κενό_", "2024-02-03 17:45:30", 0, 4},
    {"2024-02-01", "ΙΔΙΩΤΗΣ", nullptr, "Αδεια\r\nδεύτερη γραμμή", nullptr, 2, 0},
    {"2024-02-02", "", "Τμήμα Προμηθειών", "μισθοδοσία Μαρτίου", "2024-02-02 12:00:00", 0, 5},
    {"2024-02-02", nullptr, "ΤΜΗΜΑ ΠΡΟΜΗΘΕΙΩΝ", "Μισθοδοσια", nullptr, 1, 6},
    {"2024-03-10", nullptr, "τμημα προμηθειων", "σύμβαση έργου", "2024-03-11 08:00:00", 2, 7},
    {"2024-03-10", "Alpha Ltd", "Νομική Υπηρεσία", "ΣΥΜΒΑΣΗ", nullptr, 1, 1},
    {"2024-03-11", "alpha ltd", "", "Σύμβασις", "2024-12-31 23:59:59", 0, 2},
    {"2024-03-12", "Ωμέγα Α.Ε.", nullptr, "Ενημέρωση: ΕΡΓΟ", nullptr, 2, 4},
    {"2024-03-12", "άλφα", nullptr, "ενημερωση: εργο", "2024-03-12 00:00:00", 1, 0},
    {"2024-03-13", "Άλφα", "Γραφείο «€»", "Διαβιβαστικό", nullptr, 0, 3},
    {"2024-04-01", "Ζήτα", nullptr, "Ζ", nullptr, 1, 1, true},
    {"2023-12-31", "Δήμος Αθηναίων", nullptr, "Προηγούμενο έτος", nullptr, 1, 1},
};

}  // namespace

class TestResults : public QObject {
    Q_OBJECT

    // The register's lookups and entries (one soft-deleted); every date and time written out, so
    // that nothing depends on the clock.
    static bool fill() {
        bool ok =
            exec(QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR, MODUSER) VALUES ('DOC', 'Έγγραφο', 1)")) &&
            exec(QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR, MODUSER) VALUES ('FAX', 'φαξ', 1)"));
        const char* depts[][2] = {{"T1", "Λογιστήριο"}, {"T2", "ΛΟΓΙΣΤΗΡΙΟ Β"}, {"T3", "γραμματεία"}};
        for (const auto& d : depts)
            ok = ok &&
                 exec(QStringLiteral("INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('%1', '%2', 1)")
                          .arg(QString::fromUtf8(d[0]), QString::fromUtf8(d[1])));
        if (!ok) return false;
        const QString types[3] = {QStringLiteral("NULL"),
                                  scalar(QStringLiteral("SELECT ID FROM L_TYPOI WHERE CODE='DOC'")),
                                  scalar(QStringLiteral("SELECT ID FROM L_TYPOI WHERE CODE='FAX'"))};
        QString deptIds[3];
        for (int i = 0; i < 3; ++i)
            deptIds[i] = scalar(QStringLiteral("SELECT ID FROM L_TMHMATA WHERE CODE='T%1'").arg(i + 1));
        const SqlDialect& d = gConn->dialect();
        const auto text = [](const char* s) {
            return s ? StrHelper::SqlValue(QString::fromUtf8(s)) : QStringLiteral("NULL");
        };
        const auto when = [&](const char* s) {
            if (!s) return QStringLiteral("NULL");
            const QDateTime t =
                QDateTime::fromString(QString::fromLatin1(s), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            return d.dateTimeLiteral(t);
        };
        int n = 0;
        for (const Entry& e : kEntries) {
            const QDate day = QDate::fromString(QString::fromLatin1(e.hmerom), Qt::ISODate);
            const bool incoming = e.apo != nullptr;
            ok = ok &&
                 exec(QStringLiteral(
                          "INSERT INTO PROTOCOL (ETOS, HMEROM, APO, EIS_TYPOS_ID, PROT_EIS, HMER_EIS, "
                          "PROS, EX_TYPOS_ID, THEMA, HMER_DIEKP, MODDATE, MODFLAG, MODUSER) VALUES "
                          "(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, 1)")
                          .arg(day.year())
                          .arg(d.dateLiteral(day), text(e.apo),
                               incoming ? types[e.type] : QStringLiteral("NULL"),
                               incoming ? StrHelper::SqlValue(QStringLiteral("ΑΠ-%1").arg(n))
                                        : QStringLiteral("NULL"),
                               incoming ? d.dateLiteral(day.addDays(-2)) : QStringLiteral("NULL"),
                               text(e.pros), incoming ? QStringLiteral("NULL") : types[e.type], text(e.thema))
                          .arg(when(e.diekp), d.dateTimeLiteral(QDateTime(day, QTime(10, n, 7))),
                               e.deleted ? QStringLiteral("'D'") : QStringLiteral("'N'")));
            const QString id = scalar(QStringLiteral("SELECT max(ID) FROM PROTOCOL"));
            for (int b = 0; b < 3; ++b)
                if (e.depts & (1 << b))
                    ok = ok && exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)")
                                        .arg(id, deptIds[b]));
            ++n;
        }
        return ok;
    }

    static QStringList section(const QString& title, const QStringList& lines) {
        return QStringList{QStringLiteral("## ") + title} + lines;
    }

    static QStringList search(Form& form, const QList<std::pair<int, QString>>& boxes) {
        form.key("clear");
        for (int i = 0; i <= 15; ++i)
            if (form.txtSearch[i]) form.txtSearch[i]->clear();
        for (const auto& [box, value] : boxes) form.txtSearch[box]->setText(value);
        form.key("list");
        return listed(*form.f().List());
    }

private slots:
    void unchanged_data() { TestDatabase::addBackendRows(); }
    void unchanged() {
        TEST_REGISTER(db);
        WindowSession session;
        gConn = db.conn();
        SqlDialect::setActive(db.backend());
        auto user = std::make_shared<cls_User>();
        user->UserId = 1;
        user->Auth = Rights::ProtocolEdit | Rights::ProtocolEditIncoming | Rights::ProtocolDelete;
        gUser = user;
        QVERIFY(fill());

        QStringList record;
        // A list in the order of a text column: the collation decides it, the key breaks its ties.
        for (const char* column : {"APO", "PROS", "THEMA"}) {
            ListRecordset list;
            QVERIFY(list.Open(gConn, QStringLiteral("SELECT * FROM PROTOCOL WHERE MODFLAG<>'D'"),
                              QStringLiteral("ID"), QString::fromLatin1(column), 0));
            record << section(QStringLiteral("list by ") + QLatin1String(column), listed(list));
        }
        // Equality in the collation.
        record << section(
            QStringLiteral("APO = 'δημος αθηναιων'"),
            {scalar(QStringLiteral("SELECT count(*) FROM PROTOCOL WHERE APO='δημος αθηναιων'"))});

        auto form = std::make_unique<Form>();
        QVERIFY(form->Init());
        record << section(QStringLiteral("the year's list"), search(*form, {{1, QStringLiteral("2024")}}));
        const QList<std::pair<QString, QList<std::pair<int, QString>>>> searches{
            {QStringLiteral("subject contains"), {{12, QStringLiteral("διαγωνισμος")}}},
            {QStringLiteral("subject with a wildcard typed"), {{12, QStringLiteral("50%")}}},
            {QStringLiteral("subject and year"),
             {{1, QStringLiteral("2024")}, {12, QStringLiteral("ΣΥΜΒΑΣ")}}},
            {QStringLiteral("sender contains"), {{2, QStringLiteral("αθην")}}},
            {QStringLiteral("recipient"), {{6, QStringLiteral("προμηθ")}}},
            {QStringLiteral("department code"), {{10, QStringLiteral("T2")}}},
        };
        for (const auto& [title, boxes] : searches) record << section(title, search(*form, boxes));

        for (int kind = 1; kind <= 5; ++kind) {
            Recordset rs;
            QVERIFY(rs.Open(clsRptProtGroup::GroupStatement(kind, QString()), gConn));
            QStringList groups;
            for (; !rs.Eof(); rs.MoveNext())
                groups << cell(rs.Value(0)) + QLatin1Char('=') + cell(rs.Value(1));
            record << section(QStringLiteral("totals %1").arg(kind), groups);
        }

        // The export of the year's list, once its keys are all in and once while they are coming.
        QTemporaryDir out;
        const auto exported = [&](const QString& name) {
            const QString path = out.path() + QLatin1Char('/') + name;
            MsgBoxHook::Clear();
            MsgBoxHook::QueueAnswer(vb::vbYes);
            CommonDialogHook::QueueAnswer(path);
            form->cmdExport_Click();
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
        };
        search(*form, {{1, QStringLiteral("2024")}});
        QVERIFY(form->f().List()->rowCount() > 0);
        const QByteArray bytes = exported(QStringLiteral("whole.csv"));
        QVERIFY(SettingsStore::SaveValue("\\Protocol", "grdMaxRecs", "1000", true));
        form = std::make_unique<Form>();
        QVERIFY(form->Init());
        search(*form, {{1, QStringLiteral("2024")}});
        QCOMPARE(exported(QStringLiteral("coming.csv")), bytes);
        QStringList lines = Cp1253::decode(bytes).split(QStringLiteral("\r\n"));
        QVERIFY(lines.last().isEmpty());
        lines.removeLast();
        record << section(QStringLiteral("export"), lines);

        // RESULTS_WRITE=<path> writes what was found to <path>.<backend>, to record it anew.
        if (qEnvironmentVariableIsSet("RESULTS_WRITE")) {
            QFile w(qEnvironmentVariable("RESULTS_WRITE") + QLatin1Char('.') +
                    QLatin1String(QTest::currentDataTag()));
            if (w.open(QIODevice::WriteOnly)) w.write(record.join(u'\n').toUtf8() + '\n');
        }
        // Nulls sort and groups are named differently on each backend: a record for each.
        QFile file(QStringLiteral(RESULTS_RECORD) + QLatin1Char('.') +
                   QLatin1String(QTest::currentDataTag()) + QStringLiteral(".txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString expected = QString::fromUtf8(file.readAll());
        // The record holds the export as text: its bytes are those of the text in the code page.
        const qsizetype at = expected.indexOf(QStringLiteral("## export\n"));
        QVERIFY(at >= 0);
        QCOMPARE(bytes,
                 Cp1253::encode(expected.mid(at + 10).trimmed().split(u'\n').join(QStringLiteral("\r\n")) +
                                QStringLiteral("\r\n")));

        const QStringList got = record.join(u'\n').split(u'\n');
        const QStringList want = expected.trimmed().split(u'\n');
        for (int i = 0; i < std::min(got.size(), want.size()); ++i) QCOMPARE(got.at(i), want.at(i));
        QCOMPARE(got.size(), want.size());
    }
};

QTEST_MAIN(TestResults)
#include "tst_results.moc"
