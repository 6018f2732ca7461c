#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "FormLayout.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");

std::unique_ptr<QWidget> makeForm(const QString& name) {
    auto w = std::make_unique<QWidget>();
    w->setObjectName(name);
    w->resize(300, 200);  // the designed size
    return w;
}

void store(const QString& form, const QString& left, const QString& top, const QString& width,
           const QString& height) {
    const QString sec = kSection + QLatin1Char('\\') + form;
    SettingsStore::SaveValue(sec, QStringLiteral("Left"), left, true);
    SettingsStore::SaveValue(sec, QStringLiteral("Top"), top, true);
    SettingsStore::SaveValue(sec, QStringLiteral("Width"), width, true);
    SettingsStore::SaveValue(sec, QStringLiteral("Height"), height, true);
}
}  // namespace

class TestFormLayout : public QObject {
    Q_OBJECT

private slots:
    void defaults_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("unusable");  // values stored, but not numbers
        QTest::addColumn<QRect>("expected");
        QTest::newRow("size given") << 0 << 0 << 8220 << 5565 << false << QRect(0, 0, 548, 371);
        QTest::newRow("designed size kept") << 1500 << 750 << 0 << 0 << false << QRect(100, 50, 300, 200);
        QTest::newRow("only the width given") << 0 << 0 << 7400 << 0 << false << QRect(0, 0, 493, 200);
        QTest::newRow("stored values unusable") << 0 << 0 << 10000 << 7200 << true << QRect(0, 0, 666, 480);
    }
    void defaults() {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, unusable);
        QFETCH(QRect, expected);
        TempSettings settings;
        if (unusable)
            store(QStringLiteral("frmAbout"), QStringLiteral("x"), QString(), QStringLiteral("0"), "-");
        auto form = makeForm(QStringLiteral("frmAbout"));
        bool f1 = false, f2 = true;
        FormLayout::Shared().Restore(form.get(), left, top, width, height, kSection, f1, f2);
        QCOMPARE(QRect(form->pos(), form->size()), expected);
    }

    void savedPlaceWins() {
        TempSettings settings;
        bool f = false;
        {
            auto form = makeForm(QStringLiteral("frmOptions"));
            form->setGeometry(120, 90, 420, 330);
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            FormLayout::Shared().Save(form.get(), kSection, f);
        }
        auto again = makeForm(QStringLiteral("frmOptions"));
        FormLayout::Shared().Restore(again.get(), 0, 0, 8220, 5565, kSection, f, f);
        QCOMPARE(again->geometry(), QRect(120, 90, 420, 330));
        QVERIFY(!again->isMaximized());
        QCOMPARE(SettingsStore::GetValue(kSection + QStringLiteral("\\frmOptions"), QStringLiteral("Width"),
                                         QString(), true),
                 QStringLiteral("6300"));

        // Another form, or the same form under another section, has a place of its own.
        auto other = makeForm(QStringLiteral("frmUsers"));
        FormLayout::Shared().Restore(other.get(), 0, 0, 0, 0, kSection, f, f);
        QCOMPARE(other->geometry().size(), QSize(300, 200));
        auto elsewhere = makeForm(QStringLiteral("frmOptions"));
        FormLayout().Restore(elsewhere.get(), 0, 0, 0, 0, kSection + QStringLiteral("\\frmUsers"), f, f);
        QCOMPARE(elsewhere->geometry().size(), QSize(300, 200));
    }

    void maximizedRemembered() {
        TempSettings settings;
        bool f = true;
        {
            auto form = makeForm(QStringLiteral("frmMDI"));
            form->setGeometry(60, 40, 500, 300);
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            form->showMaximized();
            QTRY_VERIFY(form->isMaximized());
            FormLayout::Shared().Save(form.get(), kSection, f);
        }
        auto again = makeForm(QStringLiteral("frmMDI"));
        FormLayout::Shared().Restore(again.get(), 0, 0, 7400, 700, kSection, f, f);
        QVERIFY(again->windowState() & Qt::WindowMaximized);
        // Un-maximizing goes back to the place it had before.
        QCOMPARE(again->geometry(), QRect(60, 40, 500, 300));
    }

    // A place saved on a screen that is gone is brought back where it can be seen.
    void offScreenPlaceBroughtBack_data() {
        QTest::addColumn<QRect>("stored");  // pixels
        QTest::newRow("far right") << QRect(50000, 100, 400, 300);
        QTest::newRow("far left") << QRect(-9000, 100, 400, 300);
        QTest::newRow("title bar above the screen") << QRect(100, -250, 400, 300);
        QTest::newRow("far below, larger than the screen") << QRect(0, 90000, 20000, 20000);
    }
    void offScreenPlaceBroughtBack() {
        QFETCH(QRect, stored);
        TempSettings settings;
        store(QStringLiteral("frmLogin"), QString::number(stored.x() * 15), QString::number(stored.y() * 15),
              QString::number(stored.width() * 15), QString::number(stored.height() * 15));
        auto form = makeForm(QStringLiteral("frmLogin"));
        bool f = false;
        FormLayout::Shared().Restore(form.get(), 0, 0, 0, 0, kSection, f, f);
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(avail.contains(form->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                  .arg(form->x())
                                                                  .arg(form->y())
                                                                  .arg(form->width())
                                                                  .arg(form->height())));
        if (stored.width() <= avail.width()) QCOMPARE(form->size(), stored.size());
    }

    void visiblePlaceKept() {
        TempSettings settings;
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        // Partly off the right edge is still reachable: left alone.
        const QRect stored(avail.right() - 150, avail.top() + 10, 400, 300);
        store(QStringLiteral("frmLogin"), QString::number(stored.x() * 15), QString::number(stored.y() * 15),
              QString::number(stored.width() * 15), QString::number(stored.height() * 15));
        auto form = makeForm(QStringLiteral("frmLogin"));
        bool f = false;
        FormLayout::Shared().Restore(form.get(), 0, 0, 0, 0, kSection, f, f);
        QCOMPARE(form->geometry(), stored);
    }
};

QTEST_MAIN(TestFormLayout)
#include "tst_formlayout.moc"
