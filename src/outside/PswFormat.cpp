#include "PswFormat.h"

#include <QRandomGenerator>

#include "Scrambler.h"

namespace PswFormat {
namespace {
QString filler(int count) {
    static const QString pool = QStringLiteral("QwErTyUiOpAsDfGhJkLzXcVbNm0123456789");
    QString out;
    for (int i = 0; i < count; ++i) out += pool.at(QRandomGenerator::global()->bounded(int(pool.size())));
    return out;
}
}  // namespace

int NewKeyCode() {
    return int(QRandomGenerator::global()->generateDouble() * 68) + 32;
}

QString Store(const QString& password, int keyCode) {
    return QChar(keyCode) + Scrambler().Transform(password, keyCode, true, 0);
}

QString Read(const QString& stored) {
    if (stored.isEmpty()) return QString();
    return Scrambler().Transform(stored.mid(1), stored.at(0).unicode(), false, 0);
}

QString ComposeL(const QString& user, const QString& password) {
    const QString plain =
        filler(10) + user + filler(7) + QStringLiteral("~@^") + filler(4) + password + filler(11);
    return Scrambler().Transform(plain, kLKey, true, 0);
}

void ParseL(const QString& scrambled, QString& user, QString& password) {
    user.clear();
    password.clear();
    if (scrambled.isEmpty()) return;
    const QString plain = Scrambler().Transform(scrambled, kLKey, false, 0);
    const qsizetype p = plain.indexOf(QStringLiteral("~@^")) + 1;  // 1-based; 0 when absent
    const qsizetype n = plain.size();
    if (p <= 0) return;
    const qsizetype userLen = p - 18;
    if (userLen > 0 && 10 + userLen <= n) user = plain.mid(10, userLen);
    const qsizetype pswLen = n - p - 17;
    if (pswLen > 0 && p + 6 + pswLen <= n) password = plain.mid(p + 6, pswLen);
}
}  // namespace PswFormat
