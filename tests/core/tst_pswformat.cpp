#include <QTest>

#include "PswFormat.h"
#include "Scrambler.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {

QString plainL(const QString& scrambled) {
    return Scrambler().Transform(scrambled, PswFormat::kLKey, false, 0);
}

QString scrambledL(const QString& plain) {
    return Scrambler().Transform(plain, PswFormat::kLKey, true, 0);
}

}  // namespace

class tst_PswFormat : public QObject {
    Q_OBJECT
private slots:
    void storeRead_data();
    void storeRead();
    void storedTextStaysOnOneField();
    void keyCodes();
    void lRoundTrip_data();
    void lRoundTrip();
    void malformedL_data();
    void malformedL();
    void lSurvivesTheSettingsFile();
};

void tst_PswFormat::storeRead_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("key");
    QTest::newRow("lowest key") << "ADMIN1" << 32;
    QTest::newRow("highest key") << "ADMIN1" << 99;
    QTest::newRow("greek capitals") << "ΚΩΔΙΚΌΣ1" << 57;
    QTest::newRow("greek small, final sigma") << "μυστικός" << 99;
    QTest::newRow("signs and blanks") << " a~!@#$%^&*()'\" " << 32;
    QTest::newRow("one character") << "x" << 64;
}

void tst_PswFormat::storeRead() {
    QFETCH(QString, password);
    QFETCH(int, key);
    const QString stored = PswFormat::Store(password, key);
    QCOMPARE(int(stored.at(0).unicode()), key);
    QCOMPARE(stored.size(), password.size() + 1);
    QVERIFY(stored.mid(1) != password);
    QCOMPARE(PswFormat::Read(stored), password);
}

// The log-in reads U_PSW from a tab-separated lookup and the settings file holds L on one line.
void tst_PswFormat::storedTextStaysOnOneField() {
    QString all;
    for (char16_t c = 32; c < 127; ++c) all += QChar(c);
    all += QStringLiteral("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩαβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώΐΰϊϋΆΈΉΊΌΎΏ");
    for (int key = 32; key <= 99; ++key) {
        const QString stored = PswFormat::Store(all, key);
        for (const QChar c : stored)
            QVERIFY2(c.isPrint(),
                     qPrintable(QStringLiteral("key %1 gave U+%2").arg(key).arg(c.unicode(), 4, 16)));
        QCOMPARE(PswFormat::Read(stored), all);
    }
    const QString l = PswFormat::ComposeL(all, all);
    QVERIFY(!l.contains(QLatin1Char('\t')) && !l.contains(QLatin1Char('\n')) &&
            !l.contains(QLatin1Char('\r')));
    QCOMPARE(PswFormat::Read(QString()), QString());
}

void tst_PswFormat::keyCodes() {
    int low = 1000, high = -1;
    for (int i = 0; i < 5000; ++i) {
        const int k = PswFormat::NewKeyCode();
        low = qMin(low, k);
        high = qMax(high, k);
    }
    // 68 codes: both ends are drawn, nothing beyond them.
    QCOMPARE(low, 32);
    QCOMPARE(high, 99);
}

void tst_PswFormat::lRoundTrip_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("log-in") << "sa"
                            << "Secret!1";
    QTest::newRow("no password") << "postgres"
                                 << "";
    QTest::newRow("no user") << ""
                             << "pw";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("greek") << "χρήστης"
                           << "κωδικός";
    QTest::newRow("separator in password") << "u"
                                           << "a~@^b";
}

void tst_PswFormat::lRoundTrip() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    const QString l = PswFormat::ComposeL(user, password);
    // The layout other readers of L rely on: 10 fillers, user, 7 fillers, "~@^", 4, password, 11.
    const QString plain = plainL(l);
    QCOMPARE(plain.size(), 10 + user.size() + 7 + 3 + 4 + password.size() + 11);
    QCOMPARE(plain.mid(10, user.size()), user);
    QCOMPARE(plain.indexOf("~@^"), 10 + user.size() + 7);
    QCOMPARE(plain.mid(10 + user.size() + 14, password.size()), password);
    QVERIFY(l != plain);

    QString u = "stale", p = "stale";
    PswFormat::ParseL(l, u, p);
    QCOMPARE(u, user);
    QCOMPARE(p, password);
}

void tst_PswFormat::malformedL_data() {
    QTest::addColumn<QString>("l");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("empty") << QString() << ""
                           << "";
    QTest::newRow("no separator") << scrambledL("0123456789sa0123456xxxx0123456789ab") << ""
                                  << "";
    QTest::newRow("separator only") << scrambledL("~@^") << ""
                                    << "";
    QTest::newRow("separator too early") << scrambledL("0123456789ab~@^01") << ""
                                         << "";
    // Cut after the separator: the user is where it belongs, the password cannot be.
    QTest::newRow("cut short") << scrambledL("0123456789user0123456~@^0123") << "user"
                               << "";
    QTest::newRow("written in clear") << QString("sa;secret") << ""
                                      << "";
}

void tst_PswFormat::malformedL() {
    QFETCH(QString, l);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QString u = "stale", p = "stale";
    PswFormat::ParseL(l, u, p);
    QCOMPARE(u, user);
    QCOMPARE(p, password);
}

// The fillers are random and the scrambled text holds any printable character: quotes, commas,
// semicolons and backslashes must all come back from the INI file as written.
void tst_PswFormat::lSurvivesTheSettingsFile() {
    TempSettings settings;
    for (int i = 0; i < 300; ++i) {
        const QString user = QStringLiteral("user,%1").arg(i);
        const QString password = QStringLiteral(" p;w\\\"%1, ").arg(i);
        const QString l = PswFormat::ComposeL(user, password);
        QVERIFY(SettingsStore::SaveValue("\\Protocol", "L", l, false));
        QCOMPARE(SettingsStore::GetValue("\\Protocol", "L", QString(), false), l);
        QString u, p;
        PswFormat::ParseL(SettingsStore::GetValue("\\Protocol", "L", QString(), false), u, p);
        QCOMPARE(u, user);
        QCOMPARE(p, password);
    }
}

QTEST_GUILESS_MAIN(tst_PswFormat)
#include "tst_pswformat.moc"
