#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <memory>

#include "MsgBox.h"
#include "RegisterDatabase.h"
#include "SettingsStore.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "frmPhrases.h"
#include "modDeclare.h"

namespace {
const QStringList kPhrases{
    QStringLiteral("Άλφα Βήτα"),       QStringLiteral("αλεύρι"),       QStringLiteral("Απόφαση"),
    QStringLiteral("O'Brien πρόταση"), QStringLiteral("100% ποσοστό"), QStringLiteral("100 τεμάχια"),
    QStringLiteral("Θέμα! επείγον"),   QStringLiteral("Θέμα επείγον"), QStringLiteral("  Κενά γύρω  "),
};

bool insertRows(const QString& table, const QStringList& rows) {
    for (const QString& descr : rows)
        if (!modDeclare::gConn->Execute(
                QStringLiteral("INSERT INTO %1 (DESCR) VALUES (%2)").arg(table, StrHelper::SqlValue(descr))))
            return false;
    return true;
}

QStringList gridTexts(const frmPhrases& dlg) {
    QStringList out;
    const QAbstractItemModel* m = dlg.tdbg->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

void clickHeader(frmPhrases& dlg) {
    QHeaderView* header = dlg.tdbg->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void retype(QLineEdit* box, const QString& text) {
    box->clear();
    typeText(box, text);
}

enum class Leave { ExitButton, Escape, CloseBox };
}  // namespace

Q_DECLARE_METATYPE(Leave)

class TestPhrases : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<AnswerQueues> m_answers;

    // A register with the phrases in L_PHRASES, the session's connection on it, and a picker on it.
    std::unique_ptr<frmPhrases> picker(TestDatabase& db, const QStringList& rows = kPhrases) {
        modDeclare::gConn = db.conn();
        if (!insertRows(QStringLiteral("L_PHRASES"), rows)) return nullptr;
        auto dlg = std::make_unique<frmPhrases>();
        dlg->Init(QStringLiteral("L_PHRASES"), QStringLiteral("Επιλογή φράσης"));
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get())) return nullptr;
        return dlg;
    }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_answers = std::make_unique<AnswerQueues>();
        modDeclare::gErr = std::make_unique<cls_Error>();
        modDeclare::gErr->Init(false);
    }
    void cleanup() {
        modDeclare::gConn.reset();
        modDeclare::gErr.reset();
        m_answers.reset();
        m_settings.reset();
    }

    void controls_data() { TestDatabase::addBackendRows(); }
    void controls() {
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Επιλογή φράσης"));
        QCOMPARE(unnamedInputs(dlg.get()), QStringList());
        QCOMPARE(dlg->fra->title(), QStringLiteral("Γρήγορη αναζήτηση"));
        QCOMPARE(dlg->lbl[0]->text(), QStringLiteral("Πληκτρολογήστε αρχικούς χαρακτήρες για να δείτε τις "
                                                     "σχετικές καταχωρήσεις και να επιλέξετε"));
        QCOMPARE(dlg->tdbg->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Περιγραφή"));
        QCOMPARE(dlg->cmdSelect->text(), QStringLiteral("Επιλογή"));
        QCOMPARE(dlg->cmdExit->text(), QStringLiteral("Έξοδος"));
        QVERIFY(dlg->cmdSelect->isDefault());
        for (const char* name : {"fra", "txt(0)", "lbl(0)", "tdbg", "cmdSelect", "cmdExit"}) {
            QWidget* w = dlg->findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(w, name);
            QCOMPARE(w->accessibleDescription(), QLatin1String(name));
        }
        // The chosen row keeps its colours when the grid loses the focus.
        const QPalette pal = dlg->tdbg->palette();
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight),
                 pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::HighlightedText),
                 pal.color(QPalette::Active, QPalette::HighlightedText));

        // The controls stay apart and inside the window at the designed size and a larger one.
        for (const QSize size : {dlg->size(), QSize(900, 700)}) {
            dlg->resize(size);
            const QRect inside = dlg->rect();
            for (QWidget* w : {static_cast<QWidget*>(dlg->fra), static_cast<QWidget*>(dlg->tdbg),
                               static_cast<QWidget*>(dlg->cmdSelect), static_cast<QWidget*>(dlg->cmdExit)})
                QVERIFY2(inside.contains(w->geometry()), qPrintable(w->objectName()));
            QVERIFY(!dlg->fra->geometry().intersects(dlg->tdbg->geometry()));
            QVERIFY(!dlg->tdbg->geometry().intersects(dlg->cmdSelect->geometry()));
            QVERIFY(!dlg->cmdSelect->geometry().intersects(dlg->cmdExit->geometry()));
            QVERIFY(dlg->fra->geometry().contains(dlg->txt[0]->geometry().translated(dlg->fra->pos())));
        }
    }

    // Every lookup table the register offers, named in any case.
    void tables_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("caption");
        const QList<QPair<QString, QString>> tables{
            {"l_apo", "Επιλογή 'Από'"},
            {"L_PROS", "Επιλογή 'Προς'"},
            {"L_TOPOS", "Επιλογή Τόπου προέλευσης"},
            {"L_ARMODIOS", "Επιλογή Αρμοδίου"},
            {"L_PHRASES", "Επιλογή φράσης"},
            {"L_ARXEIOTHETHSH", "Επιλογή 'Αρχειοθέτησης'"},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [table, caption] : tables)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + table))
                    << TestDatabase::backendTag(b) << table << caption;
    }
    void tables() {
        QFETCH(QString, table);
        QFETCH(QString, caption);
        TEST_REGISTER(db);
        modDeclare::gConn = db.conn();
        QVERIFY(insertRows(table.toUpper(), {QStringLiteral("Δήμος"), QStringLiteral("Νομαρχία")}));
        frmPhrases dlg;
        QVERIFY(dlg.Init(table, caption));
        QCOMPARE(dlg.windowTitle(), caption);
        QCOMPARE(gridTexts(dlg), (QStringList{"Δήμος", "Νομαρχία"}));
        QCOMPARE(dlg.Phrase(), QStringLiteral("Δήμος"));
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void filter_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("rows");
        const QList<QPair<const char*, QPair<QString, QStringList>>> cases{
            {"empty: every row", {"", kPhrases}},
            {"blanks only: every row", {"   ", kPhrases}},
            {"case and accents ignored", {"αλ", {"Άλφα Βήτα", "αλεύρι"}}},
            {"capitals", {"ΑΠΟΦ", {"Απόφαση"}}},
            {"blanks around", {"  αλ  ", {"Άλφα Βήτα", "αλεύρι"}}},
            {"apostrophe", {"O'B", {"O'Brien πρόταση"}}},
            {"percent stays a wildcard", {"100%", {"100% ποσοστό", "100 τεμάχια"}}},
            {"percent alone: every row", {"%%", kPhrases}},
            {"percent before letters", {"%ΠΟΣ", {"100% ποσοστό"}}},
            {"underscore stays a wildcard", {"Θέμα_", {"Θέμα! επείγον", "Θέμα επείγον"}}},
            {"exclamation mark is itself", {"Θέμα!", {"Θέμα! επείγον"}}},
            {"beginning only", {"πρόταση", {}}},
            {"nothing", {"ωωω", {}}},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [name, c] : cases)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + name))
                    << TestDatabase::backendTag(b) << c.first << c.second;
    }
    void filter() {
        QFETCH(QString, filter);
        QFETCH(QStringList, rows);
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        typeText(dlg->txt[0], filter);
        QCOMPARE(sorted(gridTexts(*dlg)), sorted(rows));
        QVERIFY2(MsgBoxHook::Log().isEmpty(), qPrintable(MsgBoxHook::Log().value(0).prompt));
        QVERIFY(dlg->isVisible());
    }

    // The phrase follows the grid's row; a filter that empties the list keeps the last one.
    void phrase_data() { TestDatabase::addBackendRows(); }
    void phrase() {
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        typeText(dlg->txt[0], QStringLiteral("απ"));
        QCOMPARE(dlg->Phrase(), QStringLiteral("Απόφαση"));
        typeText(dlg->txt[0], QStringLiteral("ωω"));
        QCOMPARE(gridTexts(*dlg), QStringList());
        QCOMPARE(dlg->Phrase(), QStringLiteral("Απόφαση"));
        QTest::keyClick(dlg->txt[0], Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Canceled());
        QCOMPARE(dlg->Phrase(), QStringLiteral("Απόφαση"));

        // Blanks stored around a description are not part of the phrase.
        dlg->show();
        retype(dlg->txt[0], QStringLiteral("  "));
        const int row = int(gridTexts(*dlg).indexOf(QStringLiteral("  Κενά γύρω  ")));
        QVERIFY(row >= 0);
        dlg->tdbg->setCurrentIndex(dlg->tdbg->model()->index(row, 0));
        QCOMPARE(dlg->Phrase(), QStringLiteral("Κενά γύρω"));
    }

    // Before any row was shown the phrase is empty.
    void phraseOfEmptyTable_data() { TestDatabase::addBackendRows(); }
    void phraseOfEmptyTable() {
        TEST_REGISTER(db);
        auto dlg = picker(db, {});
        QVERIFY(dlg);
        QCOMPARE(gridTexts(*dlg), QStringList());
        QTest::mouseClick(dlg->cmdSelect, Qt::LeftButton);
        QVERIFY(!dlg->Canceled());
        QCOMPARE(dlg->Phrase(), QString());
    }

    // Typing, then Enter, chooses the grid's row; so does moving down first, or a double click.
    void choose_data() { TestDatabase::addBackendRows(); }
    void choose() {
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        typeText(dlg->txt[0], QStringLiteral("ΑΛΕ"));
        QTest::keyClick(dlg->txt[0], Qt::Key_Enter);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Canceled());
        QCOMPARE(dlg->Phrase(), QStringLiteral("αλεύρι"));

        dlg->show();
        retype(dlg->txt[0], QStringLiteral("θεμα"));
        const QStringList shown = gridTexts(*dlg);
        QCOMPARE(shown.size(), 2);
        dlg->tdbg->setFocus();
        QTest::keyClick(dlg->tdbg, Qt::Key_Down);
        QTest::keyClick(dlg->tdbg, Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->Phrase(), shown[1]);

        dlg->show();
        const QRect first = dlg->tdbg->visualRect(dlg->tdbg->model()->index(0, 0));
        QTest::mouseClick(dlg->tdbg->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
        QTest::mouseDClick(dlg->tdbg->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Canceled());
        QCOMPARE(dlg->Phrase(), shown[0]);
    }

    void cancel_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<Leave>("how");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " exit button")) << tag << Leave::ExitButton;
            QTest::newRow(qPrintable(tag + " Esc")) << tag << Leave::Escape;
            QTest::newRow(qPrintable(tag + " close box")) << tag << Leave::CloseBox;
        }
    }
    void cancel() {
        QFETCH(Leave, how);
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        QVERIFY(!dlg->Canceled());
        switch (how) {
            case Leave::ExitButton:
                QTest::mouseClick(dlg->cmdExit, Qt::LeftButton);
                break;
            case Leave::Escape:
                QTest::keyClick(dlg->txt[0], Qt::Key_Escape);
                break;
            case Leave::CloseBox:
                dlg->close();
                break;
        }
        QVERIFY(!dlg->isVisible());
        QVERIFY(dlg->Canceled());
        dlg.reset();
        // Unloading remembers the window's place.
        QVERIFY(!SettingsStore::GetValue(QStringLiteral("\\Protocol\\frmPhrases"), QStringLiteral("Width"),
                                         QString(), true)
                     .isEmpty());
    }

    // The first click on the heading sorts descending, the next ascending again.
    void headerClick_data() { TestDatabase::addBackendRows(); }
    void headerClick() {
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        const QStringList ascending = gridTexts(*dlg);
        QCOMPARE(ascending.size(), kPhrases.size());
        // Greek order without regard to case and accents.
        QVERIFY(ascending.indexOf(QStringLiteral("αλεύρι")) < ascending.indexOf(QStringLiteral("Άλφα Βήτα")));
        QVERIFY(ascending.indexOf(QStringLiteral("Άλφα Βήτα")) <
                ascending.indexOf(QStringLiteral("Απόφαση")));

        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        clickHeader(*dlg);
        QCOMPARE(gridTexts(*dlg), descending);
        QCOMPARE(dlg->tdbg->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(dlg->Phrase(), descending[0].trimmed());
        clickHeader(*dlg);
        QCOMPARE(gridTexts(*dlg), ascending);
        QCOMPARE(dlg->tdbg->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);

        // The order holds while typing.
        clickHeader(*dlg);
        typeText(dlg->txt[0], QStringLiteral("αλ"));
        QCOMPARE(gridTexts(*dlg), (QStringList{"Άλφα Βήτα", "αλεύρι"}));
    }

    // A statement that fails is reported, and the window stays open for another try.
    void failure_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("table");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " no such table")) << tag << "L_NOSUCH";
            QTest::newRow(qPrintable(tag + " not a table name")) << tag << "L_PHRASES; DELETE FROM L_PHRASES";
        }
    }
    void failure() {
        QFETCH(QString, table);
        TEST_REGISTER(db);
        auto dlg = picker(db);
        QVERIFY(dlg);
        MsgBoxHook::Clear();
        QVERIFY(dlg->Init(table, QStringLiteral("Επιλογή φράσης")));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log()[0].icon(), int(vb::vbCritical));
        QVERIFY2(MsgBoxHook::Log()[0].prompt.startsWith(QStringLiteral("#frmPhrases -> Fill")),
                 qPrintable(MsgBoxHook::Log()[0].prompt));
        QVERIFY(dlg->isVisible());
        QCOMPARE(gridTexts(*dlg), QStringList());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        typeText(dlg->txt[0], QStringLiteral("α"));
        QCOMPARE(MsgBoxHook::Log().size(), 2);  // each try is reported

        // Nothing was run: the phrases are all there.
        QVERIFY(dlg->Init(QStringLiteral("L_PHRASES"), QStringLiteral("Επιλογή φράσης")));
        retype(dlg->txt[0], QString());
        QCOMPARE(gridTexts(*dlg).size(), kPhrases.size());
    }
};

QTEST_MAIN(TestPhrases)
#include "tst_phrases.moc"
