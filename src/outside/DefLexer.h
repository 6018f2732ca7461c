#pragma once

#include <QColor>
#include <QList>
#include <QString>

// The lexis shared by the record-form scripts and the report layouts: directives ("#name") with
// item lists in braces, items "key = value" or bare, comments from an apostrophe outside quotes.
namespace DefLexer {

struct Value {
    enum Kind {
        Empty,     // nothing after "="
        Text,      // "quoted text" (text holds it without the quotes)
        Word,      // a bare word or an unquoted column name
        Number,    // 0, 9, 800, 1.3
        Unit,      // 20%, 10mm, 7cm, 1.3L (number and unit)
        Relative,  // +n
        Absolute,  // #n
        Colour,    // (r:g:b)
        Constant,  // $name (text holds the name without "$")
        Builtin,   // [name] (text holds the name without brackets)
        MacroRef,  // $$name (bare items of layouts; text holds the name without "$$")
        Filler,    // "..." or "...." bare filler bodies
    };
    Kind kind = Empty;
    QString raw;   // as written, trimmed of blanks
    QString text;  // see Kind; the raw text for the kinds that say nothing
    double number = 0;
    QString unit;  // "%", "mm", "cm", "L" (as written in lower case except "L")
    QColor colour;
};

struct Item {
    QString key;  // as written; empty for a bare item
    Value value;
    int line = 0;  // 1-based line where the item starts
    bool bare() const { return key.isEmpty(); }
};

struct Directive {
    QString keyword;  // with its "#", spelled as written
    QList<Item> items;
    int line = 0;
    // The first item with this key (case-insensitive); nullptr when absent or key is empty.
    const Item* find(const QString& key) const;
    // The value's text of find(key), or fallback when absent.
    QString text(const QString& key, const QString& fallback = QString()) const;
};

struct Document {
    QList<Directive> directives;
};

// Reads a whole text. Text before the first directive that is not a comment (a prefix) is skipped.
// On malformed input (an unclosed brace or quote, a directive without its list) returns false and
// sets *error (when given) to a message "line N: ..."; out then holds nothing. *error is cleared on
// success.
bool Parse(const QString& source, Document& out, QString* error);

// Classifies one value as written.
Value ParseValue(const QString& raw);

}  // namespace DefLexer
