#include "BoundControl.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextEdit>

#include "DBHelper.h"
#include "DateBox.h"
#include "NumBox.h"
#include "StrHelper.h"

namespace BoundControl {

namespace {

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return false;
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    if (okA && okB) return x == y;
    return a.toString() == b.toString();
}

// A label's text for a value: dates in the given format (dd/MM/yyyy by default), numbers plainly.
QString labelText(const QVariant& value, const QString& format) {
    if (value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(format.isEmpty() ? QStringLiteral("dd/MM/yyyy") : format);
        case QMetaType::QDateTime:
            return value.toDateTime().toString(format.isEmpty() ? QStringLiteral("dd/MM/yyyy HH:mm:ss")
                                                                : format);
        default:
            return DBHelper::ValueText(value);
    }
}

// Keeps a plain-text edit within its length: typing and pasting are cut at the limit.
void limitPlainText(QPlainTextEdit* e, int length) {
    e->setProperty("maxLength", length);
    static const char* kConnected = "maxLengthConnected";
    if (e->property(kConnected).toBool()) return;
    e->setProperty(kConnected, true);
    QObject::connect(e, &QPlainTextEdit::textChanged, e, [e] {
        const int max = e->property("maxLength").toInt();
        const QString text = e->toPlainText();
        if (max <= 0 || text.size() <= max) return;
        QTextCursor c = e->textCursor();
        const int pos = qMin(c.position(), max);
        e->setPlainText(text.left(max));
        c = e->textCursor();
        c.setPosition(pos);
        e->setTextCursor(c);
    });
}

}  // namespace

QVariant Value(const QWidget* w) {
    if (auto* d = qobject_cast<const DateBox*>(w)) return d->Value();
    if (auto* n = qobject_cast<const NumBox*>(w)) return n->Value();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* e = qobject_cast<const QPlainTextEdit*>(w)) return e->toPlainText();
    if (auto* e = qobject_cast<const QTextEdit*>(w)) return e->toPlainText();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentIndex() < 0 ? QVariant() : c->itemData(c->currentIndex());
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text().isEmpty() ? QVariant() : QVariant(l->text());
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->isCheckable() ? QVariant(b->isChecked() ? 1 : 0) : QVariant();
    return {};
}

void SetValue(QWidget* w, const QVariant& value, const QString& format) {
    if (auto* d = qobject_cast<DateBox*>(w)) return d->SetValue(value);
    if (auto* n = qobject_cast<NumBox*>(w)) return n->SetValue(value);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setText(DBHelper::ValueText(value));
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->setPlainText(DBHelper::ValueText(value));
    if (auto* e = qobject_cast<QTextEdit*>(w)) return e->setPlainText(DBHelper::ValueText(value));
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        int found = -1;
        for (int i = 0; i < c->count() && found < 0; ++i)
            if (sameValue(c->itemData(i), value)) found = i;
        c->setCurrentIndex(found);
        return;
    }
    if (auto* l = qobject_cast<QLabel*>(w)) return l->setText(labelText(value, format));
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->isCheckable()) b->setChecked(!value.isNull() && value.toDouble() != 0);
    }
}

bool IsEmpty(const QWidget* w) {
    if (auto* d = qobject_cast<const DateBox*>(w)) return !d->HasDate();
    if (auto* l = qobject_cast<const QListWidget*>(w)) return l->selectedItems().isEmpty();
    const QVariant v = Value(w);
    if (v.isNull()) return true;
    if (v.typeId() == QMetaType::QString) return v.toString().trimmed().isEmpty();
    return false;
}

bool HasBadDate(const QWidget* w) {
    auto* d = qobject_cast<const DateBox*>(w);
    if (!d || d->HasDate()) return false;
    QString digits = d->text();
    digits.remove(QLatin1Char('/')).remove(QLatin1Char('_'));
    return !digits.trimmed().isEmpty();
}

void Clear(QWidget* w) {
    if (auto* d = qobject_cast<DateBox*>(w)) return d->SetValue(QVariant());
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->clear();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->clear();
    if (auto* e = qobject_cast<QTextEdit*>(w)) return e->clear();
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(-1);
        if (c->isEditable()) c->clearEditText();
        return;
    }
    if (auto* l = qobject_cast<QListWidget*>(w)) return l->clearSelection();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->clear();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->isCheckable()) b->setChecked(false);
    }
}

void SetLocked(QWidget* w, bool locked) {
    if (!w) return;
    w->setProperty("locked", locked);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setReadOnly(locked);
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->setReadOnly(locked);
    if (auto* e = qobject_cast<QTextEdit*>(w)) return e->setReadOnly(locked);
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        // The list keeps showing (and the program keeps setting) its selection; only the user's
        // clicks and keys are kept out. Scrolling still works.
        l->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents, locked);
        if (locked) {
            if (l->focusPolicy() != Qt::NoFocus) l->setProperty("unlockedFocusPolicy", int(l->focusPolicy()));
            l->setFocusPolicy(Qt::NoFocus);
        } else {
            const QVariant policy = l->property("unlockedFocusPolicy");
            l->setFocusPolicy(policy.isValid() ? Qt::FocusPolicy(policy.toInt()) : Qt::StrongFocus);
        }
        return;
    }
    if (qobject_cast<QComboBox*>(w) ||
        (qobject_cast<QAbstractButton*>(w) && static_cast<QAbstractButton*>(w)->isCheckable()))
        w->setEnabled(!locked);
}

bool IsLocked(const QWidget* w) {
    return w && w->property("locked").toBool();
}

void SetMaxLength(QWidget* w, int length) {
    if (length <= 0) return;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (!qobject_cast<DateBox*>(w)) e->setMaxLength(length);
        return;
    }
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return limitPlainText(e, length);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->lineEdit()) c->lineEdit()->setMaxLength(length);
    }
}

void SetDigitsOnly(QWidget* w) {
    auto* e = qobject_cast<QLineEdit*>(w);
    if (!e || qobject_cast<DateBox*>(w)) return;
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
}

QString SqlLiteral(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("Null");
    switch (value.typeId()) {
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            return DBHelper::DateToSQL(value);
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Double:
        case QMetaType::Float:
            return DBHelper::ValueText(value);
        default:
            return StrHelper::SqlValue(value.toString());
    }
}

}  // namespace BoundControl
