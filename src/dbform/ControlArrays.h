#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class ControlArrayBase;

// The control arrays of one form, found by name (without regard to case) and index. Registered
// arrays are read live, so members set after registration are seen; they must outlive the registry.
class ControlArrays {
public:
    // Registers a whole array under its name; replaces an earlier array of that name.
    void add(const ControlArrayBase& array);
    // Adds one member (named "name(index)") to the loose members of arrayName; nullptr removes it.
    void add(const QString& arrayName, int index, QWidget* w);

    // The member, nullptr when the array or the index is unknown. Loose members win over a registered
    // array's member at the same index.
    QWidget* find(const QString& arrayName, int index) const;
    template <typename W>
    W* find(const QString& arrayName, int index) const {
        return qobject_cast<W*>(find(arrayName, index));
    }

    bool contains(const QString& arrayName) const;
    // The indexes of arrayName that hold a live member, ascending.
    QList<int> indexes(const QString& arrayName) const;
    // The names as first registered.
    QStringList names() const;

private:
    struct Entry {
        QString name;
        const ControlArrayBase* array = nullptr;
        QMap<int, QPointer<QWidget>> loose;
    };
    Entry* entry(const QString& arrayName, bool create);
    const Entry* entry(const QString& arrayName) const;

    QHash<QString, Entry> m_entries;  // by case-folded name
    QStringList m_order;              // case-folded names in order of registration
};
