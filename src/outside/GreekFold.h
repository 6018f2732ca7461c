#pragma once

#include <QString>
#include <QStringView>

// Case- and accent-insensitive folding of Greek and Latin text, through a table built once:
// decompose, drop combining marks, fold case, final sigma as sigma.
namespace GreekFold {
// The folded character; 0 for one that folds away (a combining mark, NUL).
char16_t foldChar(char16_t c);
QString fold(QStringView text);
// Three-way comparison of the folded texts (<0, 0, >0).
int compare(QStringView a, QStringView b);
// SQL LIKE on folded texts: % any run, _ one character, escape (when not null) makes the next literal.
bool likeMatch(QStringView pattern, QStringView text, QChar escape = QChar());
// The same on UTF-8 texts (SQLite's own encoding), without turning them into UTF-16 first.
int compareUtf8(const char* a, qsizetype bytesA, const char* b, qsizetype bytesB);
bool likeMatchUtf8(const char* pattern, qsizetype patternBytes, const char* text, qsizetype textBytes,
                   char16_t escape, bool hasEscape);
// The UTF-16 length of a UTF-8 text, and its first code unit.
qsizetype utf16Length(const char* text, qsizetype bytes, char16_t* first);
}  // namespace GreekFold
