#include <sqlite3.h>

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
    void malformedUtf8();
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
    // Outside the 16-bit plane: two UTF-16 units, compared unit by unit on both entry points.
    QTest::newRow("surrogate pairs") << QString::fromUtf8("\xF0\x90\x85\x80α")
                                     << QString::fromUtf8("\xF0\x90\x85\x81α") << -1;
    QTest::newRow("surrogate pair against a letter above it")
        << QString::fromUtf8("\xF0\x90\x85\x80") << "\uFB00" << -1;
}

void tst_GreekFold::compare() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int c = GreekFold::compare(a, b);
    QCOMPARE((c > 0) - (c < 0), sign);
    const int r = GreekFold::compare(b, a);
    QCOMPARE((r > 0) - (r < 0), -sign);
    // SQLite's own UTF-8 gives the same.
    const QByteArray a8 = a.toUtf8(), b8 = b.toUtf8();
    const int c8 = GreekFold::compareUtf8(a8.constData(), a8.size(), b8.constData(), b8.size());
    QCOMPARE((c8 > 0) - (c8 < 0), sign);
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
    QTest::newRow("underscore is one UTF-16 unit") << "_α" << QString::fromUtf8("\xF0\x90\x85\x80α") << false;
    QTest::newRow("two underscores for a surrogate pair")
        << "__α" << QString::fromUtf8("\xF0\x90\x85\x80α") << true;
}

void tst_GreekFold::like() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(GreekFold::likeMatch(pattern, text, QLatin1Char('!')), match);
    const QByteArray p8 = pattern.toUtf8(), t8 = text.toUtf8();
    QCOMPARE(GreekFold::likeMatchUtf8(p8.constData(), p8.size(), t8.constData(), t8.size(), u'!', true),
             match);
}

// Bytes that are not well-formed UTF-8 compare on the UTF-8 entry point as their UTF-16 by
// SQLite's own conversion (what the UTF-16 entry point is handed) compares.
void tst_GreekFold::malformedUtf8() {
    const QList<QByteArray> texts{"\xC3",
                                  "\xE2\x82",
                                  "\x80",
                                  "\xED\xA0\x80",
                                  "\xEF\xBF\xBE",
                                  "\xC0\xAF",
                                  "\xF0\x90\x85\x80",
                                  "\xF4\x90\x80\x80",
                                  "\xF0\x90\x80\x80\x80\x80\x80",
                                  "\xF8\x88\x80",
                                  "\xFF",
                                  "\xCE\xB1",
                                  "\xC3\xA9\xCC",
                                  "",
                                  "z"};
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT CAST(?1 AS TEXT) || 'α'", -1, &stmt, nullptr), SQLITE_OK);
    QList<QByteArray> utf8;
    QList<QString> utf16;
    for (const QByteArray& t : texts) {
        sqlite3_reset(stmt);
        sqlite3_bind_blob(stmt, 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
        utf8 << QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                           sqlite3_column_bytes(stmt, 0));
        const auto* u = static_cast<const char16_t*>(sqlite3_column_text16(stmt, 0));
        utf16 << QString::fromUtf16(u, sqlite3_column_bytes16(stmt, 0) / 2);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    const auto sign = [](int c) { return (c > 0) - (c < 0); };
    for (int i = 0; i < utf8.size(); ++i) {
        for (int j = 0; j < utf8.size(); ++j) {
            QCOMPARE(sign(GreekFold::compareUtf8(utf8[i].constData(), utf8[i].size(), utf8[j].constData(),
                                                 utf8[j].size())),
                     sign(GreekFold::compare(utf16[i], utf16[j])));
            QCOMPARE(GreekFold::likeMatchUtf8(utf8[i].constData(), utf8[i].size(), utf8[j].constData(),
                                              utf8[j].size(), 0, false),
                     GreekFold::likeMatch(utf16[i], utf16[j]));
        }
    }
}

QTEST_APPLESS_MAIN(tst_GreekFold)
#include "tst_greekfold.moc"
