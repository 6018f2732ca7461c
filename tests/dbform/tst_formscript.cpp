#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ControlArray.h"
#include "ControlArrays.h"
#include "FormScript.h"
#include "modResIDs.h"

using Tags = FormScript::Tags;
Q_DECLARE_METATYPE(FormScript::Tags)
Q_DECLARE_METATYPE(FormScript::Page)

namespace {
// A column of the current data row, inline.
template <typename T>
T fetched(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

FormScript read(long id, const char* name) {
    FormScript s;
    QString error;
    const bool ok = FormScript::Parse(modResIDs::GetResString(id, QString::fromLatin1(name)), s, &error);
    if (!ok) qWarning("%s", qPrintable(error));
    return s;
}

const FormScript& users() {
    static const FormScript s = read(100, "users.frs");
    return s;
}
const FormScript& protocol() {
    static const FormScript s = read(143, "Prot.frs");
    return s;
}
const FormScript& scriptById(int id) {
    return id == 100 ? users() : protocol();
}
}  // namespace

class tst_FormScript : public QObject {
    Q_OBJECT
private slots:
    void realScripts_data();
    void realScripts();
    void realControls_data();
    void realControls();
    void realGrids();
    void tags_data();
    void tags();
    void directiveArrays_data();
    void directiveArrays();
    void edgeCases();
    void refused_data();
    void refused();
    void controlArray();
    void controlArrays();
};

void tst_FormScript::realScripts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("controls");
    QTest::addColumn<int>("columns");
    QTest::newRow("users") << 100 << "Χρήστες"
                           << "USERS"
                           << "USER_ID" << 17 << 5;
    QTest::newRow("register") << 143 << "Πρωτόκολλο"
                              << "PROTOCOL"
                              << "ID" << 73 << 13;
}

void tst_FormScript::realScripts() {
    QFETCH(int, id);
    FormScript s;
    QString error = QStringLiteral("stale");
    QVERIFY2(FormScript::Parse(modResIDs::GetResString(id, QString()), s, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(s.form().caption, fetched<QString>("caption"));
    QCOMPARE(s.form().table, fetched<QString>("table"));
    QCOMPARE(s.form().key, fetched<QString>("key"));
    QCOMPARE(s.controls().size(), fetched<int>("controls"));
    QCOMPARE(s.gridColumns().size(), fetched<int>("columns"));
    QVERIFY(s.others().isEmpty());
    for (const auto& c : s.controls()) QVERIFY2(c.others.isEmpty(), qPrintable(c.directive));
}

void tst_FormScript::realControls_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("position");  // in the order written
    QTest::addColumn<QString>("array");
    QTest::addColumn<int>("index");
    QTest::addColumn<FormScript::Page>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("len");
    QTest::addColumn<Tags>("tags");
    QTest::addColumn<QString>("format");
    using P = FormScript::Page;
    using F = FormScript;
    QTest::newRow("users password: FM, no field") << 100 << 3 << "txtEdit" << 3 << P::Record << ""
                                                  << "Κωδικός" << 29 << Tags(F::TagF | F::TagM) << "";
    QTest::newRow("users date") << 100 << 4 << "dtEdit" << 0 << P::Record << "U_EXP_DATE"
                                << "Ημερομ. λήξης Κωδ." << 0 << Tags(F::TagF) << "dd/mm/yyyy";
    QTest::newRow("users hidden password label, written")
        << 100 << 12 << "lblEdit" << 1 << P::Record << "U_PSW"
        << "" << 0 << Tags(F::TagH) << "";
    QTest::newRow("users search, two blanks kept") << 100 << 15 << "txtSearch" << 1 << P::Search << "U_LNAME"
                                                   << "Επώνυμο  [αρχ]" << 100 << Tags(F::TagS) << "";
    QTest::newRow("register key label") << 143 << 0 << "lblEdit" << 0 << P::Record << "ID"
                                        << "" << 0 << Tags(F::TagM | F::TagH) << "";
    QTest::newRow("register button, trailing comment") << 143 << 2 << "cmdEdit" << 0 << P::Record << ""
                                                       << "" << 0 << Tags() << "";
    QTest::newRow("register plain box 14") << 143 << 8 << "tbEdit" << 14 << P::Record << "SYSXETIZOMENA"
                                           << "" << 50 << Tags() << "";
    QTest::newRow("register date-time label") << 143 << 43 << "lblEdit" << 5 << P::Record << "MODDATE"
                                              << "" << 0 << Tags(F::TagM) << "dd/MM/yyyy HH:mm:ss";
    QTest::newRow("register digits-only search") << 143 << 45 << "txtSearch" << 1 << P::Search << "ETOS"
                                                 << "Έτος [=1]" << 4 << Tags(F::TagX) << "9";
    QTest::newRow("register search without field") << 143 << 67 << "txtSearch" << 10 << P::Search << ""
                                                   << "Υπευθ.Μον.[=Ν]" << 100 << Tags() << "";
    QTest::newRow("register search combo") << 143 << 68 << "cmbSearch" << 2 << P::Search << ""
                                           << "" << 0 << Tags() << "";
    QTest::newRow("register last") << 143 << 72 << "txtSearch" << 15 << P::Search << "THEMA_EX"
                                   << "Θέμα Εξερχ. [περΝ]" << 300 << Tags() << "";
}

void tst_FormScript::realControls() {
    QFETCH(int, id);
    QFETCH(int, position);
    QFETCH(QString, array);
    QFETCH(int, index);
    const FormScript& s = scriptById(id);
    QVERIFY(position < s.controls().size());
    const auto& c = s.controls().at(position);
    QCOMPARE(c.arrayName, array);
    QCOMPARE(c.index, index);
    QCOMPARE(s.find(array.toUpper(), index), &c);
    QCOMPARE(c.page, fetched<FormScript::Page>("page"));
    QCOMPARE(c.field, fetched<QString>("field"));
    QCOMPARE(c.bound(), !c.field.isEmpty());
    QCOMPARE(c.caption, fetched<QString>("caption"));
    QCOMPARE(c.len, fetched<int>("len"));
    QCOMPARE(c.tags, fetched<Tags>("tags"));
    QCOMPARE(c.format, fetched<QString>("format"));
    QCOMPARE(c.digitsOnly(), c.format == QLatin1String("9"));
}

void tst_FormScript::realGrids() {
    QCOMPARE(users().gridSettings().line, 0);
    QCOMPARE(users().gridColumns().at(0).field, QStringLiteral("U_LNAME"));
    QCOMPARE(users().gridColumns().at(0).width, 40);
    QCOMPARE(users().gridColumns().at(4).caption, QStringLiteral("Τηλέφ.2"));

    const FormScript& p = protocol();
    QVERIFY(p.gridSettings().line > 0);
    QCOMPARE(p.gridSettings().unit, QStringLiteral("T"));
    const auto& flag = p.gridColumns().at(0);
    QCOMPARE(flag.field, QStringLiteral("MODFLAG"));
    QCOMPARE(flag.caption, QStringLiteral("RowStatus"));
    QCOMPARE(flag.width, 0);
    QVERIFY(!flag.visible());
    const auto& last = p.gridColumns().last();
    QCOMPARE(last.field, QStringLiteral("THEMA_EX"));
    QCOMPARE(last.caption, QStringLiteral("Θέμα εξερχ."));
    QCOMPARE(last.width, 2000);
    QVERIFY(last.visible());
    QCOMPARE(p.gridColumns().at(5).field, QStringLiteral("EIS_TYPOS_CODE"));
}

void tst_FormScript::tags_data() {
    QTest::addColumn<QString>("letters");
    QTest::addColumn<bool>("required");
    QTest::addColumn<bool>("notWritten");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("frameworkSearch");
    QTest::addColumn<bool>("x");
    QTest::newRow("none") << "" << false << false << false << false << false;
    QTest::newRow("F") << "F" << true << false << false << false << false;
    QTest::newRow("FM") << "FM" << true << true << false << false << false;
    QTest::newRow("MH") << "MH" << false << true << true << false << false;
    QTest::newRow("H alone") << "H" << false << false << true << false << false;
    QTest::newRow("XF") << "XF" << true << false << false << false << true;
    QTest::newRow("S") << "S" << false << false << false << true << false;
    QTest::newRow("lower case") << "fm" << true << true << false << false << false;
    QTest::newRow("unknown letter ignored") << "QF" << true << false << false << false << false;
}

void tst_FormScript::tags() {
    QFETCH(QString, letters);
    FormScript s;
    QString error;
    QVERIFY2(
        FormScript::Parse(QStringLiteral("#tEdit {index=0, field=\"A\", tag=%1}").arg(letters), s, &error),
        qPrintable(error));
    const auto& c = s.controls().at(0);
    QCOMPARE(c.tags, FormScript::ParseTags(letters));
    QCOMPARE(c.tag, letters);
    QCOMPARE(c.required(), fetched<bool>("required"));
    QCOMPARE(c.notWritten(), fetched<bool>("notWritten"));
    QCOMPARE(c.written(), !c.notWritten());
    QCOMPARE(c.hidden(), fetched<bool>("hidden"));
    QCOMPARE(c.frameworkSearch(), fetched<bool>("frameworkSearch"));
    QCOMPARE(c.tags.testFlag(FormScript::TagX), fetched<bool>("x"));
}

void tst_FormScript::directiveArrays_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("array");
    const char* rows[][2] = {
        {"#tEdit", "txtEdit"},
        {"#tbEdit", "tbEdit"},
        {"#dtEdit", "dtEdit"},
        {"#numEdit", "numEdit"},
        {"#cmbEdit", "cmbEdit"},
        {"#lstEdit", "lstEdit"},
        {"#lEdit", "lblEdit"},
        {"#cmdEdit", "cmdEdit"},
        {"#tSearch", "txtSearch"},
        {"#dtSearch", "dtSearch"},
        {"#cmbSearch", "cmbSearch"},
        {"#cmdSearch", "cmdSearch"},
        {"#GridCol", ""},
        {"#form", ""},
        {"#TEDIT", ""},  // keywords as spelled
    };
    for (const auto& r : rows) QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]);
}

void tst_FormScript::directiveArrays() {
    QFETCH(QString, keyword);
    QCOMPARE(FormScript::ArrayNameOf(keyword), fetched<QString>("array"));
}

void tst_FormScript::edgeCases() {
    const QString text = QStringLiteral(
        "prefix before the first directive\n"
        "'......\n"
        "#form {Caption=\"Δοκιμή, με 'κόμμα'\", TABLE=\"T1\", key=\"K\", extra=1}\n"
        "#tbEdit {index=2} 'a comment, with a comma\n"
        "#cmbEdit {INDEX = 1, Field = \"C1\", Tag = M,\n"
        "          Len = 5, color = red, }\n"
        "#newThing {a=1}\n"
        "#Gridset {unit=T, step=2}\n"
        "'#GridCol {field=\"HIDDEN\", caption=\"x\", W=10}\n"
        "#GridCol {field=\"A\", caption=\"a, b\"}\n"
        "#GridCol {field=\"B\", w=0} ' hidden\n");
    FormScript s;
    QString error;
    QVERIFY2(FormScript::Parse(text, s, &error), qPrintable(error));

    QCOMPARE(s.form().caption, QStringLiteral("Δοκιμή, με 'κόμμα'"));
    QCOMPARE(s.form().table, QStringLiteral("T1"));
    QCOMPARE(s.form().key, QStringLiteral("K"));
    QCOMPARE(s.form().others.size(), 1);

    QCOMPARE(s.controls().size(), 2);
    const auto& box = s.controls().at(0);
    QCOMPARE(box.arrayName, QStringLiteral("tbEdit"));
    QCOMPARE(box.index, 2);
    QVERIFY(!box.bound());
    QVERIFY(!box.written());
    QVERIFY(box.others.isEmpty());

    const auto& combo = s.controls().at(1);
    QCOMPARE(combo.field, QStringLiteral("C1"));
    QCOMPARE(combo.len, 5);
    QVERIFY(combo.bound());
    QVERIFY(!combo.written());
    QCOMPARE(combo.others.size(), 1);
    QCOMPARE(combo.others.at(0).key, QStringLiteral("color"));
    QCOMPARE(combo.others.at(0).value.text, QStringLiteral("red"));
    QCOMPARE(combo.line, 5);

    QCOMPARE(s.others().size(), 1);
    QCOMPARE(s.others().at(0).keyword, QStringLiteral("#newThing"));
    QCOMPARE(s.gridSettings().unit, QStringLiteral("T"));
    QCOMPARE(s.gridSettings().others.size(), 1);

    QCOMPARE(s.gridColumns().size(), 2);
    QCOMPARE(s.gridColumns().at(0).caption, QStringLiteral("a, b"));
    QCOMPARE(s.gridColumns().at(0).width, -1);
    QVERIFY(s.gridColumns().at(0).visible());
    QCOMPARE(s.gridColumns().at(1).width, 0);
    QVERIFY(!s.gridColumns().at(1).visible());

    QVERIFY(s.find(QStringLiteral("TBEDIT"), 2));
    QVERIFY(!s.find(QStringLiteral("tbEdit"), 1));
    QVERIFY(!s.find(QStringLiteral("cmbSearch"), 1));
}

void tst_FormScript::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    DefLexer::Document doc;
    QString lexerError;
    const QString unclosed = QStringLiteral("#form {table=\"T\"}\n#tEdit {index=0, field=\"A\"\n");
    QVERIFY(!DefLexer::Parse(unclosed, doc, &lexerError));
    QTest::newRow("lexer error passed on") << unclosed << lexerError;
    QTest::newRow("no index") << "#form {table=\"T\"}\n\n#tEdit {field=\"A\"}"
                              << "line 3: #tEdit has no index";
    QTest::newRow("index not a number") << "#lEdit {index=a}"
                                        << "line 1: #lEdit: index must be a whole number, not \"a\"";
    QTest::newRow("negative index") << "#lEdit {index=-1}"
                                    << "line 1: #lEdit: index must be a whole number, not \"-1\"";
    QTest::newRow("index twice in one array")
        << "#tbEdit {index=1}\n#tEdit {index=1}\n#tbEdit {index=1, field=\"B\"}"
        << "line 3: #tbEdit index 1 was already given at line 1";
    QTest::newRow("len with a unit") << "#tEdit {index=0,\n len=10mm}"
                                     << "line 2: #tEdit: len must be a whole number, not \"10mm\"";
    QTest::newRow("fractional W") << "#GridCol {field=\"A\", W=1.5}"
                                  << "line 1: #GridCol: W must be a whole number, not \"1.5\"";
}

void tst_FormScript::refused() {
    QFETCH(QString, text);
    FormScript s;
    QVERIFY(FormScript::Parse(QStringLiteral("#form {table=\"OLD\"}\n#tEdit {index=0}"), s, nullptr));
    QString error;
    QVERIFY(!FormScript::Parse(text, s, &error));
    QCOMPARE(error, fetched<QString>("error"));
    QVERIFY(s.form().table.isEmpty());
    QVERIFY(s.controls().isEmpty());
}

void tst_FormScript::controlArray() {
    ControlArray<QLineEdit> tbEdit{QStringLiteral("tbEdit")};
    QLineEdit a, b;
    tbEdit.set(3, &a);
    tbEdit.set(0, &b);
    QCOMPARE(tbEdit.name(), QStringLiteral("tbEdit"));
    QCOMPARE(tbEdit[3], &a);
    QCOMPARE(a.objectName(), QStringLiteral("tbEdit(3)"));
    QCOMPARE(a.accessibleDescription(), QStringLiteral("tbEdit(3)"));
    QVERIFY(!tbEdit[1]);
    QVERIFY(!tbEdit[-1]);
    QCOMPARE(tbEdit.indexes(), QList<int>({0, 3}));

    {
        auto* gone = new QLineEdit;
        tbEdit.set(7, gone);
        delete gone;
    }
    QVERIFY(!tbEdit[7]);
    QCOMPARE(tbEdit.indexes(), QList<int>({0, 3}));

    tbEdit.set(0, nullptr);
    QVERIFY(!tbEdit[0]);
    QCOMPARE(tbEdit.indexes(), QList<int>({3}));
}

void tst_FormScript::controlArrays() {
    ControlArray<QLineEdit> tbEdit{QStringLiteral("tbEdit")};
    ControlArray<QLabel> lblEdit{QStringLiteral("lblEdit")};
    QLineEdit box;
    QLabel label;
    QComboBox combo, loose;
    tbEdit.set(3, &box);

    ControlArrays arrays;
    arrays.add(tbEdit);
    arrays.add(lblEdit);
    lblEdit.set(1, &label);  // set after registration: seen live
    arrays.add(QStringLiteral("cmbEdit"), 2, &combo);

    QCOMPARE(arrays.find(QStringLiteral("tbEdit"), 3), &box);
    QCOMPARE(arrays.find(QStringLiteral("TBEDIT"), 3), &box);
    QCOMPARE(arrays.find(QStringLiteral("lbledit"), 1), &label);
    QCOMPARE(arrays.find<QLabel>(QStringLiteral("lblEdit"), 1), &label);
    QVERIFY(!arrays.find<QLineEdit>(QStringLiteral("lblEdit"), 1));
    QVERIFY(!arrays.find(QStringLiteral("tbEdit"), 4));
    QVERIFY(!arrays.find(QStringLiteral("txtEdit"), 3));

    QCOMPARE(arrays.find(QStringLiteral("CmbEdit"), 2), &combo);
    QCOMPARE(combo.objectName(), QStringLiteral("cmbEdit(2)"));
    QCOMPARE(combo.accessibleDescription(), QStringLiteral("cmbEdit(2)"));

    // A loose member joins a registered array under that array's spelling.
    arrays.add(QStringLiteral("TBEDIT"), 5, &loose);
    QCOMPARE(loose.objectName(), QStringLiteral("tbEdit(5)"));
    QCOMPARE(arrays.indexes(QStringLiteral("tbedit")), QList<int>({3, 5}));
    QVERIFY(arrays.contains(QStringLiteral("LBLEDIT")));
    QCOMPARE(arrays.names(), QStringList({"tbEdit", "lblEdit", "cmbEdit"}));

    arrays.add(QStringLiteral("tbEdit"), 5, nullptr);
    QVERIFY(!arrays.find(QStringLiteral("tbEdit"), 5));
    QVERIFY(arrays.indexes(QStringLiteral("nothing")).isEmpty());
}

QTEST_MAIN(tst_FormScript)
#include "tst_formscript.moc"
