#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QMap>
#include <QSettings>
#include <QTest>

#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
// Bytes of a literal, zero bytes included.
template <std::size_t N>
QByteArray bytes(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

const QByteArray kGarbage = bytes("\x00\xff[Protocol\nConnStr\n=\x01\x02]]\n\xce\xa9=\x80[");

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// True when the permission bits do not stop this process (root).
bool permissionsIgnored(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}
}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void sectionsAndNames_data() {
        QTest::addColumn<QString>("saveSection");
        QTest::addColumn<QString>("saveName");
        QTest::addColumn<QString>("readSection");
        QTest::addColumn<QString>("readName");
        QTest::newRow("same spelling") << "\\Protocol"
                                       << "ConnStr"
                                       << "\\Protocol"
                                       << "ConnStr";
        QTest::newRow("name in other case") << "\\Protocol"
                                            << "ConnStr"
                                            << "\\Protocol"
                                            << "connStr";
        QTest::newRow("name saved lower, read mixed") << "\\Kessbo"
                                                      << "regmain"
                                                      << "\\Kessbo"
                                                      << "RegMain";
        QTest::newRow("section in other case") << "\\Protocol"
                                               << "Logo1"
                                               << "\\PROTOCOL"
                                               << "Logo1";
        QTest::newRow("subsection") << "\\Protocol\\frm_SelectFolder"
                                    << "Drive"
                                    << "\\protocol\\FRM_SELECTFOLDER"
                                    << "drive";
        QTest::newRow("outer backslashes dropped") << "\\Protocol\\"
                                                   << "Path"
                                                   << "Protocol"
                                                   << "Path";
        QTest::newRow("report section") << "\\Protocol\\144"
                                        << "Order"
                                        << "\\Protocol\\144"
                                        << "ORDER";
    }
    void sectionsAndNames() {
        QFETCH(QString, saveSection);
        QFETCH(QString, saveName);
        QFETCH(QString, readSection);
        QFETCH(QString, readName);
        TempSettings settings;
        for (bool perUser : {false, true}) {
            QVERIFY(SettingsStore::SaveValue(saveSection, saveName, QStringLiteral("v"), perUser));
            QCOMPARE(SettingsStore::GetValue(readSection, readName, QStringLiteral("def"), perUser),
                     QStringLiteral("v"));
        }
    }

    void sectionsKeptApart() {
        TempSettings settings;
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol\\frm_SelectFolder"),
                                         QStringLiteral("Path"), QStringLiteral("/sub"), true));
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("Path"),
                                         QStringLiteral("/top"), true));
        QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol\\frm_SelectFolder"),
                                         QStringLiteral("Path"), QString(), true),
                 QStringLiteral("/sub"));
        QCOMPARE(
            SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("Path"), QString(), true),
            QStringLiteral("/top"));
        QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Kessbo"), QStringLiteral("Path"),
                                         QStringLiteral("d"), true),
                 QStringLiteral("d"));
    }

    // A file written by hand or by another program keeps its own spelling; no twin key appears.
    void existingSpellingKept() {
        TempSettings settings;
        writeFile(settings.machineFile(), "[protocol]\nCONNSTR=\"server=old;database=reg\"\n");
        QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"), QString(),
                                         false),
                 QStringLiteral("server=old;database=reg"));
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"),
                                         QStringLiteral("server=new;database=reg"), false));
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\PROTOCOL"), QStringLiteral("Logo1"),
                                         QStringLiteral("Δήμος"), false));
        QSettings raw(settings.machineFile(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys(),
                 (QStringList{QStringLiteral("protocol/CONNSTR"), QStringLiteral("protocol/Logo1")}));
        QCOMPARE(raw.value(QStringLiteral("protocol/CONNSTR")).toString(),
                 QStringLiteral("server=new;database=reg"));
    }

    void machineAndUserApart() {
        TempSettings settings;
        const QString sec = QStringLiteral("\\Protocol");
        QVERIFY(SettingsStore::SaveValue(sec, QStringLiteral("ConnStr"), QStringLiteral("machine"), false));
        QVERIFY(SettingsStore::SaveValue(sec, QStringLiteral("LastLoginName"), QStringLiteral("user"), true));
        QCOMPARE(SettingsStore::GetValue(sec, QStringLiteral("ConnStr"), QStringLiteral("?"), true),
                 QStringLiteral("?"));
        QCOMPARE(SettingsStore::GetValue(sec, QStringLiteral("LastLoginName"), QStringLiteral(""), false),
                 QString());
        QCOMPARE(SettingsStore::MachineFile(), settings.machineFile());
        QCOMPARE(SettingsStore::UserFile(), settings.userFile());
        QVERIFY(QFile::exists(settings.machineFile()));
        QVERIFY(QFile::exists(settings.userFile()));
    }

    void defaults_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::newRow("no such name") << "\\Protocol"
                                      << "Logo2";
        QTest::newRow("no such section") << "\\Other"
                                         << "ConnStr";
        QTest::newRow("no such subsection") << "\\Protocol\\frm_SelectFolder"
                                            << "ConnStr";
        QTest::newRow("name of a section") << "\\"
                                           << "Protocol";
    }
    void defaults() {
        QFETCH(QString, section);
        QFETCH(QString, name);
        TempSettings settings;
        QCOMPARE(SettingsStore::GetValue(section, name, QStringLiteral("200"), false), QStringLiteral("200"));
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"),
                                         QStringLiteral("x"), false));
        QCOMPARE(SettingsStore::GetValue(section, name, QStringLiteral("200"), false), QStringLiteral("200"));
    }

    void valuesRoundTrip_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("Greek") << QStringLiteral("Υπουργείο Παιδείας, Τμήμα Ά - ΐΰ ς");
        QTest::newRow("connection text")
            << "server=host\\SQLEXPRESS;database=Protocol;Trusted_Connection=yes";
        QTest::newRow("quotes") << "\"quoted\" and 'single'";
        QTest::newRow("outer blanks") << "  padded  ";
        QTest::newRow("commas") << "a, b,c";
        QTest::newRow("comment marks") << "; not a comment # either";
        QTest::newRow("backslashes") << "c:\\dbBackup\\";
        QTest::newRow("looks like a variant") << "@Variant(\\0\\0\\0\\x7f)";
        QTest::newRow("line break") << "one\r\ntwo";
        QTest::newRow("brackets") << "[Protocol]";
        QTest::newRow("empty") << "";
    }
    void valuesRoundTrip() {
        QFETCH(QString, value);
        TempSettings settings;
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("L"), value, false));
        QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("L"),
                                         QStringLiteral("def"), false),
                 value);
    }

    // Without PROTOCOL_CONFIG_DIR: machine.ini in the first XDG configuration folder that has one,
    // /etc/xdg searched too; a new one goes to the first. user.ini in XDG_CONFIG_HOME.
    void xdgPlaces_data() {
        // "A" and "B" stand for folders of the test, "S" for the system's folder (/etc/xdg when
        // installed: the test points it at a folder of its own); any other entry is taken as it is.
        QTest::addColumn<QStringList>("dirs");     // the entries of XDG_CONFIG_DIRS
        QTest::addColumn<QStringList>("holding");  // the folders that have Protocol/machine.ini
        QTest::addColumn<QString>("expected");     // the folder of MachineFile()
        QTest::addColumn<QStringList>("folders");  // MachineFolders()
        const QStringList none;
        QTest::newRow("in the second") << QStringList{"A", "B"} << QStringList{"B"} << "B"
                                       << QStringList{"A", "B", "S"};
        QTest::newRow("the first wins") << QStringList{"A", "B"} << QStringList{"A", "B"} << "A"
                                        << QStringList{"A", "B", "S"};
        QTest::newRow("none: the first") << QStringList{"A", "B"} << none << "A" << QStringList{"A", "B", "S"};
        QTest::newRow("relative ignored") << QStringList{"rel/x", "", "B"} << none << "B" << QStringList{"B", "S"};
        QTest::newRow("system folder kept in its place")
            << QStringList{"A", "S/", "B"} << QStringList{"B"} << "B" << QStringList{"A", "S", "B"};
        QTest::newRow("system folder held") << QStringList{"A", "B"} << QStringList{"S"} << "S"
                                            << QStringList{"A", "B", "S"};
        QTest::newRow("unset") << none << none << "S" << QStringList{"S"};
    }
    void xdgPlaces() {
        QFETCH(QStringList, dirs);
        QFETCH(QStringList, holding);
        QFETCH(QString, expected);
        QFETCH(QStringList, folders);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QMap<QString, QString> places{{"A", tmp.filePath("a")},
                                            {"B", tmp.filePath("b")},
                                            {"S", tmp.filePath("system")},
                                            {"S/", tmp.filePath("system") + "/"}};
        const auto place = [&](const QString& entry) { return places.value(entry, entry); };
        const auto placeAll = [&](const QStringList& entries) {
            QStringList out;
            for (const QString& e : entries) out << place(e);
            return out;
        };
        const QByteArray oldConfig = qgetenv("PROTOCOL_CONFIG_DIR"), oldDirs = qgetenv("XDG_CONFIG_DIRS"),
                         oldHome = qgetenv("XDG_CONFIG_HOME");
        const bool hadConfig = qEnvironmentVariableIsSet("PROTOCOL_CONFIG_DIR"),
                   hadDirs = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS"),
                   hadHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            const auto put = [](const char* name, bool had, const QByteArray& value) {
                if (had)
                    qputenv(name, value);
                else
                    qunsetenv(name);
            };
            put("PROTOCOL_CONFIG_DIR", hadConfig, oldConfig);
            put("XDG_CONFIG_DIRS", hadDirs, oldDirs);
            put("XDG_CONFIG_HOME", hadHome, oldHome);
            SettingsStore::SetSystemFolder({});
        });
        SettingsStore::SetSystemFolder(place("S"));
        qunsetenv("PROTOCOL_CONFIG_DIR");
        if (dirs.isEmpty())
            qunsetenv("XDG_CONFIG_DIRS");
        else
            qputenv("XDG_CONFIG_DIRS", QFile::encodeName(placeAll(dirs).join(':')));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath("home")));
        for (const QString& h : holding) {
            QVERIFY(QDir().mkpath(place(h) + "/Protocol"));
            QSettings ini(place(h) + "/Protocol/machine.ini", QSettings::IniFormat);
            ini.setValue("Protocol/ConnStr", h);
            ini.sync();
            QCOMPARE(ini.status(), QSettings::NoError);
        }
        QCOMPARE(SettingsStore::MachineFolders(), placeAll(folders));
        QCOMPARE(SettingsStore::MachineFile(), place(expected) + "/Protocol/machine.ini");
        if (!holding.isEmpty())
            QCOMPARE(SettingsStore::GetValue("\\Protocol", "ConnStr", "", false), expected);
        QCOMPARE(SettingsStore::UserFile(), tmp.filePath("home") + "/Protocol/user.ini");
    }

    // Installed, the system's folder is /etc/xdg, whatever a test pointed it at before.
    void systemFolderIsEtcXdg() {
        const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
        const bool hadDirs = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
        const auto restore = qScopeGuard([&] {
            if (hadDirs)
                qputenv("XDG_CONFIG_DIRS", oldDirs);
            else
                qunsetenv("XDG_CONFIG_DIRS");
            SettingsStore::SetSystemFolder({});
        });
        qunsetenv("XDG_CONFIG_DIRS");
        SettingsStore::SetSystemFolder(QDir::tempPath());
        SettingsStore::SetSystemFolder({});
        QCOMPARE(SettingsStore::MachineFolders(), QStringList{"/etc/xdg"});
    }

    // The folder is read on every call, and TempSettings puts the previous one back.
    void folderFollowsEnvironment() {
        TempSettings outer;
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("Logo1"),
                                         QStringLiteral("outer"), false));
        {
            TempSettings inner;
            QCOMPARE(SettingsStore::MachineFile(), inner.machineFile());
            QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("Logo1"), QString(),
                                             false),
                     QString());
        }
        QCOMPARE(
            SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("Logo1"), QString(), false),
            QStringLiteral("outer"));
    }

    void badFileReadsEmpty_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("garbage bytes") << "garbage";
        QTest::newRow("folder in place of the file") << "folder";
        QTest::newRow("unreadable file") << "unreadable";
    }
    void badFileReadsEmpty() {
        QFETCH(QString, kind);
        TempSettings settings;
        for (const QString& file : {settings.machineFile(), settings.userFile()}) {
            if (kind == QLatin1String("folder")) {
                QVERIFY(QDir().mkpath(file + QStringLiteral("/Protocol")));
            } else {
                writeFile(file, kGarbage);
                if (kind == QLatin1String("unreadable")) {
                    QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
                    if (permissionsIgnored(file))
                        QSKIP("running as root: permission bits do not stop reading");
                }
            }
        }
        for (bool perUser : {false, true}) {
            QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"),
                                             QStringLiteral("?"), perUser),
                     QStringLiteral("?"));
            QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\"), QStringLiteral("Protocol"),
                                             QStringLiteral("?"), perUser),
                     QStringLiteral("?"));
        }
    }

    void unwritablePlace_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder beneath a file") << "beneath file";
        QTest::newRow("folder in place of the file") << "folder";
        QTest::newRow("read-only folder") << "read-only";
    }
    void unwritablePlace() {
        QFETCH(QString, kind);
        TempSettings settings;
        QString configDir = settings.dir();
        if (kind == QLatin1String("beneath file")) {
            writeFile(settings.dir() + QStringLiteral("/plain"), "x");
            configDir = settings.dir() + QStringLiteral("/plain/config");
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(settings.machineFile()));
            QVERIFY(QDir().mkpath(settings.userFile()));
        } else {
            configDir = settings.dir() + QStringLiteral("/ro");
            QVERIFY(QDir().mkpath(configDir));
            QVERIFY(QFile::setPermissions(configDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QFile probe(configDir + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("running as root: permission bits do not stop writing");
            }
        }
        qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(configDir));
        for (bool perUser : {false, true}) {
            QVERIFY(!SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("Logo1"),
                                              QStringLiteral("x"), perUser));
            QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("Logo1"),
                                             QStringLiteral("def"), perUser),
                     QStringLiteral("def"));
        }
        QFile::setPermissions(configDir,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A file that failed to parse must not hide that the write failed too.
    void garbageUnwritableFile() {
        TempSettings settings;
        writeFile(settings.machineFile(), kGarbage);
        QVERIFY(QFile::setPermissions(settings.machineFile(), QFileDevice::ReadOwner));
        QFile probe(settings.machineFile());
        if (probe.open(QIODevice::WriteOnly | QIODevice::Append))
            QSKIP("running as root: permission bits do not stop writing");
        QVERIFY(!SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"),
                                          QStringLiteral("x"), false));
    }

    // A garbage file is replaced by a readable one on the next save.
    void saveOverGarbage() {
        TempSettings settings;
        writeFile(settings.userFile(), kGarbage);
        QVERIFY(SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("grdMaxRecs"),
                                         QStringLiteral("300"), true));
        QCOMPARE(SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("grdMaxRecs"),
                                         QStringLiteral("50"), true),
                 QStringLiteral("300"));
    }

    // Several values go in one write; values already stored as given are not written again, any
    // other difference (even of case, or an empty value for a missing one) is.
    void severalValues() {
        TempSettings settings;
        const QString section = QStringLiteral("\\Protocol\\144");
        const auto inode = [] {
            struct stat st {};
            return ::stat(QFile::encodeName(SettingsStore::UserFile()).constData(), &st) == 0 ? st.st_ino
                                                                                              : ino_t(0);
        };
        QVERIFY(SettingsStore::SaveValues(section, {{"RptMode", "2"}, {"RptOrder", "APO"}}, true));
        QCOMPARE(SettingsStore::GetValue(section, "RptMode", {}, true), QStringLiteral("2"));
        QCOMPARE(SettingsStore::GetValue(section, "RptOrder", {}, true), QStringLiteral("APO"));
        ino_t before = inode();
        QVERIFY(before != 0);
        QVERIFY(SettingsStore::SaveValues(section, {{"rptmode", "2"}, {"RptOrder", "APO"}}, true));
        QCOMPARE(inode(), before);
        for (const auto& [name, value] :
             QList<std::pair<QString, QString>>{{"RptOrder", "apo"}, {"RptScope", ""}, {"RptScope", "1"}}) {
            QVERIFY(SettingsStore::SaveValues(section, {{"RptMode", "2"}, {name, value}}, true));
            QVERIFY2(inode() != before, qPrintable(name + '=' + value));
            before = inode();
            QCOMPARE(SettingsStore::GetValue(section, name, QStringLiteral("none"), true), value);
            QCOMPARE(SettingsStore::GetValue(section, "RptMode", {}, true), QStringLiteral("2"));
        }
    }

    // A save replaces the file whole (a new file renamed over the old, with the old one's mode),
    // so a crash never leaves half of it; on a full disk the old file stays as it was.
    void savedWhole() {
        TempSettings settings;
        const QString section = QStringLiteral("\\Protocol");
        QVERIFY(SettingsStore::SaveValue(section, QStringLiteral("ConnStr"), QStringLiteral("a"), false));
        const QString file = settings.machineFile();
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const auto inode = [&] {
            struct stat st {};
            return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t before = inode();
        QVERIFY(SettingsStore::SaveValue(section, QStringLiteral("Logo2"), QStringLiteral("b"), false));
        QVERIFY(inode() != before);
        QCOMPARE(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // A full disk: a small file system of its own, where one can be mounted (root).
        QTemporaryDir small;
        if (::geteuid() != 0 ||
            QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                        QStringLiteral("-o"), QStringLiteral("size=64k"),
                                                        QStringLiteral("tmpfs"), small.path()}) != 0)
            QSKIP("no small file system can be mounted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {small.path()}); });
        qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(small.path()));
        QVERIFY(SettingsStore::SaveValue(section, QStringLiteral("ConnStr"), QString(20000, u'α'), false));
        QFile old(SettingsStore::MachineFile());
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray kept = old.readAll();
        old.close();
        {
            QFile filler(small.path() + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {}
        }
        QVERIFY(!SettingsStore::SaveValue(section, QStringLiteral("Logo2"), QString(20000, u'β'), false));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), kept);
        qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(settings.dir()));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
