#include <QTest>

#include "ReportLayout.h"
#include "modResIDs.h"

using namespace ReportLayout;

namespace {
QString global() {
    return modResIDs::GetResString(modResIDs::resGlobalRpt, QStringLiteral("Global.rpt"));
}

QString num(double v) {
    return QString::number(v, 'f', 1);
}

QString rules(const Rules& r) {
    QString out;
    const auto one = [&](const std::optional<bool>& v, QChar c) {
        if (v) out += QString(c) + (*v ? u'1' : u'0');
    };
    one(r.top, u'T');
    one(r.bottom, u'B');
    one(r.left, u'L');
    one(r.right, u'R');
    return out;
}

QString font(const std::optional<FontSize>& s, const std::optional<bool>& bold) {
    QString out;
    if (s) out += (s->absolute ? u'#' : u'+') + QString::number(s->points);
    if (bold && *bold) out += u'B';
    return out;
}

// A line kind in one text: key, role, height, keepWith, rules, font; then each placed cell with
// its number, width in mm, what it shows and its settings.
QString picture(const Line& l) {
    QStringList parts{l.key, l.type == Line::PageHeader ? "header" : l.type == Line::PageFooter ? "footer" : "body"};
    if (l.hasHeight) parts << "h=" + num(l.height) + (l.heightInLines ? "L" : "mm");
    if (l.keepWith) parts << "keep";
    if (!rules(l.rules).isEmpty()) parts << rules(l.rules);
    if (!font(l.fontSize, l.bold).isEmpty()) parts << font(l.fontSize, l.bold);
    if (l.vAlign) parts << (*l.vAlign == VAlign::Mid ? "mid" : *l.vAlign == VAlign::Top ? "top" : "bottom");
    for (const Cell& c : l.cells) {
        if (c.removed) continue;
        QStringList cp{QString::number(c.number), num(c.w)};
        cp << (c.builtin ? QString("[" + c.field + "]") : !c.field.isEmpty() ? c.field : c.hasVal ? QString("'" + c.val + "'") : QString("-"));
        if (c.wrap) cp << "wrap";
        if (c.hAlign) cp << (*c.hAlign == Qt::AlignRight ? "right" : *c.hAlign == Qt::AlignHCenter ? "center" : "left");
        if (c.foreColor) cp << c.foreColor->name();
        if (!font(c.fontSize, c.bold).isEmpty()) cp << font(c.fontSize, c.bold);
        if (!c.format.isEmpty()) cp << c.format;
        if (!rules(c.rules).isEmpty()) cp << rules(c.rules);
        parts << "[" + cp.join(u' ') + "]";
    }
    return parts.join(u' ');
}

QStringList pictures(const Layout& layout) {
    QStringList out;
    for (const Line& l : layout.lines) out << picture(l);
    return out;
}

const QString kPH1_190 = "PH1 header h=10.0mm T0B0L0R0 +4B bottom [1 70.0 [LOGO1]] [2 120.0 '%1' right]";
const QString kPH1_180 = "PH1 header h=10.0mm T0B0L0R0 +4B bottom [1 70.0 [LOGO1]] [2 110.0 '%1' right]";
const QString kPF_190 =
    "PF1 footer #7 [1 76.0 'Protocol - Πρωτόκολλο εισερχομένων και εξερχομένων'] "
    "[2 38.0 [date] center dd/mm/yyyy] [3 76.0 [LPageNo] right B]";
const QString kPF_180 =
    "PF1 footer #7 [1 72.0 'Protocol - Πρωτόκολλο εισερχομένων και εξερχομένων'] "
    "[2 36.0 [date] center dd/mm/yyyy] [3 72.0 [LPageNo] right B]";
}  // namespace

class tst_ReportLayout : public QObject {
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void pageSetUp_data();
    void pageSetUp();
    void cacheColumns();
    void removedCellKeepsItsNumber();
    void malformed_data();
    void malformed();
};

void tst_ReportLayout::layouts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    const QString users = modResIDs::GetResString(modResIDs::resUsersRpt, "Users.rpt");
    const QString lookup = modResIDs::GetResString(modResIDs::resLookupRpt, "Lookup.rpt");
    QTest::newRow("101 users") << users << QStringList{
        kPH1_190.arg("ΧΡΗΣΤΕΣ ΕΦΑΡΜΟΓΗΣ"),
        "PH3 header h=1.3L T1B1 B mid [1 38.0 'ΕΠΩΝΥΜΟ' left L0] [2 15.2 'ΟΝΟΜΑ' left L0] "
        "[3 38.0 'ΔΙΕΥΘΥΝΣΗ' left L0] [4 19.0 'ΤΗΛΕΦ. 1' left L0] [5 19.0 'ΤΗΛΕΦ. 2' left L0] "
        "[6 28.5 'ΟΜΑΔΑ' left L0]",
        "D1 body h=1.2L B1R0 mid [1 38.0 LNAME L0] [2 15.2 FNAME L0] [3 38.0 ADDRESS wrap L0] "
        "[4 19.0 PHONE1 L0] [5 19.0 PHONE2 L0] [6 28.5 USER_GROUP L0]",
        "LT body [1 190.0 - T1]",
        kPF_190};
    QTest::newRow("123 lookup") << lookup << QStringList{
        kPH1_190.arg("").replace(" '' right", " - right"),
        "PH3 header h=1.3L T1B1R0 B mid [1 28.5 'ΚΩΔΙΚΟΣ' L0] [2 161.5 'ΠΕΡΙΓΡΑΦΗ' L0]",
        "D1 body h=1.3L B1 [1 28.5 FIELD1] [2 161.5 FIELD2 wrap]",
        "LT body h=15.0mm [1 190.0 - T0]",
        kPF_190};
    // 20mm + 50% + 20mm + 50% fills the line; percentages share what the fixed widths leave.
    QTest::newRow("144 detailed list") << modResIDs::GetResString(144, "") << QStringList{
        kPH1_180.arg("ΠΡΩΤΟΚΟΛΛΟ"),
        "H1 body h=1.3L keep T1B1 B mid [1 54.0 'ΕΙΣΕΡΧΟΜΕNΑ'] [2 54.0 T2 center #0000ff] "
        "[3 54.0 'ΕΞΕΡΧΟΜΕΝΑ' right]",
        "D3 body h=1.0L keep [1 20.0 T1 B] [2 70.0 T2 R1] [3 20.0 T3 B] [4 70.0 T4]",
        "D3a body h=1.0L keep [1 20.0 T1 B] [2 70.0 m1 wrap R1] [3 20.0 T3 B] [4 70.0 m2 wrap]",
        "D4 body h=1.1L keep [1 20.0 T1 B] [2 160.0 m1 wrap]",
        "D4a body h=1.2L keep T1 B [1 20.0 T1 #0000ff] [2 160.0 T2 #0000ff]",
        "D5 body h=0.3L [1 180.0 -]",
        kPF_180};
    QTest::newRow("145 totals") << modResIDs::GetResString(145, "") << QStringList{
        kPH1_180.arg("ΠΡΩΤΟΚΟΛΛΟ - ΣΥΝΟΛΑ"),
        "H0 body h=1.3L keep T1B1 +2B mid [1 180.0 descr]",
        "H1 body h=1.3L keep T0B0 B mid [1 126.0 'ΠΕΡΙΓΡΑΦΗ'] [2 54.0 'ΠΛΗΘΟΣ']",
        "D1 body h=1.1L mid [1 126.0 descr] [2 54.0 cnt]",
        "EMPTY body h=1.0L [1 180.0 -]",
        kPF_180};
    QTest::newRow("146 receipt")
        << modResIDs::GetResString(146, "")
        << QStringList{kPH1_180.arg("ΠΡΩΤΟΚΟΛΛΟ"),
                       "H1 body h=3.0L keep T1B1 +4B mid [1 180.0 'ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ' center]",
                       "D1 body h=1.2L keep B1 top [1 45.0 T1 wrap B L1R0] [2 135.0 m1 wrap R1]",
                       "D2 body h=1.2L top [1 7.0 T1 B] [2 173.0 m1 wrap R0]",
                       "D3b body h=1.3L [1 108.0 -] [2 72.0 T1 center B]",
                       "D3 body h=1.3L [1 108.0 -] [2 72.0 T1 center]",
                       "D5 body h=1.0L #6 [1 180.0 -]",
                       "PF1 footer #7 [1 72.0 'Protocol - Πρωτόκολλο εισερχομένων και εξερχομένων']"};
}

void tst_ReportLayout::layouts() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    Layout layout;
    QString error;
    QVERIFY2(Read(text, global(), layout, &error), qPrintable(error));
    QCOMPARE(pictures(layout), lines);
}

void tst_ReportLayout::pageSetUp_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("page");
    QTest::newRow("101 from pageDef1") << modResIDs::GetResString(101, "") << "P Arial Greek 8 LDCN 10/10/10/10 frame 11";
    QTest::newRow("123 from pageDef1") << modResIDs::GetResString(123, "") << "P Arial Greek 8 LDCN 10/10/10/10 frame 11";
    QTest::newRow("144 Font twice") << modResIDs::GetResString(144, "") << "P Arial Greek 7 LDCN 15/15/15/15 frame 11";
    QTest::newRow("145 Font twice") << modResIDs::GetResString(145, "") << "P Arial Greek 8 LDCN 15/15/15/15 frame 11";
    QTest::newRow("146 Font twice") << modResIDs::GetResString(146, "") << "P Arial Greek 10 LDCN 15/15/15/15 frame 01";
}

void tst_ReportLayout::pageSetUp() {
    QFETCH(QString, text);
    QFETCH(QString, page);
    Layout layout;
    QString error;
    QVERIFY2(Read(text, global(), layout, &error), qPrintable(error));
    const Page& p = layout.page;
    const QString flags = QString(p.logo ? "L" : "") + (p.date ? "D" : "") + (p.color ? "C" : "") + (p.pageNo ? "N" : "");
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5/%6/%7/%8 frame %9%10")
                 .arg(p.landscape ? "L" : "P", p.fontFamily, QString::number(p.fontSize), flags)
                 .arg(p.left).arg(p.right).arg(p.top).arg(p.bottom)
                 .arg(int(p.frameTop)).arg(int(p.frameBottom)),
             page);
}

void tst_ReportLayout::cacheColumns() {
    Layout users, totals;
    QVERIFY(Read(modResIDs::GetResString(101, ""), global(), users, nullptr));
    QVERIFY(Read(modResIDs::GetResString(145, ""), global(), totals, nullptr));
    QStringList seen;
    for (const auto* l : {&users, &totals})
        for (const CacheColumn& c : l->columns)
            seen << c.name + ":" + (c.type == CacheColumn::Text ? QString("T" + QString::number(c.length))
                                    : QString(c.type == CacheColumn::Memo ? "M" : "D"));
    QCOMPARE(seen, QStringList({"LNAME:T30", "FNAME:T20", "ADDRESS:T50", "PHONE1:T10", "PHONE2:T10",
                                "USER_GROUP:T50", "descr:T120", "cnt:D"}));
    QCOMPARE(users.columnIndex("user_group"), 5);
    QCOMPARE(users.lineIndex("d1"), users.lineIndex("D1"));
}

void tst_ReportLayout::removedCellKeepsItsNumber() {
    Layout layout;
    QVERIFY(Read(modResIDs::GetResString(123, ""), global(), layout, nullptr));
    Line& d1 = layout.lines[layout.lineIndex("D1")];
    // Removing the code cell twice must not take the description with it; the description then
    // fills the line its shares filled.
    for (int i = 0; i < 3; ++i) {
        d1.cells[d1.cellIndex(1)].removed = true;
        d1.relayout(190);
    }
    QCOMPARE(picture(d1), QStringLiteral("D1 body h=1.3L B1 [2 190.0 FIELD2 wrap]"));
}

void tst_ReportLayout::malformed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString head = "#CacheTable {\"A TEXT(5)\"}\n";
    QTest::newRow("unknown cell key") << head + "#line {key=D1}\n#col {field=A, colour=$Red}\n#lineEnd {....}"
                                      << "layout, line 3: unknown key 'colour' in #col";
    QTest::newRow("unknown line key") << head + "#line {key=D1, heigth=3}\n#lineEnd {....}"
                                      << "layout, line 2: unknown key 'heigth' in #line";
    QTest::newRow("unknown constant") << head + "#line {key=D1}\n#col {W=$w9}\n#lineEnd {....}"
                                      << "layout, line 3: unknown constant $w9";
    QTest::newRow("unknown macro") << head + "#line {$$PH2_Line}\n#lineEnd {....}"
                                   << "layout, line 2: unknown macro $$PH2_Line";
    QTest::newRow("field not cached") << head + "#line {key=D1}\n#col {field=B}\n#lineEnd {....}"
                                      << "layout, line 3: the field B is not a cache column";
    QTest::newRow("unknown built-in") << head + "#line {key=D1}\n#col {field=[LOGO3]}\n#lineEnd {....}"
                                      << "layout, line 3: unknown built-in field [LOGO3]";
    QTest::newRow("col outside a line") << head + "#col {field=A}" << "layout, line 2: #col outside a #line";
    QTest::newRow("no lineEnd") << head + "#line {key=D1}\n#col {field=A}\n#line {key=D2}\n#lineEnd {....}"
                                << "layout, line 4: #line inside the line D1 (a #lineEnd missing?)";
    QTest::newRow("no lineEnd at the end") << head + "\n#line {key=D1}\n#col {field=A}"
                                           << "layout, line 3: the line D1 has no #lineEnd";
    QTest::newRow("duplicate key") << head + "#line {key=D1}\n#lineEnd {....}\n#line {key=d1}\n#lineEnd {....}"
                                   << "layout, line 4: the line key d1 is declared twice";
    QTest::newRow("bad cache type") << "#CacheTable {\"A VARCHAR(5)\"}"
                                    << "layout, line 1: a cache column takes TEXT(n), MEMO or double: 'A VARCHAR(5)'";
    QTest::newRow("bad colour") << head + "#line {key=D1, forecolor=(255:0)}\n#lineEnd {....}"
                                << "layout, line 2: forecolor takes a colour (r:g:b), not '(255:0)'";
    QTest::newRow("bad alignment") << head + "#line {key=D1}\n#col {hAlign=middle}\n#lineEnd {....}"
                                   << "layout, line 3: hAlign takes left, center or right, not 'middle'";
    QTest::newRow("height in percent") << head + "#line {key=D1, H=10%}\n#lineEnd {....}"
                                       << "layout, line 2: H takes a length in mm or cm, not '10%'";
    QTest::newRow("broken brace") << head + "#line {key=D1\n#lineEnd {....}"
                                  << "layout, line 3: '{' inside the list of #line opened at line 2 (a '}' missing?)";
    QTest::newRow("unknown directive") << head + "#lines {key=D1}" << "layout, line 2: unknown directive #lines";
}

void tst_ReportLayout::malformed() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    Layout layout;
    QString got;
    QVERIFY(!Read(text, global(), layout, &got));
    QCOMPARE(got, error);
    QVERIFY(layout.lines.isEmpty() && layout.columns.isEmpty());  // nothing half-read
}

QTEST_GUILESS_MAIN(tst_ReportLayout)
#include "tst_reportlayout.moc"
