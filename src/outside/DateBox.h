#pragma once

#include <QDate>
#include <QLineEdit>
#include <QVariant>

// A date input that can be empty: typed as dd/mm/yyyy; Value() is null when empty or not a date.
class DateBox : public QLineEdit {
    Q_OBJECT
public:
    explicit DateBox(QWidget* parent = nullptr);
    QVariant Value() const;
    void SetValue(const QVariant& value);  // a null value empties the box
    bool HasDate() const { return !Value().isNull(); }
};
