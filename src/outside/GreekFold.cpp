#include "GreekFold.h"

#include <QVarLengthArray>
#include <array>
#include <memory>

namespace {

bool isMark(char32_t c) {
    return QChar::category(c) == QChar::Mark_NonSpacing;
}

// Follows canonical decompositions that only add marks (é → e, ΐ → ϊ → ι); Hangul syllables and
// the like, which decompose into several letters, stay whole.
char32_t baseLetter(char32_t c) {
    for (int depth = 0; depth < 4; ++depth) {
        if (QChar::decompositionTag(c) != QChar::Canonical) break;
        const QString parts = QChar::decomposition(c);
        if (parts.isEmpty() || parts.at(0).isSurrogate()) break;
        bool onlyMarks = true;
        for (qsizetype i = 1; i < parts.size(); ++i) onlyMarks = onlyMarks && isMark(parts.at(i).unicode());
        if (!onlyMarks) break;
        c = parts.at(0).unicode();
    }
    return c;
}

char16_t buildFold(char16_t c) {
    if (c == 0) return 0;
    if (QChar::isSurrogate(c)) return c;
    char32_t u = baseLetter(c);
    if (isMark(u)) return 0;
    u = QChar::toLower(QChar::toCaseFolded(u));
    if (u == 0x03C2) u = 0x03C3;  // final sigma
    return u > 0xFFFF ? c : char16_t(u);
}

const std::array<char16_t, 65536>& table() {
    static const std::unique_ptr<std::array<char16_t, 65536>> t = [] {
        auto a = std::make_unique<std::array<char16_t, 65536>>();
        for (int c = 0; c < 65536; ++c) (*a)[c] = buildFold(char16_t(c));
        return a;
    }();
    return *t;
}

using Folded = QVarLengthArray<char16_t, 256>;

void foldInto(QStringView text, Folded& out) {
    const auto& t = table();
    out.reserve(text.size());
    for (const QChar c : text)
        if (const char16_t f = t[c.unicode()]) out.append(f);
}

// One element of a LIKE pattern: a literal character, % or _.
struct Token {
    enum Kind : char16_t { Literal, AnyRun, AnyOne } kind;
    char16_t ch;
};

}  // namespace

namespace GreekFold {

char16_t foldChar(char16_t c) {
    return table()[c];
}

QString fold(QStringView text) {
    Folded f;
    foldInto(text, f);
    return QString(reinterpret_cast<const QChar*>(f.constData()), f.size());
}

int compare(QStringView a, QStringView b) {
    const auto& t = table();
    qsizetype i = 0, j = 0;
    for (;;) {
        char16_t fa = 0, fb = 0;
        while (i < a.size() && !(fa = t[a[i].unicode()])) ++i;
        while (j < b.size() && !(fb = t[b[j].unicode()])) ++j;
        if (i >= a.size() || j >= b.size()) return (i < a.size()) - (j < b.size());
        if (fa != fb) return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
}

bool likeMatch(QStringView pattern, QStringView text, QChar escape) {
    const auto& t = table();
    QVarLengthArray<Token, 64> tokens;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
            c = pattern[++i];
        } else if (c == QLatin1Char('%')) {
            if (tokens.isEmpty() || tokens.last().kind != Token::AnyRun) tokens.append({Token::AnyRun, 0});
            continue;
        } else if (c == QLatin1Char('_')) {
            tokens.append({Token::AnyOne, 0});
            continue;
        }
        if (const char16_t f = t[c.unicode()]) tokens.append({Token::Literal, f});
    }
    Folded s;
    foldInto(text, s);

    // Greedy match that backtracks only to the last %, which is enough for % and _.
    qsizetype p = 0, k = 0, starP = -1, starK = 0;
    const qsizetype m = tokens.size(), n = s.size();
    while (k < n) {
        if (p < m &&
            (tokens[p].kind == Token::AnyOne || (tokens[p].kind == Token::Literal && tokens[p].ch == s[k]))) {
            ++p;
            ++k;
        } else if (p < m && tokens[p].kind == Token::AnyRun) {
            starP = p++;
            starK = k;
        } else if (starP >= 0) {
            p = starP + 1;
            k = ++starK;
        } else {
            return false;
        }
    }
    while (p < m && tokens[p].kind == Token::AnyRun) ++p;
    return p == m;
}

}  // namespace GreekFold
