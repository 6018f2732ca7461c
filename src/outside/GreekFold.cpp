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

// The UTF-16 code units of a text, one at a time.
class Utf16Units {
public:
    explicit Utf16Units(QStringView s) : m_p(s.utf16()), m_end(s.utf16() + s.size()) {}
    bool next(char16_t& u) {
        if (m_p == m_end) return false;
        u = *m_p++;
        return true;
    }

private:
    const char16_t* m_p;
    const char16_t* m_end;
};

// The UTF-16 code units of a UTF-8 text, decoded as SQLite itself turns its UTF-8 into UTF-16
// (a malformed sequence becomes U+FFFD the same way), so both entry points compare alike.
class Utf8Units {
public:
    Utf8Units(const char* s, qsizetype bytes)
        : m_p(reinterpret_cast<const unsigned char*>(s)), m_end(m_p + (s ? bytes : 0)) {}
    bool next(char16_t& u) {
        if (m_low) {
            u = m_low;
            m_low = 0;
            return true;
        }
        if (m_p == m_end) return false;
        char32_t c = *m_p++;
        if (c < 0x80) {
            u = char16_t(c);
            return true;
        }
        if (c >= 0xC0) {
            static const unsigned char lead[64] = {
                0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c,
                0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
                0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x00, 0x01, 0x02, 0x03,
                0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
            };
            c = lead[c - 0xC0];
            while (m_p < m_end && (*m_p & 0xC0) == 0x80) c = (c << 6) + (0x3F & *m_p++);
            if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE) c = 0xFFFD;
        }
        if (c <= 0xFFFF) {
            u = char16_t(c);
            return true;
        }
        c -= 0x10000;
        u = char16_t(0xD800 + ((c >> 10) & 0x3FF));
        m_low = char16_t(0xDC00 + (c & 0x3FF));
        return true;
    }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
    char16_t m_low = 0;  // the second half of a surrogate pair
};

template <typename Units>
int compareUnits(Units a, Units b) {
    const auto& t = table();
    for (;;) {
        char16_t fa = 0, fb = 0, u = 0;
        bool inA, inB;
        while ((inA = a.next(u)) && !(fa = t[u])) {
        }
        while ((inB = b.next(u)) && !(fb = t[u])) {
        }
        if (!inA || !inB) return int(inA) - int(inB);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
}

template <typename Units>
bool likeUnits(Units pattern, Units text, char16_t escape, bool hasEscape) {
    const auto& t = table();
    QVarLengthArray<Token, 64> tokens;
    for (char16_t c = 0; pattern.next(c);) {
        char16_t after = 0;
        if (hasEscape && c == escape && pattern.next(after)) {
            c = after;
        } else if (c == u'%') {
            if (tokens.isEmpty() || tokens.last().kind != Token::AnyRun) tokens.append({Token::AnyRun, 0});
            continue;
        } else if (c == u'_') {
            tokens.append({Token::AnyOne, 0});
            continue;
        }
        if (const char16_t f = t[c]) tokens.append({Token::Literal, f});
    }
    Folded s;
    for (char16_t u = 0; text.next(u);)
        if (const char16_t f = t[u]) s.append(f);

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
    return compareUnits(Utf16Units(a), Utf16Units(b));
}

int compareUtf8(const char* a, qsizetype bytesA, const char* b, qsizetype bytesB) {
    return compareUnits(Utf8Units(a, bytesA), Utf8Units(b, bytesB));
}

bool likeMatch(QStringView pattern, QStringView text, QChar escape) {
    return likeUnits(Utf16Units(pattern), Utf16Units(text), escape.unicode(), !escape.isNull());
}

bool likeMatchUtf8(const char* pattern, qsizetype patternBytes, const char* text, qsizetype textBytes,
                   char16_t escape, bool hasEscape) {
    return likeUnits(Utf8Units(pattern, patternBytes), Utf8Units(text, textBytes), escape, hasEscape);
}

qsizetype utf16Length(const char* text, qsizetype bytes, char16_t* first) {
    Utf8Units units(text, bytes);
    qsizetype n = 0;
    for (char16_t u; units.next(u); ++n)
        if (n == 0 && first) *first = u;
    return n;
}

}  // namespace GreekFold
