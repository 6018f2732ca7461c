#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "ControlNames.h"

// What the framework sees of a form's control array: members by index, whatever their kind.
class ControlArrayBase {
public:
    virtual ~ControlArrayBase() = default;
    const QString& name() const { return m_name; }
    virtual QWidget* widget(int index) const = 0;
    virtual QList<int> indexes() const = 0;

    // "tbEdit(3)": the objectName and accessible description of a member.
    static QString memberName(const QString& arrayName, int index) {
        return arrayName + u'(' + QString::number(index) + u')';
    }

protected:
    explicit ControlArrayBase(QString name) : m_name(std::move(name)) {}
    // Copying would leave a registry pointing at the original.
    ControlArrayBase(const ControlArrayBase&) = delete;
    ControlArrayBase& operator=(const ControlArrayBase&) = delete;

private:
    QString m_name;
};

// A control array of one kind of widget: `tbEdit(3)` is `tbEdit[3]`. Members are not owned; one
// that is destroyed reads as absent.
template <typename W>
class ControlArray : public ControlArrayBase {
public:
    explicit ControlArray(QString name) : ControlArrayBase(std::move(name)) {}

    // The member at index, nullptr when none is set.
    W* operator[](int index) const { return m_members.value(index).data(); }

    // Sets (or with nullptr removes) a member and gives it its control name.
    void set(int index, W* w) {
        if (!w) {
            m_members.remove(index);
            return;
        }
        named(w, memberName(name(), index));
        m_members.insert(index, w);
    }

    QWidget* widget(int index) const override { return (*this)[index]; }

    // The indexes that hold a live member, ascending.
    QList<int> indexes() const override {
        QList<int> out;
        for (auto it = m_members.cbegin(); it != m_members.cend(); ++it)
            if (it.value()) out << it.key();
        return out;
    }

private:
    QMap<int, QPointer<W>> m_members;
};
