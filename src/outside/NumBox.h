#pragma once

#include <QLineEdit>
#include <QVariant>

// A whole-number input that can be empty: Value() is null when empty, else a qlonglong.
class NumBox : public QLineEdit {
    Q_OBJECT
public:
    explicit NumBox(QWidget* parent = nullptr);
    QVariant Value() const;
    void SetValue(const QVariant& value);  // a null value empties the box
};
