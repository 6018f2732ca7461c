#include "Adodc.h"

#include <algorithm>

Adodc::Adodc(QObject* parent) : QObject(parent) {}

void Adodc::setRecordset(std::shared_ptr<ListRecordset> rs, int position, long reason) {
    m_rs = std::move(rs);
    // A position among the first rows needs no more of the list than they.
    const int count = !m_rs ? 0 : position <= m_rs->rowsAvailable() ? m_rs->rowsAvailable() : RecordCount();
    m_pos = count > 0 ? std::clamp(position, 1, count) : 0;
    moved(reason);
}

bool Adodc::HasNext() const {
    if (!m_rs || m_pos <= 0) return false;
    return m_pos < m_rs->rowsAvailable() || m_pos < RecordCount();
}

void Adodc::SetAbsolutePosition(int position, long reason) {
    const int count = !m_rs ? 0 : position >= 1 && position <= m_rs->rowsAvailable() ? m_rs->rowsAvailable() : RecordCount();
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
