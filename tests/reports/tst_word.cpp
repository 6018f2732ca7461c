#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextEdit>
#include <memory>

#include "MsgBox.h"
#include "Shell.h"
#include "TestSupport.h"
#include "cls_Word.h"
#include "modDeclare.h"

namespace {
const QString kText = QStringLiteral("Θέμα: Αίτηση άδειας\nΔεύτερη γραμμή με \"εισαγωγικά\" και 'απόστροφο'");
const QString kNoApp = QStringLiteral(
    "#cls_Word -> Δεν θα μπορείτε να ανοίξετε έγγραφα DOC γιατί υπάρχει κάποιο πρόβλημα με το Microsoft "
    "WORD.");

bool writeOdt(const QString& path, const QString& text) {
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocumentWriter writer(path, "odf");
    return writer.write(&doc);
}

// The smallest document the word processor's own format allows: three parts in a zip.
bool writeDocx(const QString& path, const QString& text) {
    QTemporaryDir parts;
    const auto put = [&parts](const QString& name, const QString& content) {
        QDir().mkpath(QFileInfo(parts.filePath(name)).path());
        QFile f(parts.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(content.toUtf8()) > 0;
    };
    QString body;
    for (const QString& line : text.split('\n'))
        body += QStringLiteral("<w:p><w:r><w:t xml:space=\"preserve\">%1</w:t></w:r></w:p>")
                    .arg(line.toHtmlEscaped());
    const bool ok =
        put("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
            "Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
            "Extension=\"xml\" "
            "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>") &&
        put("_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
            "Id=\"rId1\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
            "Target=\"word/document.xml\"/></Relationships>") &&
        put("word/document.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
            "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
                body + "</w:body></w:document>");
    if (!ok) return false;
    QProcess zip;
    zip.setWorkingDirectory(parts.path());
    zip.start("zip",
              {"-q", "-r", "-X", QFileInfo(path).absoluteFilePath(), "[Content_Types].xml", "_rels", "word"});
    return zip.waitForFinished(30000) && zip.exitCode() == 0;
}

QString normalised(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.endsWith('\n')) text.chop(1);
    return text;
}
}  // namespace

class TestWord : public QObject {
    Q_OBJECT
    QTemporaryDir m_cache;  // the conversions' own profile, made once for the run
    std::unique_ptr<QTemporaryDir> m_docs;
    std::unique_ptr<AnswerQueues> m_answers;

private slots:
    void initTestCase() { qputenv("XDG_CACHE_HOME", m_cache.path().toUtf8()); }
    void init() {
        m_docs = std::make_unique<QTemporaryDir>();
        m_answers = std::make_unique<AnswerQueues>();
        modDeclare::gErr = std::make_unique<cls_Error>();
        modDeclare::gErr->Init(false);
    }
    void cleanup() {
        modDeclare::gErr.reset();
        m_answers.reset();
        m_docs.reset();
    }

    // The whole text of an .odt and a .docx, also under a hostile name, through the clipboard.
    // A name given relative to the current folder, as a user's may be, that begins with "-".
    void textTaken_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("relative");
        QTest::newRow("odt") << "έγγραφο.odt" << false;
        QTest::newRow("docx") << "έγγραφο.docx" << false;
        QTest::newRow("hostile name") << "-o 'x' \"y\"; $(z).docx" << false;
        QTest::newRow("relative name like an option") << "--convert-to=x.odt" << true;
    }
    void textTaken() {
        QFETCH(QString, name);
        QFETCH(bool, relative);
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("soffice is not installed (scripts/deps)");
        QVERIFY(name.endsWith(".odt") ? writeOdt(m_docs->filePath(name), kText)
                                      : writeDocx(m_docs->filePath(name), kText));
        const QString previous = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
        if (relative) QVERIFY(QDir::setCurrent(m_docs->path()));
        const QString path = relative ? name : m_docs->filePath(name);
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QPlainTextEdit box;
        box.setPlainText(QStringLiteral("old"));
        cls_Word word;
        QVERIFY(word.WordDOC_into_TXT(path, &box));
        QCOMPARE(MsgBoxHook::Log().size(), 0);
        QCOMPARE(normalised(box.toPlainText()), kText);
        QCOMPARE(QApplication::clipboard()->text(), box.toPlainText());
        QVERIFY(QFile::exists(path));  // the document is left as it was
    }

    // A missing file is reported under the conversion's text; the box and the clipboard keep theirs.
    void missingFile() {
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("soffice is not installed (scripts/deps)");
        const QString path = m_docs->filePath("λείπει.docx");
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QLineEdit box(QStringLiteral("old"));
        cls_Word word;
        QVERIFY(!word.WordDOC_into_TXT(path, &box));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(
            MsgBoxHook::Log().first().prompt.startsWith("#cls_Word -> Μετατροπή αρχείου " + path + "\r\n"),
            qPrintable(MsgBoxHook::Log().first().prompt));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
        QCOMPARE(box.text(), QStringLiteral("old"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    }

    // Opening hands the file to the desktop's application; a missing one is reported.
    void openDocument() {
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("soffice is not installed (scripts/deps)");
        ShellHook::Install();
        const QString path = m_docs->filePath("a.odt");
        QVERIFY(writeOdt(path, kText));
        cls_Word word;
        QVERIFY(word.WordOpened());
        QVERIFY(word.OpenWordDOC(path));
        QVERIFY(word.OpenWordDOC(path));
        QCOMPARE(ShellHook::Opened(), (QStringList{path, path}));
        QCOMPARE(MsgBoxHook::Log().size(), 0);
        QVERIFY(!word.OpenWordDOC(m_docs->filePath("b.odt")));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY(MsgBoxHook::Log().first().prompt.startsWith("#cls_Word -> Άνοιγμα αρχείου " +
                                                            m_docs->filePath("b.odt")));
        ShellHook::Uninstall();
    }

    // Without the application nothing is attempted and the one failure text is shown.
    void noApplication() {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_docs->path().toUtf8());
        const QString doc = m_docs->filePath("a.odt");
        QVERIFY(writeOdt(doc, kText));
        cls_Word word;
        QLineEdit box(QStringLiteral("old"));
        const bool opened = word.WordOpened();
        const bool converted = word.WordDOC_into_TXT(doc, &box);
        const bool shown = word.OpenWordDOC(doc);
        qputenv("PATH", path);
        QVERIFY(!opened && !converted && !shown);
        QCOMPARE(MsgBoxHook::Log().size(), 3);
        for (const MsgBoxHook::Shown& s : MsgBoxHook::Log())
            QVERIFY2(s.prompt.startsWith(kNoApp + "\r\n"), qPrintable(s.prompt));
        QCOMPARE(box.text(), QStringLiteral("old"));
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
