#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

#include "ArrayHelper.h"
#include "Cp1253.h"
#include "FileHelper.h"
#include "ListHelper.h"
#include "NetInfo.h"
#include "Scrambler.h"
#include "TextHelper.h"

namespace {
const QString kGreekExtra = QStringLiteral("ΐΰάέήίόύώΆΈΉΊΌΎΏϊϋΪΫς");

// The characters the scrambler may produce: printable ASCII and the Greek letters.
bool inAlphabet(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 32 && u <= 126) || (u >= 0x0391 && u <= 0x03A9 && u != 0x03A2) ||
           (u >= 0x03B1 && u <= 0x03C9) || kGreekExtra.contains(c);
}

// Sets or removes an environment variable for the lifetime of the object.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value, bool set = true)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
        set ? qputenv(name, value) : qunsetenv(name);
    }
    ~EnvGuard() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};
}  // namespace

class TestTextHelpers : public QObject {
    Q_OBJECT

private slots:
    void scrambler_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::newRow("password, lowest key") << "SECRET1" << 32;
        QTest::newRow("password, letter key") << "secret" << int('A');
        QTest::newRow("password, highest key") << "Pass word!" << 99;
        QTest::newRow("Greek capitals") << "ΚΩΔΙΚΟΣ" << 57;
        QTest::newRow("Greek with accents") << "Άλφα ΐΰ ϊϋ Ϊ Ϋ όύώ ς" << 64;
        QTest::newRow("every ASCII punctuation") << "~!@#$%^&*()_+{}|:\"<>?`-=[]\\;',./ " << 77;
        QTest::newRow("one character") << "a" << 33;
        QTest::newRow("fixed large key") << "sa|filler|pwd" << 20041971;
        QTest::newRow("negative key") << "user;pass" << -7;
        QTest::newRow("extreme keys") << "ΑΒΓ abc" << INT_MAX;
        QTest::newRow("lowest int") << "ΑΒΓ abc" << INT_MIN;
    }
    void scrambler() {
        QFETCH(QString, text);
        QFETCH(int, key);
        Scrambler s;
        const QString scrambled = s.Transform(text, key, true, 0);
        QCOMPARE(scrambled.size(), text.size());
        QVERIFY(scrambled != text);
        QCOMPARE(s.Transform(text, key, true, 0), scrambled);
        QCOMPARE(Scrambler().Transform(scrambled, key, false, 0), text);
        for (QChar c : scrambled) QVERIFY2(inAlphabet(c), qPrintable(QString::number(c.unicode(), 16)));
    }

    void scramblerLeavesOthersAlone() {
        const QString text = QStringLiteral("a\tb\r\nc€中😀\u0301d");
        const QString out = Scrambler().Transform(text, 40, true, 0);
        QCOMPARE(out.size(), text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            QCOMPARE(out.at(i) == text.at(i), !inAlphabet(text.at(i)));
        QCOMPARE(Scrambler().Transform(out, 40, false, 0), text);
        QCOMPARE(Scrambler().Transform(QString(), 40, true, 0), QString());
    }

    // Not a plain shift: the same letter comes out differently along the text and with other keys.
    void scramblerDependsOnPositionAndKey() {
        const QString same(16, QLatin1Char('a'));
        const QString out = Scrambler().Transform(same, 50, true, 0);
        QVERIFY(QSet<QChar>(out.begin(), out.end()).size() > 4);
        QVERIFY(Scrambler().Transform(same, 51, true, 0) != out);
    }

    void keyValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("value");
        QTest::newRow("server with instance") << "server=HOST\\SQLEXPRESS"
                                              << "server" << true << "HOST\\SQLEXPRESS";
        QTest::newRow("case and blanks") << " Database = Protocol "
                                         << "database" << true << "Protocol";
        QTest::newRow("other key") << "database=Protocol"
                                   << "server" << false << "unchanged";
        QTest::newRow("key only a prefix") << "servers=x"
                                           << "server" << false << "unchanged";
        QTest::newRow("no separator") << "server"
                                      << "server" << false << "unchanged";
        QTest::newRow("empty value") << "server="
                                     << "server" << true << "";
        QTest::newRow("value with separator") << "pwd=a=b"
                                              << "pwd" << true << "a=b";
    }
    void keyValue() {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(bool, found);
        QFETCH(QString, value);
        QString out = QStringLiteral("unchanged");
        QCOMPARE(TextHelper::KeyValue(text, key, out, QStringLiteral("=")), found);
        QCOMPARE(out, value);
    }

    void buildPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/opt/app"
                               << "Protocol.3.10.err"
                               << "/opt/app/Protocol.3.10.err";
        QTest::newRow("trailing slash") << "/opt/app/"
                                        << "a.txt"
                                        << "/opt/app/a.txt";
        QTest::newRow("slashes both sides") << "/opt/app//"
                                            << "//a.txt"
                                            << "/opt/app/a.txt";
        QTest::newRow("backslashes") << "C:\\dbBackup\\"
                                     << "reg.bak"
                                     << "C:/dbBackup/reg.bak";
        QTest::newRow("leading backslash in name") << "/opt"
                                                   << "\\a.txt"
                                                   << "/opt/a.txt";
        QTest::newRow("root") << "/"
                              << "a.txt"
                              << "/a.txt";
        QTest::newRow("no folder") << ""
                                   << "a.txt"
                                   << "a.txt";
        QTest::newRow("Greek") << "/srv/Έγγραφα"
                               << "Αίτηση.doc"
                               << "/srv/Έγγραφα/Αίτηση.doc";
    }
    void buildPath() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(FileHelper::BuildPath(folder, name), path);
    }

    void fileSystem() {
        QTemporaryDir dir;
        const QString deep = dir.path() + QStringLiteral("/α/β/γ");
        QVERIFY(FileHelper::CreateFolder(deep));
        QVERIFY(FileHelper::CreateFolder(deep));  // already there
        FileSystemObject& fso = FileHelper::FileSystem();
        QVERIFY(fso.FolderExists(deep));
        QVERIFY(!fso.FileExists(deep));
        const QString file = deep + QStringLiteral("/f.txt");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(fso.FileExists(file));
        QVERIFY(!fso.FolderExists(file));
        QVERIFY(!FileHelper::CreateFolder(file + QStringLiteral("/sub")));
        QCOMPARE(fso.GetFileName(file), QStringLiteral("f.txt"));
        QCOMPARE(fso.GetFileName(QStringLiteral("C:\\docs\\a.doc")), QStringLiteral("a.doc"));
        QCOMPARE(fso.GetParentFolderName(file), deep);
        QCOMPARE(fso.GetParentFolderName(QStringLiteral("C:\\docs\\a.doc")), QStringLiteral("C:\\docs"));
        QVERIFY(fso.DeleteFile(file));
        QVERIFY(!fso.FileExists(file));
        QVERIFY(!fso.DeleteFile(file));
    }

    void indexOf() {
        const QStringList ids{QStringLiteral("12"), QStringLiteral("5"), QStringLiteral("Ab")};
        ArrayHelper a;
        QCOMPARE(a.IndexOf(QStringLiteral("5"), ids, 0, 1), 1);
        QCOMPARE(a.IndexOf(5, ids, 0, 1), 1);
        QCOMPARE(a.IndexOf(1, ids, 0, 1), -1);
        QCOMPARE(a.IndexOf(QStringLiteral("ab"), ids, 0, 1), -1);
        QCOMPARE(a.IndexOf(QStringLiteral("12"), {}, 0, 1), -1);
    }

    void listHelper() {
        QListWidget list;
        list.setSelectionMode(QAbstractItemView::MultiSelection);
        list.addItems({QStringLiteral("Διεύθυνση Α"), QStringLiteral("Τμήμα"), QStringLiteral("Γραμματεία")});
        QComboBox combo;
        combo.addItems({QStringLiteral("Τμήμα")});
        ListHelper h;
        QVERIFY(h.Contains(&list, QStringLiteral("Τμήμα")));
        QVERIFY(!h.Contains(&list, QStringLiteral("τμήμα")));
        QVERIFY(!h.Contains(&list, QStringLiteral("Διεύθυνση")));
        QVERIFY(h.Contains(&combo, QStringLiteral("Τμήμα")));
        QVERIFY(!h.Contains(&combo, QStringLiteral("Τμήμα ")));
        h.SelectAll(&list, true);
        QCOMPARE(list.selectedItems().size(), 3);
        h.SelectAll(&list, false);
        QCOMPARE(list.selectedItems().size(), 0);
    }

    void cp1253_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("capital alpha") << "Α" << QByteArray("\xC1");
        QTest::newRow("alpha with tonos") << "ά" << QByteArray("\xDC");
        QTest::newRow("euro") << "€" << QByteArray("\x80");
        QTest::newRow("capital alpha with tonos") << "Ά" << QByteArray("\xA2");
        QTest::newRow("iota with both") << "ΐ" << QByteArray("\xC0");
        QTest::newRow("final sigma, omega") << "ςΩ" << QByteArray("\xF2\xD9");
        QTest::newRow("ASCII and CR LF") << "a;b\r\n" << QByteArray("a;b\r\n");
        QTest::newRow("unmappable") << "A中B" << QByteArray("A?B");
        QTest::newRow("outside the BMP") << "x😀y" << QByteArray("x?y");
        QTest::newRow("control character kept") << "\x1A" << QByteArray("\x1A");
        QTest::newRow("empty") << "" << QByteArray();
    }
    void cp1253() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Cp1253::encode(text), bytes);
        if (!bytes.contains('?')) QCOMPARE(Cp1253::decode(bytes), text);
    }

    void netUserName_data() {
        QTest::addColumn<bool>("user");
        QTest::addColumn<bool>("logname");
        QTest::addColumn<QString>("expected");
        QTest::newRow("USER") << true << true << "maria";
        QTest::newRow("LOGNAME") << false << true << "nikos";
        QTest::newRow("home folder") << false << false << "";
    }
    void netUserName() {
        QFETCH(bool, user);
        QFETCH(bool, logname);
        QFETCH(QString, expected);
        EnvGuard u("USER", "maria", user);
        EnvGuard l("LOGNAME", "nikos", logname);
        if (expected.isEmpty()) expected = QDir::home().dirName();
        QCOMPARE(NetInfo().NetUserName(), expected);
    }
};

QTEST_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
