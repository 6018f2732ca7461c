#include "DateBox.h"

namespace {
const QString kFormat = QStringLiteral("dd/MM/yyyy");
}

DateBox::DateBox(QWidget* parent) : QLineEdit(parent) {
    setInputMask(QStringLiteral("99/99/9999;_"));
}

QVariant DateBox::Value() const {
    const QString digits = text().remove(QLatin1Char('/')).remove(QLatin1Char('_')).trimmed();
    if (digits.isEmpty()) return QVariant();
    const QDate d = QDate::fromString(text(), kFormat);
    return d.isValid() ? QVariant(d) : QVariant();
}

void DateBox::SetValue(const QVariant& value) {
    QDate d;
    if (value.metaType().id() == QMetaType::QDateTime)
        d = value.toDateTime().date();
    else if (!value.isNull())
        d = value.toDate();
    if (d.isValid())
        setText(d.toString(kFormat));
    else
        clear();
}
