#pragma once

#include <QString>

// A reversible transform of short texts, keyed by a number (a character code for passwords).
// Only printable characters are moved, and only onto printable characters: it never makes a tab or
// a line break, and Greek letters stay Greek letters.
class Scrambler {
public:
    QString Transform(const QString& text, int key, bool scramble, int reserved = 0) const;
};
