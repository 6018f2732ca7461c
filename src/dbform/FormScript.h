#pragma once

#include <QFlags>
#include <QList>
#include <QString>

#include "DefLexer.h"

// One record form's script read into a model: the form, its controls in the order written, and the
// list page's grid. Keys compare without regard to case; keywords are matched as spelled.
class FormScript {
public:
    enum class Page { Record, Search };

    // The tag letters; letters outside these are kept in Control::tag and otherwise ignored.
    enum Tag {
        TagF = 0x01,  // required: the record is not saved while the control is empty
        TagM = 0x02,  // managed by the form: never written into the row
        TagH = 0x04,  // holds a column's value out of sight
        TagS = 0x08,  // the framework builds this search box's condition
        TagX = 0x10,  // no behaviour relied on
    };
    Q_DECLARE_FLAGS(Tags, Tag)

    struct Form {
        QString caption, table, key;
        int line = 0;                  // 0: the script has no #form
        QList<DefLexer::Item> others;  // keys beyond caption, table and Key
    };

    struct Control {
        QString directive;  // "#tEdit"
        QString arrayName;  // "txtEdit": the form's control array it binds
        Page page = Page::Record;
        int index = 0;
        QString field;  // empty: bound to nothing
        QString caption;
        int len = 0;  // 0: no limit given
        QString tag;  // as written
        Tags tags;
        QString format;  // a display format, or "9"
        int line = 0;
        QList<DefLexer::Item> others;

        bool bound() const { return !field.isEmpty(); }
        bool required() const { return tags.testFlag(TagF); }
        bool notWritten() const { return tags.testFlag(TagM); }
        bool hidden() const { return tags.testFlag(TagH); }
        bool frameworkSearch() const { return tags.testFlag(TagS); }
        bool digitsOnly() const { return format == QLatin1String("9"); }
        // Saving writes its value into the row.
        bool written() const { return bound() && !notWritten(); }
    };

    struct GridSettings {
        QString unit;  // "T": twips
        int line = 0;  // 0: no #Gridset
        QList<DefLexer::Item> others;
    };

    struct GridColumn {
        QString field, caption;
        int width = -1;  // -1: no W given
        int line = 0;
        QList<DefLexer::Item> others;
        bool visible() const { return width != 0; }
    };

    // Reads a script. On a malformed text (the lexer's message), a control directive without a whole
    // index >= 0, an index used twice in one array, or a len or W that is not a whole number >= 0,
    // returns false with *error "line N: ..." and leaves out empty.
    static bool Parse(const QString& text, FormScript& out, QString* error);

    static Tags ParseTags(const QString& letters);
    // The control array a directive binds ("#tbEdit" -> "tbEdit"), empty for a non-control keyword.
    static QString ArrayNameOf(const QString& keyword);
    // The control that #GridCol columns belong to.
    static QString GridName() { return QStringLiteral("tdbg"); }

    const Form& form() const { return m_form; }
    const QList<Control>& controls() const { return m_controls; }
    const GridSettings& gridSettings() const { return m_grid; }
    const QList<GridColumn>& gridColumns() const { return m_columns; }
    // Directives the reader does not know, kept as read.
    const QList<DefLexer::Directive>& others() const { return m_others; }

    // The control bound to a member of an array (name without regard to case), nullptr when none.
    const Control* find(const QString& arrayName, int index) const;

private:
    Form m_form;
    QList<Control> m_controls;
    GridSettings m_grid;
    QList<GridColumn> m_columns;
    QList<DefLexer::Directive> m_others;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(FormScript::Tags)
