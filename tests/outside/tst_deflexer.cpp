#include <QTest>

#include "DefLexer.h"

using DefLexer::Value;
Q_DECLARE_METATYPE(Value::Kind)

namespace {
// A compact picture of a document: "#kw{key=kind:text|bare=kind:text}" per directive, joined by
// blanks; kinds by their first letters, so that one table row states the whole reading.
QString kindName(Value::Kind k) {
    static const char* names[] = {"Empty",    "Text",   "Word",     "Number",  "Unit",     "Relative",
                                  "Absolute", "Colour", "Constant", "Builtin", "MacroRef", "Filler"};
    return QString::fromLatin1(names[k]);
}

QString picture(const DefLexer::Document& doc) {
    QStringList out;
    for (const auto& d : doc.directives) {
        QStringList items;
        for (const auto& it : d.items)
            items << (it.key.isEmpty() ? QString() : it.key + u'=') + kindName(it.value.kind) + u':' +
                         it.value.text;
        out << d.keyword + u'{' + items.join(u'|') + u'}';
    }
    return out.join(u' ');
}
}  // namespace

class tst_DefLexer : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void documents_data();
    void documents();
    void itemLines();
    void lookups();
    void malformed_data();
    void malformed();
};

void tst_DefLexer::values_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<Value::Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QColor>("colour");
    const QColor none;
    QTest::newRow("empty") << "  " << Value::Empty << "" << 0.0 << "" << none;
    QTest::newRow("quoted, commas, brackets, apostrophe")
        << "\"Τύπος(Κωδ.)[=Ν], o'k\"" << Value::Text << "Τύπος(Κωδ.)[=Ν], o'k" << 0.0 << "" << none;
    QTest::newRow("quoted keeps inner blanks")
        << " \"Επώνυμο  [αρχ]\" " << Value::Text << "Επώνυμο  [αρχ]" << 0.0 << "" << none;
    QTest::newRow("empty quotes") << "\"\"" << Value::Text << "" << 0.0 << "" << none;
    QTest::newRow("lone quote is no text") << "\"" << Value::Word << "\"" << 0.0 << "" << none;
    QTest::newRow("two quoted texts are no text")
        << "\"a\" \"b\"" << Value::Word << "\"a\" \"b\"" << 0.0 << "" << none;
    QTest::newRow("word") << "PageHeader" << Value::Word << "PageHeader" << 0.0 << "" << none;
    QTest::newRow("one-letter word") << "T" << Value::Word << "T" << 0.0 << "" << none;
    QTest::newRow("column name") << "U_LNAME" << Value::Word << "U_LNAME" << 0.0 << "" << none;
    QTest::newRow("whole number") << "800" << Value::Number << "800" << 800.0 << "" << none;
    QTest::newRow("zero") << "0" << Value::Number << "0" << 0.0 << "" << none;
    QTest::newRow("decimal") << "1.3" << Value::Number << "1.3" << 1.3 << "" << none;
    QTest::newRow("percent") << "20%" << Value::Unit << "20%" << 20.0 << "%" << none;
    QTest::newRow("millimetres") << "15mm" << Value::Unit << "15mm" << 15.0 << "mm" << none;
    QTest::newRow("centimetres, capitals") << "7CM" << Value::Unit << "7CM" << 7.0 << "cm" << none;
    QTest::newRow("lines") << "1.3L" << Value::Unit << "1.3L" << 1.3 << "L" << none;
    QTest::newRow("lines, lower case") << "2l" << Value::Unit << "2l" << 2.0 << "L" << none;
    QTest::newRow("unknown unit") << "10pt" << Value::Word << "10pt" << 0.0 << "" << none;
    QTest::newRow("relative") << "+4" << Value::Relative << "+4" << 4.0 << "" << none;
    QTest::newRow("absolute") << "#7" << Value::Absolute << "#7" << 7.0 << "" << none;
    QTest::newRow("plus alone") << "+" << Value::Word << "+" << 0.0 << "" << none;
    QTest::newRow("colour") << "(255:0:0)" << Value::Colour << "(255:0:0)" << 0.0 << "" << QColor(255, 0, 0);
    QTest::newRow("colour with blanks")
        << "( 0 : 255 :255 )" << Value::Colour << "( 0 : 255 :255 )" << 0.0 << "" << QColor(0, 255, 255);
    QTest::newRow("colour out of range") << "(256:0:0)" << Value::Word << "(256:0:0)" << 0.0 << "" << none;
    QTest::newRow("colour with two parts") << "(1:2)" << Value::Word << "(1:2)" << 0.0 << "" << none;
    QTest::newRow("constant") << "$LogoText1" << Value::Constant << "LogoText1" << 0.0 << "" << none;
    QTest::newRow("dollar alone") << "$" << Value::Word << "$" << 0.0 << "" << none;
    QTest::newRow("macro reference") << "$$pageDef1" << Value::MacroRef << "pageDef1" << 0.0 << "" << none;
    QTest::newRow("builtin") << "[LPageNo]" << Value::Builtin << "LPageNo" << 0.0 << "" << none;
    QTest::newRow("empty brackets") << "[]" << Value::Word << "[]" << 0.0 << "" << none;
    QTest::newRow("filler of a cell") << "..." << Value::Filler << "..." << 0.0 << "" << none;
    QTest::newRow("filler of a line end") << "...." << Value::Filler << "...." << 0.0 << "" << none;
    QTest::newRow("two dots") << ".." << Value::Word << ".." << 0.0 << "" << none;
}

void tst_DefLexer::values() {
    QFETCH(QString, raw);
    QFETCH(Value::Kind, kind);
    QFETCH(QString, text);
    QFETCH(double, number);
    QFETCH(QString, unit);
    QFETCH(QColor, colour);
    const Value v = DefLexer::ParseValue(raw);
    QCOMPARE(kindName(v.kind), kindName(kind));
    QCOMPARE(v.raw, raw.trimmed());
    QCOMPARE(v.text, text);
    QCOMPARE(v.number, number);
    QCOMPARE(v.unit, unit);
    QCOMPARE(v.colour, colour);
}

void tst_DefLexer::documents_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty text") << ""
                                << "";
    QTest::newRow("only comments") << "' 100 - Users.frs\r\n'...\r\n\r\n'......\r\n"
                                   << "";
    QTest::newRow("CR LF") << "' 1 - a\r\n#form {caption=\"Χρήστες\", table=\"USERS\"}\r\n"
                           << "#form{caption=Text:Χρήστες|table=Text:USERS}";
    QTest::newRow("LF alone, no final break") << "#a {x=1}\n#b {y=T}"
                                              << "#a{x=Number:1} #b{y=Word:T}";
    QTest::newRow("trailing comment after a directive")
        << "#cmdEdit {index=0 } 'επιλογη\r\n#cmdEdit {index=1}"
        << "#cmdEdit{index=Number:0} #cmdEdit{index=Number:1}";
    QTest::newRow("commented-out directive")
        << "#GridCol {field=\"A\"}\r\n'#GridCol {field=\"B\", W=40}\r\n  '  #GridCol {field=\"C\"}\r\n"
        << "#GridCol{field=Text:A}";
    QTest::newRow("comment inside a list")
        << "#const {\r\n $Black = (0:0:0), ' black\r\n $Red = (255:0:0) 'red } not closed here\r\n}"
        << "#const{$Black=Colour:(0:0:0)|$Red=Colour:(255:0:0)}";
    QTest::newRow("apostrophe inside quotes") << "#a {caption=\"it's\", b=1} 'c"
                                              << "#a{caption=Text:it's|b=Number:1}";
    QTest::newRow("comma and equals inside quotes") << "#a {caption=\"Από, Προς [=1]\", val=\"x=y\"}"
                                                    << "#a{caption=Text:Από, Προς [=1]|val=Text:x=y}";
    QTest::newRow("two blanks kept") << "#tSearch {index=1, caption=\"Επώνυμο  [αρχ]\", tag=S}"
                                     << "#tSearch{index=Number:1|caption=Text:Επώνυμο  [αρχ]|tag=Word:S}";
    QTest::newRow("blanks and tabs around items and equals")
        << "#line\t{ key = PF1 ,\tH\t=\t10mm , fontSize = +4 }"
        << "#line{key=Word:PF1|H=Unit:10mm|fontSize=Relative:+4}";
    QTest::newRow("multi-line list") << "#page {orientation=P,\r\n\r\n  LM=10mm,\r\n  BM=15mm, }\r\n"
                                     << "#page{orientation=Word:P|LM=Unit:10mm|BM=Unit:15mm}";
    QTest::newRow("brace on the next line") << "#a\r\n{x=1}"
                                            << "#a{x=Number:1}";
    QTest::newRow("empty items and empty list") << "#a {,, x=1 ,,, }\r\n#b {}"
                                                << "#a{x=Number:1} #b{}";
    QTest::newRow("empty value") << "#a {x=, y = }"
                                 << "#a{x=Empty:|y=Empty:}";
    QTest::newRow("split at the first equals") << "#a {format=a=b}"
                                               << "#a{format=Word:a=b}";
    QTest::newRow("bare items")
        << "#CacheTable {\"T1 TEXT(130)\", \"M1 MEMO\"}\r\n#col {...}\r\n#lineEnd {....}"
        << "#CacheTable{Text:T1 TEXT(130)|Text:M1 MEMO} #col{Filler:...} #lineEnd{Filler:....}";
    QTest::newRow("macro definition and reference")
        << "##PF_col1 {W=40%, val=$LogoText2}\r\n#col {$$PF_col1}"
        << "##PF_col1{W=Unit:40%|val=Constant:LogoText2} #col{MacroRef:PF_col1}";
    QTest::newRow("comma inside a colour") << "#a {c=(1,2,3), d=[date]}"
                                           << "#a{c=Word:(1,2,3)|d=Builtin:date}";
    QTest::newRow("several directives on a line") << "#a {x=1} #b {y=2}"
                                                  << "#a{x=Number:1} #b{y=Number:2}";
    QTest::newRow("prefix before the first line")
        << "some prefix text, with {braces} and \"quotes\r\n' 143 - protocol.frs\r\n#form {Key=\"ID\"}"
        << "#form{Key=Text:ID}";
    QTest::newRow("prefix joined to the first comment") << "PREFIX' 50 - global.rpt\r\n#const {$W = 20mm}"
                                                        << "#const{$W=Unit:20mm}";
    QTest::newRow("byte order mark") << QString(QChar(0xFEFF)) + "#a {x=1}"
                                     << "#a{x=Number:1}";
}

void tst_DefLexer::documents() {
    QFETCH(QString, source);
    QFETCH(QString, expected);
    DefLexer::Document doc;
    QString error = "stale";
    QVERIFY2(DefLexer::Parse(source, doc, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(picture(doc), expected);
}

void tst_DefLexer::itemLines() {
    DefLexer::Document doc;
    QVERIFY(DefLexer::Parse("' head\r\n\r\n#page {a=1,\r\n b=2, 'x\r\n\r\n   c\r\n   = 3}\r\n#col {...}", doc,
                            nullptr));
    QCOMPARE(doc.directives.size(), 2);
    const auto& page = doc.directives[0];
    QCOMPARE(page.line, 3);
    QCOMPARE(page.items.size(), 3);
    QCOMPARE(page.items[0].line, 3);
    QCOMPARE(page.items[1].line, 4);
    QCOMPARE(page.items[2].line, 6);
    QCOMPARE(page.items[2].key, "c");
    QCOMPARE(page.items[2].value.number, 3.0);
    QCOMPARE(doc.directives[1].line, 8);
}

void tst_DefLexer::lookups() {
    DefLexer::Document doc;
    QVERIFY(DefLexer::Parse("#col {FontSize=#7, fontsize=+1, hAlign=right, \"bare\"}", doc, nullptr));
    const auto& d = doc.directives[0];
    QCOMPARE(d.keyword, "#col");
    QCOMPARE(d.find("FONTSIZE"), &d.items[0]);  // the first of the same key
    QCOMPARE(d.text("Halign"), "right");
    QCOMPARE(d.text(" halign "), "right");
    QVERIFY(!d.find("W"));
    QVERIFY(!d.find(""));  // bare items have no key
    QCOMPARE(d.text("W", "50%"), "50%");
    QVERIFY(d.items[3].bare());
}

void tst_DefLexer::malformed_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("line");
    QTest::newRow("unclosed brace at the end") << "' x\r\n#a {x=1}\r\n#b {y=2,\r\n z=3\r\n" << 3;
    QTest::newRow("brace closed only in a comment") << "#a {x=1 'y}" << 1;
    QTest::newRow("unclosed quote at the end") << "#a {x=1}\r\n#b {c=\"abc" << 2;
    QTest::newRow("quote runs to the end of the line") << "#a {c=\"abc,\r\n d=\"x\"}" << 1;
    QTest::newRow("keyword without brace") << "#a {x=1}\r\n\r\n#GridCol field=\"A\"" << 3;
    QTest::newRow("keyword at the end") << "#a {x=1}\r\n#b" << 2;
    QTest::newRow("keyword followed by a directive") << "#a\r\n#b {x=1}" << 1;
    QTest::newRow("hash without name") << "#a {}\r\n# {x=1}" << 2;
    QTest::newRow("stray closing brace") << "#a {x=1}\r\n}" << 2;
    QTest::newRow("stray text after a directive") << "#a {x=1}\r\nW=40" << 2;
    QTest::newRow("stray text on the directive's line") << "#a {x=1} y" << 1;
    QTest::newRow("open brace inside a list") << "#a {x=1,\r\n#b {y=2}" << 2;
    QTest::newRow("key missing before equals") << "#a {x=1,\r\n = 2}" << 2;
    QTest::newRow("unclosed parenthesis") << "#a {\r\nc=(1:2:3}" << 2;
    QTest::newRow("closing parenthesis alone") << "#a {\r\n\r\nc=1:2:3)}" << 3;
    QTest::newRow("stray quote after a directive") << "#a {}\r\n\"x" << 2;
}

void tst_DefLexer::malformed() {
    QFETCH(QString, source);
    QFETCH(int, line);
    DefLexer::Document doc;
    doc.directives.append(DefLexer::Directive());  // must be emptied
    QString error;
    QVERIFY(!DefLexer::Parse(source, doc, &error));
    QVERIFY(doc.directives.isEmpty());
    QVERIFY2(error.startsWith(QStringLiteral("line %1: ").arg(line)), qPrintable(error));
    QVERIFY(error.size() > 12);
    QVERIFY(!DefLexer::Parse(source, doc, nullptr));  // no error text wanted: still no crash
}

QTEST_GUILESS_MAIN(tst_DefLexer)
#include "tst_deflexer.moc"
