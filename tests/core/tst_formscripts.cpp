#include <QMap>
#include <QTest>

#include "DefLexer.h"
#include "modResIDs.h"

// The two record-form scripts built into the program, checked directive by directive against the
// controls and grid columns the users form and the register form are made of.
namespace {

struct Ctl {
    const char* dir;
    int index;
    const char* field;    // "" = bound to nothing
    const char* caption;  // "" = none
    int len;              // 0 = none
    const char* tag;
    const char* format;  // a quoted format, or "9" for digits only
};

struct Col {
    const char* field;
    const char* heading;
    int width;
};

struct Script {
    long id;
    const char* name;  // the literal the form passes
    const char* caption;
    const char* table;
    const char* key;
    const char* unit;  // "" = no #Gridset
    QList<Ctl> ctls;
    QList<Col> cols;
};

const QList<Script>& scripts() {
    static const QList<Script> all = {
        {100,
         "users.frs",
         "Χρήστες",
         "USERS",
         "USER_ID",
         "",
         {
             {"#tEdit", 0, "U_FNAME", "Όνομα", 20, "", ""},
             {"#tEdit", 1, "U_LNAME", "Επώνυμο", 30, "F", ""},
             {"#tEdit", 2, "U_NAME", "Όνομα Login", 20, "F", ""},
             {"#tEdit", 3, "", "Κωδικός", 29, "FM", ""},
             {"#dtEdit", 0, "U_EXP_DATE", "Ημερομ. λήξης Κωδ.", 0, "F", "dd/mm/yyyy"},
             {"#numEdit", 0, "U_EXP_DAYS", "Διάρκεια Κωδικού", 0, "F", ""},
             {"#cmbEdit", 0, "USER_GROUP_ID", "", 0, "F", ""},
             {"#tEdit", 4, "U_ADDRESS", "Διεύθυνση", 50, "", ""},
             {"#tEdit", 5, "U_PHONE1", "Τηλέφωνο 1", 10, "", ""},
             {"#tEdit", 6, "U_PHONE2", "Τηλέφωνο 2", 10, "", ""},
             {"#lstEdit", 0, "", "", 0, "M", ""},
             {"#lEdit", 0, "USER_ID", "", 0, "MH", ""},
             {"#lEdit", 1, "U_PSW", "", 0, "H", ""},
             {"#lEdit", 2, "U_AUTH", "", 0, "MH", ""},
             {"#tSearch", 0, "U_FNAME", "Όνομα [αρχ]", 100, "S", ""},
             {"#tSearch", 1, "U_LNAME", "Επώνυμο  [αρχ]", 100, "S", ""},
             {"#tSearch", 2, "U_NAME", "Όνομα Login [αρχ]", 100, "S", ""},
         },
         {
             {"U_LNAME", "Επώνυμο", 40},
             {"U_FNAME", "Όνομα", 30},
             {"U_NAME", "Login", 30},
             {"U_PHONE1", "Τηλέφ.1", 15},
             {"U_PHONE2", "Τηλέφ.2", 15},
         }},
        {143,
         "Prot.frs",
         "Πρωτόκολλο",
         "PROTOCOL",
         "ID",
         "T",
         {
             {"#lEdit", 0, "ID", "", 0, "MH", ""},
             {"#dtEdit", 0, "HMEROM", "Ημερομηνία", 0, "XF", ""},
             {"#cmdEdit", 0, "", "", 0, "", ""},
             {"#tbEdit", 0, "APO", "", 50, "", ""},
             {"#cmbEdit", 0, "EIS_TYPOS_ID", "", 0, "", ""},
             {"#tbEdit", 1, "PROT_EIS", "", 50, "", ""},
             {"#dtEdit", 1, "HMER_EIS", "Ημερομ.Εισερχόμενου.", 0, "X", ""},
             {"#dtEdit", 3, "HMER_DIEKP", "Ημερομ. Διεκπερ.", 0, "X", ""},
             {"#tbEdit", 14, "SYSXETIZOMENA", "", 50, "", ""},
             {"#cmdEdit", 2, "", "", 0, "", ""},
             {"#tbEdit", 2, "TOPOS_EPID", "", 20, "", ""},
             {"#lstEdit", 0, "", "", 0, "M", ""},
             {"#lstEdit", 1, "", "", 0, "M", ""},
             {"#cmdEdit", 10, "", "", 0, "", ""},
             {"#tbEdit", 10, "ARMODIOS_A", "", 150, "", ""},
             {"#tbEdit", 11, "PERILIPSI_EIS", "", 150, "", ""},
             {"#cmdEdit", 3, "", "", 0, "", ""},
             {"#tbEdit", 3, "ARMODIOS", "", 50, "", ""},
             {"#dtEdit", 2, "HMER_APANT", "Ημερομ.Απάντησης", 0, "X", ""},
             {"#cmdEdit", 4, "", "", 0, "", ""},
             {"#tbEdit", 4, "PROS", "", 50, "", ""},
             {"#cmbEdit", 1, "EX_TYPOS_ID", "", 0, "", ""},
             {"#tbEdit", 5, "KOINOP", "", 150, "", ""},
             {"#tbEdit", 6, "PARATHR", "", 50, "", ""},
             {"#tbEdit", 7, "DIEYTH_PARAL", "", 50, "", ""},
             {"#tbEdit", 8, "POLH_PARAL", "", 15, "", ""},
             {"#cmdEdit", 9, "", "", 0, "", ""},
             {"#tbEdit", 9, "THEMA", "", 300, "", ""},
             {"#cmdEdit", 12, "", "", 0, "", ""},
             {"#tbEdit", 12, "THEMA_EX", "", 300, "", ""},
             {"#lEdit", 1, "PROT_AA", "", 0, "MH", ""},
             {"#lEdit", 2, "ETOS", "", 0, "H", ""},
             {"#cmbEdit", 3, "", "", 0, "M", ""},
             {"#cmdEdit", 7, "", "", 0, "", ""},
             {"#cmdEdit", 5, "", "", 0, "", ""},
             {"#cmbEdit", 2, "", "", 0, "M", ""},
             {"#cmdEdit", 1, "", "", 0, "", ""},
             {"#cmdEdit", 6, "", "", 0, "", ""},
             {"#cmdEdit", 11, "", "", 0, "", ""},
             {"#cmdEdit", 13, "", "", 0, "", ""},
             {"#tbEdit", 13, "ARXEIOTHETHSH", "", 50, "", ""},
             {"#lEdit", 3, "MODFLAG", "", 0, "MH", ""},
             {"#lEdit", 4, "MODUSER", "", 0, "MH", ""},
             {"#lEdit", 5, "MODDATE", "", 0, "M", "dd/MM/yyyy HH:mm:ss"},
             {"#tSearch", 0, "PROT_AA", "Αρ.Πρωτοκ.[=1]", 30, "", "9"},
             {"#tSearch", 1, "ETOS", "Έτος [=1]", 4, "X", "9"},
             {"#dtSearch", 0, "HMEROM", "Ημερομ. από [>=]", 0, "", ""},
             {"#dtSearch", 1, "HMEROM", "έως [<=]", 0, "", ""},
             {"#cmdSearch", 0, "", "", 0, "", ""},
             {"#tSearch", 2, "APO", "Από [περΝ]", 100, "", ""},
             {"#cmbSearch", 0, "", "", 0, "", ""},
             {"#tSearch", 3, "EIS_TYPOS_ID", "Τύπος(Κωδ.)[=Ν]", 200, "X", ""},
             {"#tSearch", 4, "PROT_EIS", "Πρωτόκ.Εισ.[περΝ]", 100, "", ""},
             {"#tSearch", 14, "SYSXETIZOMENA", "Συσχ.Εγγραφα[περΝ]", 50, "", ""},
             {"#dtSearch", 2, "HMER_EIS", "Ημερομ.Εισ.από [>=]", 0, "", ""},
             {"#dtSearch", 3, "HMER_EIS", "έως [<=]", 0, "", ""},
             {"#cmdSearch", 2, "", "", 0, "", ""},
             {"#tSearch", 13, "ARMODIOS_A", "Αρμόδιος [περΝ]", 100, "", ""},
             {"#tSearch", 5, "ARMODIOS", "Αρμόδιος [περΝ]", 100, "", ""},
             {"#dtSearch", 4, "HMER_APANT", "Ημερομ.Απαντ.από [>=]", 0, "", ""},
             {"#dtSearch", 5, "HMER_APANT", "έως [<=]", 0, "", ""},
             {"#cmdSearch", 1, "", "", 0, "", ""},
             {"#tSearch", 6, "PROS", "Προς [περΝ]", 100, "", ""},
             {"#cmbSearch", 1, "", "", 0, "", ""},
             {"#tSearch", 7, "EX_TYPOS_ID", "Τύπος(Κωδ.)[=Ν]", 200, "X", ""},
             {"#tSearch", 8, "KOINOP", "Κοινοποίηση [περΝ]", 100, "", ""},
             {"#tSearch", 9, "PARATHR", "Παρατηρήσεις [περΝ]", 100, "", ""},
             {"#tSearch", 10, "", "Υπευθ.Μον.[=Ν]", 100, "", ""},
             {"#cmbSearch", 2, "", "", 0, "", ""},
             {"#tSearch", 11, "", "Αντίγρ.σε Μον.[=Ν]", 100, "", ""},
             {"#cmbSearch", 3, "", "", 0, "", ""},
             {"#tSearch", 12, "THEMA", "Θέμα [περΝ]", 150, "", ""},
             {"#tSearch", 15, "THEMA_EX", "Θέμα Εξερχ. [περΝ]", 300, "", ""},
         },
         {
             {"MODFLAG", "RowStatus", 0},
             {"PROT_AA", "Αρ.Πρωτ.", 800},
             {"ETOS", "Έτος", 500},
             {"HMEROM", "Ημερομηνία", 1000},
             {"APO", "Από", 1500},
             {"EIS_TYPOS_CODE", "Τύπ.Εισ", 800},
             {"EX_TYPOS_CODE", "Τύπ.Εξ", 800},
             {"HMER_EIS", "Ημερ.Εισ.", 1000},
             {"PROT_EIS", "Πρωτ.Εισ", 800},
             {"HMER_APANT", "Ημερ.Απάντ.", 1000},
             {"PROS", "Προς", 1500},
             {"THEMA", "Θέμα", 2000},
             {"THEMA_EX", "Θέμα εξερχ.", 2000},
         }},
    };
    return all;
}

const Script& script(long id) {
    for (const Script& s : scripts())
        if (s.id == id) return s;
    qFatal("no script %ld", id);
}

bool isControl(const QString& keyword) {
    return keyword != QLatin1String("#form") && keyword != QLatin1String("#Gridset") &&
           keyword != QLatin1String("#GridCol");
}

// "key=value; ..." in the order of keys, keys spelled exactly; a quoted value keeps its quotes so
// that a quoted value and a bare one differ.
QString describe(const DefLexer::Directive& d, const QStringList& keys) {
    QMap<int, QString> parts;
    for (const DefLexer::Item& it : d.items) {
        const int at = keys.indexOf(it.key);
        if (at < 0 || parts.contains(at)) return QStringLiteral("unexpected item %1").arg(it.key);
        const DefLexer::Value& v = it.value;
        QString shown;
        if (v.kind == DefLexer::Value::Text)
            shown = QLatin1Char('"') + v.text + QLatin1Char('"');
        else if (v.kind == DefLexer::Value::Number || v.kind == DefLexer::Value::Word)
            shown = v.raw;
        else
            shown = QStringLiteral("<kind %1>%2").arg(int(v.kind)).arg(v.raw);
        parts.insert(at, it.key + QLatin1Char('=') + shown);
    }
    return QStringList(parts.values()).join(QStringLiteral("; "));
}

QString quoted(const char* s) {
    return QLatin1Char('"') + QString::fromUtf8(s) + QLatin1Char('"');
}

QString expected(const Ctl& c) {
    QStringList parts{QStringLiteral("index=%1").arg(c.index)};
    if (*c.field) parts << QStringLiteral("field=") + quoted(c.field);
    if (*c.caption) parts << QStringLiteral("caption=") + quoted(c.caption);
    if (c.len) parts << QStringLiteral("len=%1").arg(c.len);
    if (*c.tag) parts << QStringLiteral("tag=") + QString::fromUtf8(c.tag);
    if (*c.format)
        parts << QStringLiteral("format=") +
                     (QByteArray(c.format) == "9" ? QStringLiteral("9") : quoted(c.format));
    return parts.join(QStringLiteral("; "));
}

const QStringList kControlKeys = {"index", "field", "caption", "len", "tag", "format"};
const QStringList kColumnKeys = {"field", "caption", "W"};

}  // namespace

class tst_FormScripts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sequence_data();
    void sequence();
    void form_data();
    void form();
    void controls_data();
    void controls();
    void gridColumns_data();
    void gridColumns();
    void captionKeepsTwoBlanks();
    void hiddenColumnIsPresent();

private:
    QList<DefLexer::Directive> directives(long id, bool controls) const;
    QMap<long, DefLexer::Document> docs;
};

void tst_FormScripts::initTestCase() {
    for (const Script& s : scripts()) {
        const QString text = modResIDs::GetResString(s.id, QString::fromUtf8(s.name));
        DefLexer::Document doc;
        QString error;
        QVERIFY2(DefLexer::Parse(text, doc, &error), qPrintable(QString::number(s.id) + ": " + error));
        docs.insert(s.id, doc);
    }
}

QList<DefLexer::Directive> tst_FormScripts::directives(long id, bool controls) const {
    QList<DefLexer::Directive> out;
    for (const DefLexer::Directive& d : docs.value(id).directives)
        if (isControl(d.keyword) == controls && (controls || d.keyword == QLatin1String("#GridCol")))
            out << d;
    return out;
}

void tst_FormScripts::sequence_data() {
    QTest::addColumn<long>("id");
    for (const Script& s : scripts()) QTest::newRow(QByteArray::number(qlonglong(s.id)).constData()) << s.id;
}

// The whole text, directive by directive: the form, the record and search pages, the list page.
void tst_FormScripts::sequence() {
    QFETCH(long, id);
    const Script& s = script(id);
    QStringList want{QStringLiteral("#form")};
    for (const Ctl& c : s.ctls) want << QString::fromUtf8(c.dir);
    if (*s.unit) want << QStringLiteral("#Gridset");
    for (int i = 0; i < s.cols.size(); ++i) want << QStringLiteral("#GridCol");
    QStringList got;
    for (const DefLexer::Directive& d : docs.value(id).directives) got << d.keyword;
    QCOMPARE(got, want);
}

void tst_FormScripts::form_data() {
    QTest::addColumn<long>("id");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("gridset");
    for (const Script& s : scripts()) {
        const QString form = QStringLiteral("caption=%1; table=%2; Key=%3")
                                 .arg(quoted(s.caption), quoted(s.table), quoted(s.key));
        const QString gridset = *s.unit ? QStringLiteral("unit=") + s.unit : QString();
        QTest::newRow(QByteArray::number(qlonglong(s.id)).constData()) << s.id << form << gridset;
    }
}

void tst_FormScripts::form() {
    QFETCH(long, id);
    QFETCH(QString, form);
    QFETCH(QString, gridset);
    const auto& all = docs.value(id).directives;
    QVERIFY(!all.isEmpty());
    QCOMPARE(describe(all.first(), {"caption", "table", "Key"}), form);
    QString gotGridset;
    for (const DefLexer::Directive& d : all)
        if (d.keyword == QLatin1String("#Gridset")) gotGridset = describe(d, {"unit"});
    QCOMPARE(gotGridset, gridset);
}

void tst_FormScripts::controls_data() {
    QTest::addColumn<long>("id");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("items");
    for (const Script& s : scripts())
        for (int i = 0; i < s.ctls.size(); ++i) {
            const Ctl& c = s.ctls.at(i);
            QTest::newRow(QStringLiteral("%1 %2(%3)").arg(s.id).arg(c.dir).arg(c.index).toUtf8().constData())
                << s.id << i << QString::fromUtf8(c.dir) << expected(c);
        }
}

void tst_FormScripts::controls() {
    QFETCH(long, id);
    QFETCH(int, pos);
    QFETCH(QString, dir);
    QFETCH(QString, items);
    const auto got = directives(id, true);
    QVERIFY(pos < got.size());
    QCOMPARE(got.at(pos).keyword, dir);
    QCOMPARE(describe(got.at(pos), kControlKeys), items);
}

void tst_FormScripts::gridColumns_data() {
    QTest::addColumn<long>("id");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("items");
    for (const Script& s : scripts())
        for (int i = 0; i < s.cols.size(); ++i) {
            const Col& c = s.cols.at(i);
            QTest::newRow(QStringLiteral("%1 %2 %3").arg(s.id).arg(i).arg(c.field).toUtf8().constData())
                << s.id << i
                << QStringLiteral("field=%1; caption=%2; W=%3")
                       .arg(quoted(c.field), quoted(c.heading))
                       .arg(c.width);
        }
}

void tst_FormScripts::gridColumns() {
    QFETCH(long, id);
    QFETCH(int, pos);
    QFETCH(QString, items);
    const auto got = directives(id, false);
    QVERIFY(pos < got.size());
    QCOMPARE(describe(got.at(pos), kColumnKeys), items);
}

void tst_FormScripts::captionKeepsTwoBlanks() {
    const auto got = directives(100, true);
    QVERIFY(got.size() > 15);
    QCOMPARE(got.at(15).keyword, QStringLiteral("#tSearch"));
    QCOMPARE(got.at(15).text(QStringLiteral("caption")), QStringLiteral("Επώνυμο  [αρχ]"));
}

void tst_FormScripts::hiddenColumnIsPresent() {
    const auto got = directives(143, false);
    QVERIFY(!got.isEmpty());
    QCOMPARE(got.first().text(QStringLiteral("field")), QStringLiteral("MODFLAG"));
    const DefLexer::Item* w = got.first().find(QStringLiteral("W"));
    QVERIFY(w);
    QCOMPARE(w->value.kind, DefLexer::Value::Number);
    QCOMPARE(w->value.number, 0.0);
}

QTEST_GUILESS_MAIN(tst_FormScripts)
#include "tst_formscripts.moc"
