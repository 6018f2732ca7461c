#include "Adodc.h"

#include <algorithm>

Adodc::Adodc(QObject* parent) : QObject(parent) {}

void Adodc::setRecordset(std::shared_ptr<ListRecordset> rs, int position, long reason) {
    m_rs = std::move(rs);
    m_pos = RecordCount() > 0 ? std::clamp(position, 1, RecordCount()) : 0;
    moved(reason);
}

void Adodc::SetAbsolutePosition(int position, long reason) {
    const int count = RecordCount();
    if (count == 0) {
        m_pos = 0;
    } else {
        m_pos = std::clamp(position, 1, count);
    }
    moved(reason);
}

QVariant Adodc::CurrentKey() const {
    return m_pos > 0 && m_rs ? m_rs->key(m_pos - 1) : QVariant();
}

void Adodc::moved(long reason) {
    if (!MoveComplete) return;
    long status = adStatusOK;
    MoveComplete(reason, &Err(), status, m_rs.get());
}
