#include "Scrambler.h"

#include <QHash>
#include <QList>

namespace {
// The characters that may be moved, and onto which they are moved: printable ASCII and the Greek letters.
struct Alphabet {
    QList<QChar> chars;
    QHash<char16_t, int> index;

    Alphabet() {
        for (char16_t c = 32; c <= 126; ++c) chars << QChar(c);
        for (char16_t c = 0x0391; c <= 0x03A9; ++c)  // Α..Ω (0x03A2 is unassigned)
            if (c != 0x03A2) chars << QChar(c);
        for (char16_t c = 0x03B1; c <= 0x03C9; ++c) chars << QChar(c);               // α..ω with final ς
        for (char16_t c : {0x0386, 0x0388, 0x0389, 0x038A, 0x038C, 0x038E, 0x038F,   // Ά Έ Ή Ί Ό Ύ Ώ
                           0x0390, 0x03B0,                                           // ΐ ΰ
                           0x03AA, 0x03AB, 0x03CA, 0x03CB,                           // Ϊ Ϋ ϊ ϋ
                           0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03CC, 0x03CD, 0x03CE})  // ά έ ή ί ό ύ ώ
            chars << QChar(c);
        for (int i = 0; i < chars.size(); ++i) index.insert(chars.at(i).unicode(), i);
    }
};

const Alphabet& alphabet() {
    static const Alphabet a;
    return a;
}
}  // namespace

QString Scrambler::Transform(const QString& text, int key, bool scramble, int reserved) const {
    const Alphabet& a = alphabet();
    const quint32 n = quint32(a.chars.size());
    // A key-seeded sequence gives each position its own shift; the shift is never 0, so every letter moves.
    quint32 state = quint32(key) * 2654435761u ^ 0x5bd1e995u;
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const auto found = a.index.constFind(out.at(i).unicode());
        if (found == a.index.constEnd()) continue;
        const quint32 shift = 1 + (state >> 8) % (n - 1);
        const quint32 from = quint32(*found);
        const quint32 to = scramble ? (from + shift) % n : (from + n - shift) % n;
        out[i] = a.chars.at(int(to));
    }
    return out;
}
