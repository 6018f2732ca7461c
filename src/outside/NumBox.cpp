#include "NumBox.h"

#include <QRegularExpressionValidator>

NumBox::NumBox(QWidget* parent) : QLineEdit(parent) {
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,18}")), this));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QVariant NumBox::Value() const {
    bool ok = false;
    const qlonglong n = text().trimmed().toLongLong(&ok);
    return ok ? QVariant(n) : QVariant();
}

void NumBox::SetValue(const QVariant& value) {
    bool ok = false;
    const double n = value.isNull() ? 0 : value.toDouble(&ok);
    if (ok)
        setText(QString::number(qlonglong(n)));
    else
        clear();
}
