#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "MsgBox.h"
#include "ReportEngine.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "modResIDs.h"

namespace {

// A report of `rows` rows whose lines the test writes; the protocol of the list reports.
class Feeder : public ReportCallback {
public:
    std::shared_ptr<ReportEngine> engine;
    std::function<bool(int)> addRow;
    int rows = 0, pos = 0, restarts = 0, terminated = 0;
    std::function<void()> onRestart;
    void CacheNextPage() override {
        if (engine->EndOfData()) return;
        bool full = engine->Cmd("reset");
        while (pos < rows && !full) full = addRow(pos++);
        engine->SetEndOfData(pos >= rows);
    }
    void RptRestart() override {
        pos = 0;
        ++restarts;
        if (onRestart) onRestart();
    }
    void RptTerminate() override {
        ++terminated;
        if (engine) engine->Close();
        engine.reset();
    }
};

// The run a test drives. The report and its engine hold each other until RptTerminate, which
// only a finished run calls: the test ends its run when it lets go of it.
class Run {
public:
    Run() = default;
    explicit Run(std::shared_ptr<Feeder> f) : m_feeder(std::move(f)) {}
    Run(Run&&) = default;
    Run& operator=(Run&&) = default;
    ~Run() {
        if (m_feeder) m_feeder->RptTerminate();
    }
    Feeder* operator->() const { return m_feeder.get(); }
    explicit operator bool() const { return bool(m_feeder); }

private:
    std::shared_ptr<Feeder> m_feeder;
};

Run start(const QString& layout, int rows, std::function<bool(ReportEngine&, int)> row,
          const QImage& logo = QImage()) {
    auto f = std::make_shared<Feeder>();
    f->engine = std::make_shared<ReportEngine>();
    f->rows = rows;
    ReportEngine* e = f->engine.get();
    f->addRow = [e, row](int i) { return row(*e, i); };
    if (!f->engine->Init(f, "Δοκιμή", layout, modResIDs::GetResString(50, ""), true, "\\Protocol", "900", 1,
                         "", logo, QImage(), "ΟΡΓΑΝΙΣΜΟΣ", "", 0, 0, nullptr, 0) ||
        !f->engine->PrepareCache("/tmp/", "", true)) {
        f->RptTerminate();
        return {};
    }
    return Run(std::move(f));
}

QList<ReportPage::Page> allPages(ReportEngine& e) {
    QList<ReportPage::Page> out;
    ReportPage::Page p;
    while (e.NextPage(p)) out << p;
    return out;
}

// The body's texts of a page, header and footer lines left out, in order, empty ones skipped.
QStringList texts(const ReportPage::Page& p) {
    QStringList out;
    for (const auto& t : p.texts)
        if (!t.text.isEmpty()) out << t.text;
    return out;
}

const QString kList = QString::fromUtf8(R"L(
#CacheTable {"T TEXT(5)", "M MEMO", "N double"}
#page {$$pageDef1}
#line {$$PH1_Line}
  #col {$$PH1_col1}
  #col {hAlign=right, val="ΚΕΦΑΛΙΔΑ"}
#lineEnd {....}
#line {key=D1, H=10mm}
  #col {W=20%, field=T}
  #col {W=60%, field=M, wrap=var}
  #col {W=20%, field=N, hAlign=right}
#lineEnd {....}
#line {key=GAP, H=5mm}
  #col {...}
#lineEnd {....}
#line {key=HEAD, H=10mm, keepWith=1}
  #col {val="ΟΜΑΔΑ"}
#lineEnd {....}
#line {key=ONE, H=5mm}
  #col {W=30%, field=M}
  #col {W=70%, field=T}
#lineEnd {....}
#line {$$PF_line}
  #col {$$PF_col1}
  #col {$$PF_col2}
  #col {$$PF_col3}
#lineEnd {....}
)L");

// The text widths of D1's memo cell and ONE's first cell: their share of 190 mm less 1 mm each side.
constexpr double kMemoWidth = 190 * 0.6 - 2, kOneLineWidth = 190 * 0.3 - 2;

// Height of the body: A4 less margins, header (10mm) and footer (one 7pt line).
int linesPerPage(const ReportPage::Page& p) {
    int n = 0;
    for (const auto& t : p.texts)
        if (t.text.startsWith("R")) ++n;
    return n;
}

QString pdfText(const QString& file) {
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Where a line of text puts its ink across the page, in mm: [left, right]; empty when it puts none.
// It is painted alone, unclipped, so that whatever passes its box shows.
std::pair<double, double> inkAcross(const ReportPage::Text& t, const QString& line, double height,
                                    double dotsPerMm, QSizeF pageSize) {
    ReportPage::Page one;
    one.size = pageSize;
    ReportPage::Text alone = t;
    alone.text = line;
    alone.lines.clear();
    alone.rect = QRectF(t.rect.x(), 0.5, t.rect.width(), height);
    alone.flags = t.flags | Qt::TextDontClip;
    alone.color = Qt::black;
    one.texts = {alone};
    QImage image(qRound(pageSize.width() * dotsPerMm), qRound((height + 1) * dotsPerMm),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerMm * 1000));
    image.setDotsPerMeterY(qRound(dotsPerMm * 1000));
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    ReportPage::Paint(p, one, dotsPerMm);
    p.end();
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qGray(row[x]) < 235) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    }
    if (right < 0) return {0, -1};
    return {left / dotsPerMm, (right + 1) / dotsPerMm};
}

// Where each line of the page's texts puts its ink, drawn at the resolution.
struct Ink {
    QString line;
    QRectF box;
    double left, right;
};
QList<Ink> inks(const ReportPage::Page& page, double dotsPerMm) {
    QList<Ink> out;
    for (const ReportPage::Text& t : page.texts) {
        if (t.text.isEmpty()) continue;
        const QStringList lines = t.lines.isEmpty() ? QStringList{t.text} : t.lines;
        const double h = t.lines.isEmpty() ? t.rect.height() : t.lineHeight;
        for (const QString& l : lines) {
            const auto [left, right] = inkAcross(t, l, h, dotsPerMm, page.size);
            if (right >= left) out.append({l, t.rect, left, right});
        }
    }
    return out;
}

}  // namespace

class tst_ReportEngine : public QObject {
    Q_OBJECT
private slots:
    void init() {
        MsgBoxHook::Install();
        MsgBoxHook::Clear();
    }
    void cleanup() { MsgBoxHook::Uninstall(); }
    void literals_data();
    void literals();
    void itemsForm();
    void textCutAndMemoKept();
    void oneLineCellsShowTheirCut();
    void lineTallerThanAPage();
    void noPageOfNothing();
    void unusualTexts_data();
    void unusualTexts();
    void wholeRecordsAndFullPage();
    void keepWith();
    void recordMovesWithItsSpacers();
    void wrappingGrowsItsLine();
    void endPageTwiceAddsNoPage();
    void restartGivesTheSamePages();
    void headerAndFooterOnEveryPage();
    void detailedListPattern();
    void totalsPattern();
    void receiptPattern();
    void previewDrawsWhatPrints_data();
    void previewDrawsWhatPrints();
    void malformedLayoutIsReported();
    void pdfReadsBack();
};

void tst_ReportEngine::literals_data() {
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("quotes and commas inside")
        << "t,m"
        << "'O''Brien, J.', 'a,b'',c'" << QStringList{"O'Br…", "a,b',c"};
    QTest::newRow("Greek and blanks")
        << "m,t"
        << " 'Ελληνικά κείμενα' ,'Άλφα'" << QStringList{"Άλφα", "Ελληνικά κείμενα"};
    QTest::newRow("N prefix") << "m"
                              << "N'Σ''Ν'" << QStringList{"Σ'Ν"};
    QTest::newRow("Null and numbers") << "t,m,n"
                                      << "Null,12,-3.5" << QStringList{"12", "-3,5"};
    QTest::newRow("dates") << "t,m"
                           << "'2024-03-05','2024-03-05 14:30:00'"
                           << QStringList{"05/03/2024", "05/03/2024 14:30:00"};
    QTest::newRow("label then value as the detailed list writes")
        << "t,m"
        << "'Από'," + StrHelper::SqlValue(QString("Δήμος 'Α', Τμήμα"))
        << QStringList{"Από", "Δήμος 'Α', Τμήμα"};
}

void tst_ReportEngine::literals() {
    QFETCH(QString, fields);
    QFETCH(QString, values);
    QFETCH(QStringList, shown);
    auto f = start(kList, 1, [&](ReportEngine& e, int) { return e.AddLine("d1", fields, values, {}); });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QCOMPARE(pages.size(), 1);
    QStringList body = texts(pages[0]);
    body.removeFirst();  // the organisation
    body.removeFirst();  // the heading
    body = body.mid(0, shown.size());
    QCOMPARE(body, shown);
}

void tst_ReportEngine::itemsForm() {
    // Items "COLUMN=literal"; an empty literal adds nothing; column names ignore case.
    auto f = start(kList, 1, [](ReportEngine& e, int) {
        return e.AddLine("D1", "", "", {"T=", "m='x=1, y=''2'''", "N=7"});
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QVERIFY(texts(pages[0]).contains("x=1, y='2'"));
    QVERIFY(texts(pages[0]).contains("7"));
}

void tst_ReportEngine::textCutAndMemoKept() {
    // TEXT(5) keeps five characters, the last one the sign of the cut; a word wider than its
    // wrapping cell goes on over as many lines as it needs.
    const QString longText(300, u'ω');
    auto f = start(kList, 2, [&](ReportEngine& e, int i) {
        return e.AddLine(
            "D1", "T,M",
            StrHelper::SqlValue(QString(i ? "ΑΒΓΔΕ" : "ΑΒΓΔΕΖΗ")) + "," + StrHelper::SqlValue(longText), {});
    });
    QVERIFY(f);
    const auto page = allPages(*f->engine)[0];
    const QStringList t = texts(page);
    QVERIFY(t.contains("ΑΒΓΔ…"));
    QVERIFY(t.contains("ΑΒΓΔΕ"));
    for (const auto& text : page.texts) {
        if (text.text != longText) continue;
        QVERIFY(text.lines.size() > 2);
        QCOMPARE(text.lines.join(QString()), longText);
        for (const QString& line : text.lines)
            QVERIFY(ReportPage::Metrics(text.font).advance(line) <= text.rect.width() + 0.01);
    }
}

void tst_ReportEngine::oneLineCellsShowTheirCut() {
    // A cell without wrap holds one line: a text too wide for it ends in "…", inside the cell.
    const QString wide = "Αρχή " + QString(200, u'Ψ');
    const QStringList given{wide, "σύντομο", "α\r\nβ\nγ", ""};
    auto f = start(kList, int(given.size()), [&](ReportEngine& e, int i) {
        return e.AddLine("ONE", "M", StrHelper::SqlValue(given[i]), {});
    });
    QVERIFY(f);
    const auto page = allPages(*f->engine)[0];
    QList<ReportPage::Text> shown;
    for (const auto& t : page.texts)
        if (qAbs(t.rect.width() - kOneLineWidth) < 0.1) shown << t;
    QCOMPARE(shown.size(), given.size());
    QVERIFY2(shown[0].text.startsWith("Αρχή ΨΨ") && shown[0].text.endsWith("…"), qPrintable(shown[0].text));
    QVERIFY(shown[0].text.size() < 60);
    QVERIFY(ReportPage::Metrics(shown[0].font).advance(shown[0].text) <= shown[0].rect.width() + 0.01);
    QCOMPARE(shown[1].text, QString("σύντομο"));
    QCOMPARE(shown[2].text, QString("α β γ"));
    QCOMPARE(shown[3].text, QString());
}

void tst_ReportEngine::lineTallerThanAPage() {
    // 2,500 words in one wrapping cell: the line goes on over the pages, each under the page's
    // header and above its footer, and the next row follows it. No page is without body text.
    QStringList words;
    for (int i = 0; i < 2500; ++i) words << QString("λ%1").arg(i, 4, 10, QChar('0'));
    const QString memo = words.join(' ');
    // It begins where the page stands, after a row and the heading kept with it.
    auto f = start(kList, 4, [&](ReportEngine& e, int i) {
        if (i == 0) return e.AddLine("D1", "T,M", "'Π','πρώτη'", {});
        if (i == 1) return e.AddLine("HEAD", "", "", {});
        return e.AddLine("D1", "T,M", i == 2 ? "'Α'," + StrHelper::SqlValue(memo) : QString("'Β','τέλος'"),
                         {});
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QVERIFY(pages.size() >= 3);
    const QStringList first = texts(pages[0]);
    QVERIFY2(first.contains("πρώτη") && first.contains("ΟΜΑΔΑ") && first.join(' ').contains("λ0000"),
             qPrintable(first.mid(0, 8).join('|')));
    QStringList printed;
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        QCOMPARE(t.mid(0, 2), QStringList({"ΟΡΓΑΝΙΣΜΟΣ", "ΚΕΦΑΛΙΔΑ"}));
        QVERIFY(t.last().startsWith("Σελίδα"));
        QVERIFY2(t.size() > 5, qPrintable(t.join('|')));  // header 2, footer 3
        // Header and footer keep their places; the body stays between them.
        const double footerTop = p.texts[p.texts.size() - 3].rect.top();
        for (int i = 2; i < p.texts.size() - 3; ++i) {
            QVERIFY(p.texts[i].rect.top() >= p.texts[1].rect.bottom());
            QVERIFY(p.texts[i].rect.bottom() <= footerTop + 0.01);
        }
        for (const QString& text : t)
            for (const QString& w : text.split(QRegularExpression("\\s+")))
                if (w.startsWith(u'λ')) printed << w;
    }
    QCOMPARE(printed, words);
    QCOMPARE(texts(pages.last()).count("τέλος"), 1);
}

void tst_ReportEngine::noPageOfNothing() {
    // Rows that fill the first page, then a spacer too tall for what is left as the last line:
    // it ends the page instead of making a second one of nothing.
    auto probe = start(
        kList, 100, [](ReportEngine& e, int i) { return e.AddLine("D1", "M", QString("'R%1'").arg(i), {}); });
    QVERIFY(probe);
    const int perPage = linesPerPage(allPages(*probe->engine).first());
    auto f = start(kList, perPage + 1, [perPage](ReportEngine& e, int i) {
        return i < perPage ? e.AddLine("D1", "M", QString("'R%1'").arg(i), {}) : e.AddLine("GAP", "", "", {});
    });
    QVERIFY(f);
    QCOMPARE(allPages(*f->engine).size(), 1);
}

void tst_ReportEngine::unusualTexts_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");  // in a wrapping cell
    QTest::newRow("control characters")
        << QString("α\x01β\x7fγ") + QChar(0x85) + "δ\x1b" << QString("α\uFFFDβ\uFFFDγ\uFFFDδ\uFFFD");
    QTest::newRow("a lone surrogate") << QString("α") + QChar(0xD800) + "β" << QString("α\uFFFDβ");
    QTest::newRow("tab") << QString("α\tβ") << QString("α β");
    QTest::newRow("outside the code page") << QString("漢字 ĉ ⅷ 😀 €") << QString("漢字 ĉ ⅷ 😀 €");
    QTest::newRow("right to left") << QString("שלום עולם مرحبا 12") << QString("שלום עולם مرحبا 12");
    QTest::newRow("one long word") << QString(50000, u'ж') << QString(50000, u'ж');
    QTest::newRow("only breaks") << QString("\r\n\r\n\n") << QString("\r\n\r\n\n");
}

void tst_ReportEngine::unusualTexts() {
    // Nothing of a text vanishes unseen, and no text stops a run: what prints nothing becomes
    // the replacement sign.
    QFETCH(QString, given);
    QFETCH(QString, shown);
    auto f = start(kList, 2, [&](ReportEngine& e, int i) {
        return e.AddLine(i ? "ONE" : "D1", "M", StrHelper::SqlValue(given), {});
    });
    QVERIFY(f);
    QTemporaryDir dir;
    QString error;
    QVERIFY2(f->engine->WritePdf(dir.filePath("out.pdf"), &error), qPrintable(error));
    QString wrapped, oneLine;
    f->engine->Restart();
    for (const auto& p : allPages(*f->engine))
        for (const auto& t : p.texts) {
            if (qAbs(t.rect.width() - kMemoWidth) < 0.1)
                wrapped += t.lines.isEmpty() ? t.text : t.lines.join("");
            if (qAbs(t.rect.width() - kOneLineWidth) < 0.1) oneLine += t.text;
        }
    const QRegularExpression blanks("\\s");
    QCOMPARE(QString(wrapped).remove(blanks), QString(shown).remove(blanks));
    QString flat = shown;
    flat.replace("\r\n", " ").replace('\n', ' ');
    if (!oneLine.endsWith("…") || flat.isEmpty())
        QCOMPARE(oneLine, flat);
    else
        QVERIFY(flat.startsWith(oneLine.chopped(1)));
}

void tst_ReportEngine::wholeRecordsAndFullPage() {
    // Records of three lines each; none may be split over two pages, and AddLine says "full"
    // only once the page cannot take another line.
    QList<int> fullAt;
    auto f = start(kList, 40, [&](ReportEngine& e, int i) {
        e.Cmd("");
        bool full = false;
        for (int k = 0; k < 3; ++k) full = e.AddLine("D1", "M", QString("'R%1-%2'").arg(i).arg(k), {});
        if (full) fullAt << i;
        return full;
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QVERIFY(pages.size() > 3);
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        QStringList records;
        for (const QString& s : t)
            if (s.startsWith("R")) records << s.section(u'-', 0, 0);
        for (const QString& r : records) QCOMPARE(records.count(r), 3);
    }
    QVERIFY(!fullAt.isEmpty());
    QCOMPARE(f->pos, 40);
}

void tst_ReportEngine::keepWith() {
    // A heading with keepWith never ends a page: it moves with the line after it. The gap puts
    // the 13th heading where only it would fit.
    auto f = start(kList, 200, [](ReportEngine& e, int i) {
        if (i == 0) e.AddLine("GAP", "", "", {});
        e.AddLine("HEAD", "", "", {});
        return e.AddLine("D1", "M", QString("'R%1'").arg(i), {});
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QVERIFY(pages.size() > 2);
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        const int last = t.lastIndexOf("ΟΜΑΔΑ");
        QVERIFY(last < 0 || (last + 1 < t.size() && t[last + 1].startsWith("R")));
    }
}

void tst_ReportEngine::recordMovesWithItsSpacers() {
    // A record of two lines with spacers between them, after more and more lines: wherever the
    // page ends, it stays whole on one page, its lines as far apart as the spacers make them.
    bool moved = false;
    for (int before = 30; before <= 60; ++before) {
        auto f = start(kList, 1, [before](ReportEngine& e, int) {
            for (int i = 0; i < before; ++i) e.AddLine("ONE", "M", QString("'P%1'").arg(i), {});
            e.Cmd("");
            e.AddLine("D1", "M", "'S1'", {});
            e.AddLine("GAP", "", "", {});
            e.AddLine("GAP", "", "", {});
            e.AddLine("D1", "M", "'S2'", {});
            return true;
        });
        QVERIFY(f);
        const auto pages = allPages(*f->engine);
        int pageOfFirst = -1;
        for (int i = 0; i < pages.size(); ++i) {
            QRectF first, second;
            for (const auto& t : pages[i].texts) {
                if (t.text == "S1") first = t.rect;
                if (t.text == "S2") second = t.rect;
            }
            if (first.isNull() && second.isNull()) continue;
            QVERIFY2(!first.isNull() && !second.isNull(), qPrintable(QString("after %1 lines").arg(before)));
            QVERIFY2(std::abs(second.top() - first.top() - 20) < 1e-6,
                     qPrintable(
                         QString("after %1 lines: %2 mm apart").arg(before).arg(second.top() - first.top())));
            pageOfFirst = i;
        }
        QVERIFY(pageOfFirst >= 0);
        if (pageOfFirst > 0 && texts(pages[pageOfFirst]).filter(QRegularExpression("^P\\d+$")).isEmpty())
            moved = true;
    }
    QVERIFY(moved);  // some records did not fit after the lines before them
}

void tst_ReportEngine::wrappingGrowsItsLine() {
    const QString memo = QStringList(QList<QString>(60, "λέξη")).join(' ');
    auto f = start(kList, 2, [&](ReportEngine& e, int i) {
        return e.AddLine("D1", "M,T",
                         StrHelper::SqlValue(i == 0 ? memo : QString("R")) + ",'x" + QString::number(i) + "'",
                         {});
    });
    QVERIFY(f);
    const auto page = allPages(*f->engine).first();
    QRectF big, small;
    for (const auto& t : page.texts) {
        if (t.text == memo) big = t.rect;
        if (t.text == "x1") small = t.rect;
    }
    QVERIFY(big.height() > 10.5);          // taller than its 10mm line
    QVERIFY(small.top() >= big.bottom());  // the next line starts below it
    QVERIFY(big.height() < 40);
}

void tst_ReportEngine::endPageTwiceAddsNoPage() {
    auto f = start(kList, 3, [](ReportEngine& e, int i) {
        e.Cmd("");
        e.AddLine("D1", "M", QString("'R%1'").arg(i), {});
        e.EndPage();
        e.EndPage();
        return true;
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QCOMPARE(pages.size(), 3);
    for (int i = 0; i < 3; ++i) QVERIFY(texts(pages[i]).contains(QString("R%1").arg(i)));
}

void tst_ReportEngine::restartGivesTheSamePages() {
    int restarts = 0;
    auto f = start(kList, 100,
                   [](ReportEngine& e, int i) { return e.AddLine("D1", "M", QString("'R%1'").arg(i), {}); });
    QVERIFY(f);
    f->onRestart = [&] { ++restarts; };
    const auto first = allPages(*f->engine);
    f->engine->Restart();
    const auto second = allPages(*f->engine);
    QCOMPARE(restarts, 1);
    QCOMPARE(second.size(), first.size());
    for (int i = 0; i < first.size(); ++i) QCOMPARE(texts(second[i]), texts(first[i]));
    QVERIFY(linesPerPage(first[0]) > 10);
}

void tst_ReportEngine::headerAndFooterOnEveryPage() {
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    auto f = start(
        kList, 100, [](ReportEngine& e, int i) { return e.AddLine("D1", "M", QString("'R%1'").arg(i), {}); },
        logo);
    QVERIFY(f);
    f->engine->SetPrintDate(QDate(2026, 2, 3));
    const auto pages = allPages(*f->engine);
    QVERIFY(pages.size() >= 3);
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        QCOMPARE(t.mid(0, 2), QStringList({"ΟΡΓΑΝΙΣΜΟΣ", "ΚΕΦΑΛΙΔΑ"}));
        QCOMPARE(t.mid(t.size() - 2), QStringList({"03/02/2026", QString("Σελίδα %1").arg(p.number)}));
        // The logo stands in the header's first cell, its text after it.
        QCOMPARE(p.pictures.size(), 1);
        QVERIFY(p.pictures[0].rect.right() <= p.texts[0].rect.left());
        QVERIFY(p.pictures[0].rect.bottom() <= 20 + 0.01);
    }
}

void tst_ReportEngine::detailedListPattern() {
    // An entry is a record of labelled lines; its value lists mix label literals and values.
    const QString subject = QStringList(QList<QString>(80, "θέμα")).join(' ');
    auto f = start(modResIDs::GetResString(modResIDs::resProtDetRpt, ""), 30, [&](ReportEngine& e, int i) {
        e.Cmd("");
        e.AddLine("h1", "t2", StrHelper::SqlValue(QString("Αρ.Πρωτοκ. %1 / 2026").arg(i)), {});
        e.AddLine("D3a", "t1,m1,t3,m2", "'Αρμόδιος','Α, Β',' Αρμόδιος',Null", {});
        e.AddLine("D3", "t1,t2,t3,t4", "'Ημερομ.','2026-01-05',' Ημερ.Απάντ.',Null", {});
        e.AddLine("D4", "t1,m1", "'Θέμα'," + StrHelper::SqlValue(subject), {});
        return e.AddLine("D5", "", "", {});
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QVERIFY(pages.size() > 2);
    int entries = 0;
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        // Every entry on a page is whole: its number and its subject both there.
        const int numbers = int(t.filter(QRegularExpression("^Αρ\\.Πρωτοκ\\. \\d+ / 2026$")).size());
        QCOMPARE(int(t.count(subject)), numbers);
        QCOMPARE(int(t.count(" Αρμόδιος")), numbers);
        entries += numbers;
        QVERIFY(t.contains("05/01/2026"));
    }
    QCOMPARE(entries, 30);
}

void tst_ReportEngine::totalsPattern() {
    // All of it in one call; the engine breaks the pages, and a heading never ends one.
    bool called = false;
    auto f = start(modResIDs::GetResString(modResIDs::resProtGroupRpt, ""), 0,
                   [](ReportEngine&, int) { return false; });
    QVERIFY(f);
    f->rows = 1;
    f->addRow = [&](int) {
        called = true;
        for (int g = 0; g < 5; ++g) {
            f->engine->AddLine("H0", "DESCR", StrHelper::SqlValue(QString("ΟΜΑΔΑ %1").arg(g)), {});
            f->engine->AddLine("H1", "", "", {});
            for (int i = 0; i < 40; ++i)
                f->engine->AddLine(
                    "D1", "descr,cnt",
                    StrHelper::SqlValue(QString("Τύπος %1").arg(i)) + "," + QString::number(i + 1), {});
            f->engine->AddLine("EMPTY", "", "", {});
        }
        return true;
    };
    const auto pages = allPages(*f->engine);
    QVERIFY(called);
    QVERIFY(pages.size() >= 3);
    int groups = 0;
    for (const auto& p : pages) {
        const QStringList t = texts(p);
        const int h = int(t.lastIndexOf(QRegularExpression("^ΟΜΑΔΑ \\d$")));
        if (h >= 0) QCOMPARE(t.value(h + 1), QString("ΠΕΡΙΓΡΑΦΗ"));
        groups += int(t.filter(QRegularExpression("^ΟΜΑΔΑ \\d$")).size());
    }
    QCOMPARE(groups, 5);
}

void tst_ReportEngine::receiptPattern() {
    // One page per receipt: the builder ends its page, CacheNextPage ends it once more.
    auto f = start(modResIDs::GetResString(modResIDs::resProtReceiptRpt, ""), 4, [](ReportEngine& e, int i) {
        e.Cmd("");
        e.AddLine("H1", "", "", {});
        e.AddLine("D1", "t1,m1", "'Θέμα','Αίτηση " + QString::number(i) + "'", {});
        e.AddLine("D1", "t1,m1", "'Όργανο προς το οποίο απευθύνεται','Α\r\nΒ'", {});
        e.AddLine("D2", "t1,m1", "'1.','συνημμένο'", {});
        e.AddLine("D3b", "t1", "'Ο Υπάλληλος'", {});
        e.EndPage();
        e.EndPage();
        return true;
    });
    QVERIFY(f);
    const auto pages = allPages(*f->engine);
    QCOMPARE(pages.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(texts(pages[i]).contains(QString("Αίτηση %1").arg(i)));
        QVERIFY(texts(pages[i]).contains("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ"));
        QVERIFY(texts(pages[i]).contains("Α\r\nΒ"));
    }
}

void tst_ReportEngine::previewDrawsWhatPrints_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("label");
    QTest::newRow("detailed list") << int(modResIDs::resProtDetRpt) << "D4"
                                   << "Θέμα";
    QTest::newRow("receipt") << int(modResIDs::resProtReceiptRpt) << "D1"
                             << "Θέμα";
}

void tst_ReportEngine::previewDrawsWhatPrints() {
    // At every zoom, and at "Πλάτος σελίδας" in windows of many widths, each line of the page is
    // drawn as wide as it prints: inside its cell, within a screen pixel of where the PDF puts it.
    QFETCH(int, layout);
    QFETCH(QString, line);
    QFETCH(QString, label);
    const QString subject = QString(
                                "Αίτηση για χορήγηση άδειας διαμονής και ανακοίνωση της σύσκεψης "
                                "των τμημάτων, με τα συνημμένα δικαιολογητικά και τις βεβαιώσεις ")
                                .repeated(6);
    const QString sender = QString("Περιφερειακή Διεύθυνση Πρωτοβάθμιας Εκπαίδευσης ").repeated(4);
    auto f = start(modResIDs::GetResString(layout, ""), 2, [&](ReportEngine& e, int) {
        e.Cmd("");
        if (layout == modResIDs::resProtDetRpt)  // a one-line cell cut with "…"
            e.AddLine("D3", "t1,t2", "'Από'," + StrHelper::SqlValue(sender), {});
        return e.AddLine(line, "t1,m1", "'" + label + "'," + StrHelper::SqlValue(subject), {});
    });
    QVERIFY(f);
    f->engine->Run(ReportEngine::rmPreview);
    ReportPreview* preview = f->engine->Preview();
    QVERIFY(preview);
    const ReportPage::Page* page = preview->CurrentModel();
    QVERIFY(page);
    const QList<Ink> printed = inks(*page, ReportPage::Metrics::kDpi / 25.4);
    QVERIFY(std::any_of(printed.begin(), printed.end(),
                        [](const Ink& i) { return i.line.contains("σύσκεψης"); }));
    const auto check = [&] {
        const double dpm = preview->lblPage->pixmap().width() / page->size.width();
        const double pixel = 1 / dpm + 0.05;
        const QList<Ink> shown = inks(*page, dpm);
        QCOMPARE(shown.size(), printed.size());
        for (int i = 0; i < shown.size(); ++i) {
            const Ink& s = shown[i];
            const QString at = QString("%1 at %2 dots/mm: '%3' %4..%5 mm in %6..%7, printed %8..%9")
                                   .arg(preview->cmbZoom->currentText())
                                   .arg(dpm, 0, 'f', 2)
                                   .arg(s.line)
                                   .arg(s.left, 0, 'f', 2)
                                   .arg(s.right, 0, 'f', 2)
                                   .arg(s.box.left(), 0, 'f', 2)
                                   .arg(s.box.right(), 0, 'f', 2)
                                   .arg(printed[i].left, 0, 'f', 2)
                                   .arg(printed[i].right, 0, 'f', 2);
            QVERIFY2(s.left >= s.box.left() - pixel && s.right <= s.box.right() + pixel, qPrintable(at));
            QVERIFY2(
                std::abs(s.left - printed[i].left) <= pixel && std::abs(s.right - printed[i].right) <= pixel,
                qPrintable(at));
        }
    };
    for (int zoom = 0; zoom < preview->cmbZoom->count(); ++zoom) {
        preview->cmbZoom->setCurrentIndex(zoom);
        check();
        if (QTest::currentTestFailed()) return;
    }
    preview->cmbZoom->setCurrentIndex(0);
    for (int width = 600; width <= 1400; width += 50) {
        preview->resize(width, preview->height());
        check();
        if (QTest::currentTestFailed()) return;
    }
    preview->close();
}

void tst_ReportEngine::malformedLayoutIsReported() {
    auto e = std::make_shared<ReportEngine>();
    auto f = std::make_shared<Feeder>();
    QVERIFY(!e->Init(f, "Δοκιμή", "#CacheTable {\"A TEXT(5)\"}\n#line {key=D1, wrap=var}\n#lineEnd {....}",
                     modResIDs::GetResString(50, ""), true, "", "900", 1, "", QImage(), QImage(), "", ""));
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QVERIFY(MsgBoxHook::Log()[0].prompt.contains("layout, line 2: unknown key 'wrap' in #line"));
    QCOMPARE(MsgBoxHook::Log()[0].icon(), int(vb::vbCritical));
    QVERIFY(!e->PrepareCache("", "", true));
    QVERIFY(!e->AddLine("D1", "", "", {}));
}

void tst_ReportEngine::pdfReadsBack() {
    QTemporaryDir dir;
    auto f = start(kList, 150, [](ReportEngine& e, int i) {
        return e.AddLine("D1", "T,M,N", QString("'Κ%1','Γραμμή αριθμός %1',%1").arg(i), {});
    });
    QVERIFY(f);
    const QString file = dir.filePath("out.pdf");
    QString error;
    QVERIFY2(f->engine->WritePdf(file, &error), qPrintable(error));
    const QString text = pdfText(file);
    QVERIFY(text.contains("Γραμμή αριθμός 0"));
    QVERIFY(text.contains("Γραμμή αριθμός 149"));
    QVERIFY(text.contains("ΚΕΦΑΛΙΔΑ"));
    QCOMPARE(text.count("ΚΕΦΑΛΙΔΑ"), f->engine->PagesDelivered());
    // "Arial Greek" prints in the font with Arial's metrics.
    QProcess fonts;
    fonts.start("pdffonts", {file});
    QVERIFY(fonts.waitForFinished(30000));
    const QString used = QString::fromUtf8(fonts.readAllStandardOutput());
    QVERIFY2(used.contains("LiberationSans") && !used.contains("DejaVu"), qPrintable(used));
    // A file that cannot be written leaves nothing behind and says so.
    QVERIFY(!f->engine->WritePdf(dir.filePath("no/such/folder/out.pdf"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(tst_ReportEngine)
#include "tst_reportengine.moc"
