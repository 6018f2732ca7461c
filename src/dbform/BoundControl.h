#pragma once

#include <QString>
#include <QVariant>

class QWidget;

// What the framework does to a control whatever its kind: line and text edits, DateBox, NumBox,
// combo boxes (the value is the current item's data), list widgets, labels, check boxes.
namespace BoundControl {

// Text boxes give their text ("" when empty); DateBox a QDate or null; NumBox a number or null;
// combos the current item's data or null without a current item; labels their text, null when
// empty; check boxes 1 or 0. Null for other kinds.
QVariant Value(const QWidget* w);
// Shows a column's value; format is a display format for labels ("dd/MM/yyyy HH:mm:ss").
// A combo selects the item whose data equals the value (numbers compared as numbers), or none.
void SetValue(QWidget* w, const QVariant& value, const QString& format = QString());
// Empty text, no date, no number, no current item, no selected item.
bool IsEmpty(const QWidget* w);
// A DateBox with typed characters that make no date.
bool HasBadDate(const QWidget* w);
void Clear(QWidget* w);

// Input kinds only: text boxes become read-only, combos and check boxes disabled, lists take no
// clicks or keys (what is selected stays shown). Labels and buttons are left alone.
void SetLocked(QWidget* w, bool locked);
bool IsLocked(const QWidget* w);

// Input limits from the form script: the most characters; digits only.
void SetMaxLength(QWidget* w, int length);
void SetDigitsOnly(QWidget* w);

// A value as an SQL literal for the column's assignment: texts through StrHelper.SqlValue, dates
// through DBHelper.DateToSQL, numbers in plain decimal, "Null" for a null value.
QString SqlLiteral(const QVariant& value);

}  // namespace BoundControl
