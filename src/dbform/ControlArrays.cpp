#include "ControlArrays.h"

#include <algorithm>

#include "ControlArray.h"
#include "ControlNames.h"

namespace {
QString keyOf(const QString& name) {
    return name.trimmed().toCaseFolded();
}
}  // namespace

ControlArrays::Entry* ControlArrays::entry(const QString& arrayName, bool create) {
    const QString key = keyOf(arrayName);
    auto it = m_entries.find(key);
    if (it != m_entries.end()) return &it.value();
    if (!create || key.isEmpty()) return nullptr;
    m_order << key;
    Entry& e = m_entries[key];
    e.name = arrayName.trimmed();
    return &e;
}

const ControlArrays::Entry* ControlArrays::entry(const QString& arrayName) const {
    auto it = m_entries.constFind(keyOf(arrayName));
    return it == m_entries.cend() ? nullptr : &it.value();
}

void ControlArrays::add(const ControlArrayBase& array) {
    if (Entry* e = entry(array.name(), true)) e->array = &array;
}

void ControlArrays::add(const QString& arrayName, int index, QWidget* w) {
    Entry* e = entry(arrayName, w != nullptr);
    if (!e) return;
    if (!w) {
        e->loose.remove(index);
        return;
    }
    named(w, ControlArrayBase::memberName(e->name, index));
    e->loose.insert(index, w);
}

QWidget* ControlArrays::find(const QString& arrayName, int index) const {
    const Entry* e = entry(arrayName);
    if (!e) return nullptr;
    if (QWidget* w = e->loose.value(index).data()) return w;
    return e->array ? e->array->widget(index) : nullptr;
}

bool ControlArrays::contains(const QString& arrayName) const {
    return entry(arrayName) != nullptr;
}

QList<int> ControlArrays::indexes(const QString& arrayName) const {
    const Entry* e = entry(arrayName);
    if (!e) return {};
    QList<int> out = e->array ? e->array->indexes() : QList<int>();
    for (auto it = e->loose.cbegin(); it != e->loose.cend(); ++it)
        if (it.value() && !out.contains(it.key())) out << it.key();
    std::sort(out.begin(), out.end());
    return out;
}

QStringList ControlArrays::names() const {
    QStringList out;
    for (const QString& key : m_order) out << m_entries.value(key).name;
    return out;
}
