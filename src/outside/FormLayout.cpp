#include "FormLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <optional>

#include "SettingsStore.h"

namespace {
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaximized = QStringLiteral("Maximized");

QString formSection(const QWidget* form, const QString& section) {
    QString name = form->objectName();
    if (name.isEmpty()) name = QString::fromLatin1(form->metaObject()->className());
    return section + QLatin1Char('\\') + name;
}

// A stored number in twips, or nothing when absent or not a number.
std::optional<int> storedTwips(const QString& section, const QString& name) {
    bool ok = false;
    const int v = SettingsStore::GetValue(section, name, QString(), true).trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// Enough of the window on some screen to grab and move it back.
bool reachable(const QRect& r) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect avail = screen->availableGeometry();
        const QRect seen = r & avail;
        if (seen.width() >= qMin(r.width(), 100) && seen.height() >= qMin(r.height(), 30) &&
            r.top() >= avail.top())
            return true;
    }
    return false;
}

// Moves (and if need be shrinks) the rectangle onto the primary screen.
QRect ontoPrimary(QRect r) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return r;
    const QRect avail = screen->availableGeometry();
    r.setWidth(qMin(r.width(), avail.width()));
    r.setHeight(qMin(r.height(), avail.height()));
    r.moveLeft(qBound(avail.left(), r.left(), avail.right() - r.width() + 1));
    r.moveTop(qBound(avail.top(), r.top(), avail.bottom() - r.height() + 1));
    return r;
}
}  // namespace

FormLayout& FormLayout::Shared() {
    static FormLayout instance;
    return instance;
}

void FormLayout::Restore(QWidget* form, int left, int top, int width, int height, const QString& section,
                         bool& flag1, bool& flag2) {
    if (!form) return;
    const QString sec = formSection(form, section);
    const auto l = storedTwips(sec, kLeft), t = storedTwips(sec, kTop);
    const auto w = storedTwips(sec, kWidth), h = storedTwips(sec, kHeight);

    if (l && t && w && h && *w > 0 && *h > 0) {
        QRect r(Twips::toPixels(*l), Twips::toPixels(*t), Twips::toPixels(*w), Twips::toPixels(*h));
        if (!reachable(r)) r = ontoPrimary(r);
        form->setGeometry(r);
        if (SettingsStore::GetValue(sec, kMaximized, QString(), true).trimmed() == QLatin1String("1"))
            form->setWindowState(form->windowState() | Qt::WindowMaximized);
        return;
    }

    form->move(Twips::toPixels(left), Twips::toPixels(top));
    form->resize(width > 0 ? Twips::toPixels(width) : form->width(),
                 height > 0 ? Twips::toPixels(height) : form->height());
}

void FormLayout::Save(QWidget* form, const QString& section, bool& flag) {
    if (!form) return;
    const QString sec = formSection(form, section);
    const bool maximized = form->isMaximized();
    // A maximized or minimized window keeps the place it returns to when restored.
    QRect r = form->geometry();
    if (maximized || form->isMinimized()) {
        if (!form->normalGeometry().isValid()) return;
        r = form->normalGeometry();
    }
    if (r.width() <= 0 || r.height() <= 0) return;

    SettingsStore::SaveValue(sec, kLeft, QString::number(Twips::fromPixels(r.left())), true);
    SettingsStore::SaveValue(sec, kTop, QString::number(Twips::fromPixels(r.top())), true);
    SettingsStore::SaveValue(sec, kWidth, QString::number(Twips::fromPixels(r.width())), true);
    SettingsStore::SaveValue(sec, kHeight, QString::number(Twips::fromPixels(r.height())), true);
    SettingsStore::SaveValue(sec, kMaximized, maximized ? QStringLiteral("1") : QStringLiteral("0"), true);
}
