#include <QTest>

#include "GreekFold.h"

class tst_GreekFold : public QObject {
    Q_OBJECT
private slots:
    void fold_data();
    void fold();
    void compare_data();
    void compare();
    void like_data();
    void like();
};

void tst_GreekFold::fold_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("capitals and final sigma") << "ΔΙΑΓΩΝΙΣΜΟΣ"
                                              << "διαγωνισμοσ";
    QTest::newRow("accents and final sigma") << "διαγωνισμός"
                                             << "διαγωνισμοσ";
    QTest::newRow("accented capital") << "Άλφα"
                                      << "αλφα";
    QTest::newRow("iota with dialytika and tonos") << "ΐ"
                                                   << "ι";
    QTest::newRow("upsilon with dialytika") << "Ϋ"
                                            << "υ";
    QTest::newRow("polytonic") << "ἄνθρωπος"
                               << "ανθρωποσ";
    QTest::newRow("decomposed accent") << QString::fromUtf8("ά") << "α";
    QTest::newRow("latin") << "ABC"
                           << "abc";
    QTest::newRow("latin accents") << "Café Ñ"
                                   << "cafe n";
    QTest::newRow("digits and signs") << "12-%_!'"
                                      << "12-%_!'";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_GreekFold::fold() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(GreekFold::fold(text), folded);
}

void tst_GreekFold::compare_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("equal regardless of case and accent") << "ΔΙΑΓΩΝΙΣΜΟΣ"
                                                         << "διαγωνισμός" << 0;
    QTest::newRow("alphabet order") << "Άλφα"
                                    << "βήτα" << -1;
    QTest::newRow("omega last") << "ωμέγα"
                                << "Ψ" << 1;
    QTest::newRow("prefix sorts first") << "Αθήνα"
                                        << "ΑΘΗΝΑΙ" << -1;
    QTest::newRow("marks alone count as nothing") << QString::fromUtf8("ά") << "α" << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void tst_GreekFold::compare() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int c = GreekFold::compare(a, b);
    QCOMPARE((c > 0) - (c < 0), sign);
    const int r = GreekFold::compare(b, a);
    QCOMPARE((r > 0) - (r < 0), -sign);
}

void tst_GreekFold::like_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("different ending") << "%διαγωνισμός%"
                                      << "ΠΡΟΚΗΡΥΞΗ ΔΙΑΓΩΝΙΣΜΟΥ" << false;
    QTest::newRow("contains word") << "%διαγωνισμ%"
                                   << "ΠΡΟΚΗΡΥΞΗ ΔΙΑΓΩΝΙΣΜΟΥ" << true;
    QTest::newRow("final sigma typed") << "%ΜΟΣ"
                                       << "διαγωνισμός" << true;
    QTest::newRow("begins with") << "αθ%"
                                 << "Αθήνα" << true;
    QTest::newRow("begins with, not inside") << "θη%"
                                             << "Αθήνα" << false;
    QTest::newRow("equal without wildcards") << "αθηνα"
                                             << "ΑΘΗΝΑ" << true;
    QTest::newRow("equal needs the whole text") << "αθην"
                                                << "ΑΘΗΝΑ" << false;
    QTest::newRow("underscore is one letter") << "α_ηνα"
                                              << "Αθήνα" << true;
    QTest::newRow("underscore over a decomposed accent") << "_" << QString::fromUtf8("ά") << true;
    QTest::newRow("underscore needs a letter") << "αθηνα_"
                                               << "Αθήνα" << false;
    QTest::newRow("backtracking %") << "%ab%abc"
                                    << "xxabyyababc" << true;
    QTest::newRow("backtracking fails") << "%ab%abd"
                                        << "xxabyyababc" << false;
    QTest::newRow("only %") << "%"
                            << "" << true;
    QTest::newRow("empty pattern") << ""
                                   << "x" << false;
    QTest::newRow("escaped percent") << "50!%"
                                     << "50%" << true;
    QTest::newRow("escaped percent is literal") << "50!%"
                                                << "500" << false;
    QTest::newRow("escaped underscore") << "a!_b"
                                        << "a_b" << true;
    QTest::newRow("escaped underscore is literal") << "a!_b"
                                                   << "axb" << false;
    QTest::newRow("escaped escape") << "a!!"
                                    << "a!" << true;
    QTest::newRow("trailing escape is itself") << "a!"
                                               << "a!" << true;
    QTest::newRow("quote and backslash") << "%o'r\\%"
                                         << "O'R\\x" << true;
}

void tst_GreekFold::like() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(GreekFold::likeMatch(pattern, text, QLatin1Char('!')), match);
}

QTEST_APPLESS_MAIN(tst_GreekFold)
#include "tst_greekfold.moc"
