#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "App.h"
#include "Euros.h"
#include "MsgBox.h"
#include "RegionalSettings.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "Utility.h"
#include "VbFormat.h"
#include "frmWrongRegionalSettings.h"
#include "modDeclare.h"
#include "modMain.h"

using namespace RegionalSettings;

namespace {
const QColor kBlue(0, 0, 128);
const QColor kRed(192, 0, 0);

struct Six {
    QString decimal, thousand, longDateOrder, dateSep, timeFormat, timeSep;
};

void store(const Six& v) {
    const std::pair<const char*, QString> values[] = {
        {"sDecimal", v.decimal}, {"sThousand", v.thousand}, {"iLDate", v.longDateOrder},
        {"sDate", v.dateSep},    {"iTime", v.timeFormat},   {"sTime", v.timeSep},
    };
    for (const auto& [name, value] : values) QVERIFY(Write(QString::fromLatin1(name), value));
}

void storeUnfit() {
    store({".", ".", "0", "-", "0", "."});
    QVERIFY(Write(QStringLiteral("sLongDate"), QStringLiteral("dddd, MMMM d, yyyy")));
}

// Runs the event loop as main() does, with the action started inside it. The loop's result, or -1
// when nothing ended the program.
int runProgram(const std::function<void()>& action) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    guard.start(5000);
    QTimer::singleShot(0, action);
    const int result = QCoreApplication::exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

QList<QLabel*> labelsOf(frmWrongRegionalSettings& w, const QString& group) {
    if (group == QLatin1String("numbers")) return {w.lbNumbers.begin(), w.lbNumbers.end()};
    if (group == QLatin1String("date")) return {w.lbDate.begin(), w.lbDate.end()};
    return {w.lbHours.begin(), w.lbHours.end()};
}
}  // namespace

class TestRegional : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        App::SetTitle(QStringLiteral("Protocol"));
        App::SetProductName(QStringLiteral("Protocol"));
    }

    void checkAndMarks_data() {
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("thousand");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("dateSep");
        QTest::addColumn<QString>("timeFormat");
        QTest::addColumn<QString>("timeSep");
        QTest::addColumn<QString>("marked");  // the groups marked as failing
        QTest::newRow("Greek") << ","
                               << "."
                               << "1"
                               << "/"
                               << "1"
                               << ":"
                               << "";
        QTest::newRow("12-hour time") << ","
                                      << "."
                                      << "1"
                                      << "/"
                                      << "0"
                                      << ":"
                                      << "hours";
        QTest::newRow("time format blank") << ","
                                           << "."
                                           << "1"
                                           << "/"
                                           << ""
                                           << ":"
                                           << "hours";
        QTest::newRow("time separator .") << ","
                                          << "."
                                          << "1"
                                          << "/"
                                          << "1"
                                          << "."
                                          << "hours";
        QTest::newRow("decimal equals grouping") << "."
                                                 << "."
                                                 << "1"
                                                 << "/"
                                                 << "1"
                                                 << ":"
                                                 << "numbers";
        QTest::newRow("both blank") << ""
                                    << ""
                                    << "1"
                                    << "/"
                                    << "1"
                                    << ":"
                                    << "numbers";
        QTest::newRow("decimal . grouping ,") << "."
                                              << ","
                                              << "1"
                                              << "/"
                                              << "1"
                                              << ":"
                                              << "";
        QTest::newRow("date separator -") << ","
                                          << "."
                                          << "1"
                                          << "-"
                                          << "1"
                                          << ":"
                                          << "date";
        QTest::newRow("month-day-year") << ","
                                        << "."
                                        << "0"
                                        << "/"
                                        << "1"
                                        << ":"
                                        << "date";
        QTest::newRow("year-month-day") << ","
                                        << "."
                                        << "2"
                                        << "/"
                                        << "1"
                                        << ":"
                                        << "date";
        QTest::newRow("first characters only") << ",x"
                                               << ".x"
                                               << "1x"
                                               << "/x"
                                               << "10"
                                               << ":x"
                                               << "";
        QTest::newRow("all wrong") << "."
                                   << "."
                                   << "0"
                                   << "."
                                   << "0"
                                   << "."
                                   << "numbers date hours";
    }
    // What is stored is read, checked, and marked on exactly the failing groups.
    void checkAndMarks() {
        QFETCH(QString, decimal);
        QFETCH(QString, thousand);
        QFETCH(QString, order);
        QFETCH(QString, dateSep);
        QFETCH(QString, timeFormat);
        QFETCH(QString, timeSep);
        QFETCH(QString, marked);
        TempSettings settings;
        store({decimal, thousand, order, dateSep, timeFormat, timeSep});
        Euros::ReadRegionalSettings();
        QCOMPARE(Euros::gLocaleDecimal, decimal.isEmpty() ? QStringLiteral(" ") : decimal.left(1));
        QCOMPARE(Euros::gLocaleTimeFormat, timeFormat.isEmpty() ? QStringLiteral(" ") : timeFormat.left(1));
        QCOMPARE(Euros::RegionalSettingsWrong(), !marked.isEmpty());

        frmWrongRegionalSettings w;
        for (const QString& group :
             {QStringLiteral("numbers"), QStringLiteral("date"), QStringLiteral("hours")}) {
            const bool wrong = marked.contains(group);
            for (QLabel* l : labelsOf(w, group)) {
                QVERIFY(l->font().bold());
                QCOMPARE(l->text().startsWith(QStringLiteral("ERROR [")), wrong);
                QCOMPARE(l->text().endsWith(QLatin1Char(']')), wrong);
                QCOMPARE(l->palette().color(QPalette::WindowText), wrong ? kRed : kBlue);
            }
        }
        QCOMPARE(w.lbNotes[0]->palette().color(QPalette::WindowText),
                 w.palette().color(QPalette::WindowText));
    }

    void windowTexts() {
        TempSettings settings;
        store({".", ".", "1", "/", "1", ":"});
        Euros::ReadRegionalSettings();
        frmWrongRegionalSettings w;
        QCOMPARE(w.lbNumbers[3]->text(),
                 QStringLiteral("ERROR [Το σύμβολο ομαδοποίησης ψηφίων πρέπει να είναι τελεία]"));
        QCOMPARE(w.lbDate[1]->text(),
                 QStringLiteral("Το διαχωριστικό ημερομηνίας πρέπει να είναι η κάθετος  /"));
        QCOMPARE(w.lbOSInfo->text(), QStringLiteral("Λειτουργικό:  ") + QSysInfo::prettyProductName());
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("Έλεγχος τοπικών ρυθμίσεων Η/Υ ")));
        QVERIFY(w.windowTitle().size() > QStringLiteral("Έλεγχος τοπικών ρυθμίσεων Η/Υ ").size());
        QCOMPARE(w.lbApplication[0]->text(), App::ProductName());
        QCOMPARE(w.lbApplication[0]->palette().color(QPalette::WindowText), kRed);
        QVERIFY(!w.Image1->pixmap().isNull());
        QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("cmdUpdateReg"))->text(),
                 QStringLiteral("Διόρθωση των ρυθμίσεων αυτόματα"));
        QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("cmdExit"))->text(), QStringLiteral("Κλείσιμο"));
        QVERIFY(w.findChild<QLabel*>(QStringLiteral("lbHours(1)")));
    }

    // Windows takes the long-date order from the user's long-date pattern when there is one.
    void longDateOrder_data() {
        QTest::addColumn<QString>("longDate");  // null: not stored
        QTest::addColumn<QString>("iLDate");
        QTest::addColumn<QString>("order");
        QTest::newRow("pattern day first") << "dddd, d MMMM yyyy" << QString() << "1";
        QTest::newRow("pattern month first") << "dddd, MMMM d, yyyy" << QString() << "0";
        QTest::newRow("pattern year first") << "yyyy MMMM d" << QString() << "2";
        QTest::newRow("pattern beats stored order") << "d MMMM yyyy"
                                                    << "0"
                                                    << "1";
        QTest::newRow("quoted letters are text") << "'Monday' d 'May' MMMM yyyy" << QString() << "1";
        QTest::newRow("stored order alone") << QString() << "2"
                                            << "2";
    }
    void longDateOrder() {
        QFETCH(QString, longDate);
        QFETCH(QString, iLDate);
        QFETCH(QString, order);
        TempSettings settings;
        if (!longDate.isNull()) QVERIFY(Write(QStringLiteral("sLongDate"), longDate));
        if (!iLDate.isNull()) QVERIFY(Write(QStringLiteral("iLDate"), iLDate));
        QCOMPARE(Euros::GetLocaleValue(LOCALE_ILDATE), order);
    }

    // Values never written come from the system locale.
    void systemFallback_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("values");  // decimal, grouping, order, date sep, time format, time sep
        QTest::newRow("C: no choice of its own") << QLocale::c() << QStringList{",", ".", "1", "/", "1", ":"};
        QTest::newRow("Greek: 12-hour")
            << QLocale(QLocale::Greek, QLocale::Greece) << QStringList{",", ".", "1", "/", "0", ":"};
        QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates)
                            << QStringList{".", ",", "0", "/", "0", ":"};
        QTest::newRow("UK") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                            << QStringList{".", ",", "1", "/", "1", ":"};
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringList{",", ".", "1", ".", "1", ":"};
        QTest::newRow("Swedish") << QLocale(QLocale::Swedish, QLocale::Sweden)
                                 << QStringList{
                                        ",", QLocale(QLocale::Swedish).groupSeparator(), "1", "-", "1", ":"};
        QTest::newRow("Japanese: year first")
            << QLocale(QLocale::Japanese, QLocale::Japan) << QStringList{".", ",", "2", "/", "1", "時"};
    }
    void systemFallback() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, values);
        const long items[] = {LOCALE_SDECIMAL, LOCALE_STHOUSAND, LOCALE_ILDATE,
                              LOCALE_SDATE,    LOCALE_ITIME,     LOCALE_STIME};
        for (int i = 0; i < 6; ++i) QCOMPARE(SystemValue(items[i], locale), values[i]);
    }

    // A fresh installation where no locale was chosen (LANG=C, C.UTF-8) must start.
    void freshStoreUnderC() {
        if (QLocale::system().language() != QLocale::C) QSKIP("the system locale is not C");
        TempSettings settings;
        Euros::ReadRegionalSettings();
        QVERIFY(!Euros::RegionalSettingsWrong());
    }

    // The store keeps the values exactly, read back from the file by a fresh parser.
    void storeKeepsValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("list separator ;") << ";"
                                          << ";";
        QTest::newRow("comma") << ","
                               << ",";
        QTest::newRow("dot") << "."
                             << ".";
        QTest::newRow("slash") << "/"
                               << "/";
        QTest::newRow("colon") << ":"
                               << ":";
        QTest::newRow("Greek") << "Ελλάδα"
                               << "Ελλάδα";
        QTest::newRow("euro") << "€"
                              << "€";
        QTest::newRow("pattern with comma") << "dddd, d MMMM yyyy"
                                            << "dddd, d MMMM yyyy";
        QTest::newRow("leading zeros") << "00000408"
                                       << "00000408";
        QTest::newRow("empty as a blank") << ""
                                          << " ";
    }
    void storeKeepsValues() {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        TempSettings written;
        QVERIFY(frmWrongRegionalSettings::SetRegStrValueControlPanel(QStringLiteral("sList"), value));
        // A new file name: QSettings would otherwise answer from its cache of the file just written.
        TempSettings fresh;
        QVERIFY(QFile::copy(written.userFile(), fresh.userFile()));
        QCOMPARE(StoredValue(QStringLiteral("SLIST")), stored);
        QVERIFY(StoredValue(QStringLiteral("sDecimal")).isNull());
    }

    // The program's own date-time texts (the error log's stamp) follow the user's stored formats.
    void formatsFollowTheStore_data() {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("timeFormat");
        QTest::addColumn<QString>("expected");
        QTest::newRow("never written, C locale") << QString() << QString() << "05/03/2026 14:30:00";
        QTest::newRow("after the repair") << "dd/MM/yyyy"
                                          << "HH:mm:ss"
                                          << "05/03/2026 14:30:00";
        QTest::newRow("another choice") << "yyyy-MM-dd"
                                        << "HH:mm"
                                        << "2026-03-05 14:30";
    }
    void formatsFollowTheStore() {
        QFETCH(QString, shortDate);
        QFETCH(QString, timeFormat);
        QFETCH(QString, expected);
        TempSettings settings;
        if (!shortDate.isNull()) {
            QVERIFY(RegionalSettings::Write(QStringLiteral("sShortDate"), shortDate));
            QVERIFY(RegionalSettings::Write(QStringLiteral("sTimeFormat"), timeFormat));
        }
        QCOMPARE(VbFormat::GeneralDate(QDateTime(QDate(2026, 3, 5), QTime(14, 30))), expected);
        QCOMPARE(VbFormat::GeneralDate(QDateTime(QDate(2026, 3, 5), QTime(0, 0))),
                 expected.section(u' ', 0, 0));
    }

    // The repair writes every value, and the next start passes the check even where the system's
    // own values would fail it.
    void repairPassesNextStart() {
        AnswerQueues answers;
        TempSettings settings;
        storeUnfit();
        Euros::ReadRegionalSettings();
        QVERIFY(Euros::RegionalSettingsWrong());

        QPointer<frmWrongRegionalSettings> w = new frmWrongRegionalSettings;
        w->show();
        QCOMPARE(runProgram([&] { w->cmdUpdateReg->click(); }), 0);
        QVERIFY(!w);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const auto& box = MsgBoxHook::Log().first();
        QCOMPARE(box.prompt, QStringLiteral("Η διόρθωση των τοπικών ρυθμίσεων ολοκληρώθηκε επιτυχώς"));
        QCOMPARE(box.buttons, int(vb::vbOKOnly));
        QCOMPARE(box.title, App::Title());

        TempSettings nextStart;
        QVERIFY(QFile::copy(settings.userFile(), nextStart.userFile()));
        QCOMPARE(GreekValues().size(), 21);
        for (const NamedValue& v : GreekValues()) QCOMPARE(StoredValue(v.name), v.text);
        Euros::ReadRegionalSettings();
        QVERIFY(!Euros::RegionalSettingsWrong());
        QCOMPARE(Euros::gLocaleDecimal + Euros::gLocaleThousand + Euros::gLocaleLongDateOrder +
                     Euros::gLocaleDateSep + Euros::gLocaleTimeFormat + Euros::gLocaleTimeSep,
                 QStringLiteral(",.1/1:"));
    }

    // Leaving ends the program and writes nothing; Esc leaves rather than repairs.
    void leavingWritesNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Κλείσιμο") << "exit";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }
    void leavingWritesNothing() {
        QFETCH(QString, how);
        AnswerQueues answers;
        TempSettings settings;
        store({",", ".", "1", "/", "0", ":"});
        Euros::ReadRegionalSettings();
        QFile file(settings.userFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        QPointer<frmWrongRegionalSettings> w = new frmWrongRegionalSettings;
        w->show();
        QCOMPARE(runProgram([&] {
                     if (how == QLatin1String("exit"))
                         w->cmdExit->click();
                     else if (how == QLatin1String("esc"))
                         QTest::keyClick(w, Qt::Key_Escape);
                     else
                         w->close();
                 }),
                 0);
        QVERIFY(!w);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A store that cannot be written is reported, not announced as repaired.
    void unwritableStoreReported() {
        AnswerQueues answers;
        TempSettings settings;
        QFile blocker(settings.dir() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QByteArray old = qgetenv("PROTOCOL_CONFIG_DIR");
        qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(blocker.fileName() + QStringLiteral("/sub")));
        Euros::ReadRegionalSettings();
        QVERIFY(!frmWrongRegionalSettings::SetRegStrValueControlPanel(QStringLiteral("sDecimal"), ","));
        QVERIFY(!Utility::CreateUserKey(Section()));

        frmWrongRegionalSettings w;
        w.show();
        w.cmdUpdateReg->click();
        qputenv("PROTOCOL_CONFIG_DIR", old);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY(MsgBoxHook::Log().first().prompt.startsWith(
            QStringLiteral("Η διόρθωση των τοπικών ρυθμίσεων απέτυχε")));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
        QVERIFY(w.isVisible());  // the user can still leave, or try again
    }

    // Unfit settings: only the repair window, before the server prompt, the log-in and the log.
    void startupShowsOnlyRepairWindow() {
        AnswerQueues answers;
        TempSettings settings;
        QTemporaryDir appDir;
        App::SetPath(appDir.path());
        store({",", ".", "1", "/", "0", ":"});
        QLocale::setDefault(QLocale::c());
        QVERIFY(modMain::Main());
        QCOMPARE(QLocale().language(), QLocale::C);  // Greek only once the check has passed
        QWidgetList shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) shown.append(w);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first()->objectName(), QStringLiteral("frmWrongRegionalSettings"));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!modDeclare::gErr);
        QVERIFY(!modDeclare::gConn);
        QVERIFY(QDir(appDir.path()).isEmpty());
        QCOMPARE(
            SettingsStore::GetValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"), "none", false),
            QStringLiteral("none"));
        shown.first()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void fileExt_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("ext");
        QTest::newRow("extension") << "c:\\docs\\letter.doc"
                                   << "doc";
        QTest::newRow("case kept") << "c:\\docs\\Scan.PDF"
                                   << "PDF";
        QTest::newRow("last dot") << "archive.tar.gz"
                                  << "gz";
        QTest::newRow("dot in a folder") << "c:\\my.docs\\letter"
                                         << "";
        QTest::newRow("dot in a folder, slashes") << "/home/x/my.docs/letter"
                                                  << "";
        QTest::newRow("no dot") << "letter"
                                << "";
        QTest::newRow("ends in a dot") << "letter."
                                       << "";
        QTest::newRow("hidden file") << "/home/x/.profile"
                                     << "profile";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fileExt() {
        QFETCH(QString, path);
        QFETCH(QString, ext);
        QCOMPARE(Utility::FileExt(path), ext);
    }

    void oneLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("CR LF") << "first\r\nsecond"
                               << "first | second";
        QTest::newRow("LF") << "first\nsecond"
                            << "first | second";
        QTest::newRow("CR alone dropped") << "first\rsecond"
                                          << "firstsecond";
        QTest::newRow("blank lines kept") << "a\r\n\r\nb\n"
                                          << "a |  | b | ";
        QTest::newRow("Greek") << "Θέμα\r\nΑπάντηση"
                               << "Θέμα | Απάντηση";
        QTest::newRow("one line") << "as is"
                                  << "as is";
    }
    void oneLine() {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(Utility::OneLine(text), line);
        QCOMPARE(text, line);  // in the caller's variable too
    }

    void selectAllText() {
        QLineEdit edit(QStringLiteral("Θέμα εγγράφου"));
        edit.setCursorPosition(3);
        Utility::SelectAllText(&edit);
        QCOMPARE(edit.selectedText(), edit.text());
        QPlainTextEdit memo(QStringLiteral("one\ntwo"));
        Utility::SelectAllText(&memo);
        QCOMPARE(memo.textCursor().selectedText(), QStringLiteral("one\u2029two"));
        QLabel label(QStringLiteral("x"));
        Utility::SelectAllText(&label);
        Utility::SelectAllText(nullptr);
    }
};

QTEST_MAIN(TestRegional)
#include "tst_regional.moc"
