#include "link/minimum_list.h"

MinimumList::MinimumList() {
    AllClear();
}

int MinimumList::GetNewSubscripts() {
    const int i = GetMinEmptySubscripts();
    if (i >= 0) {
        m_used[i] = true;
        return i;
    }
    ++m_max;
    m_used.push_back(true);
    return m_max;
}

bool MinimumList::ReleaseSubscripts(int i) {
    if (i <= 0 || i > m_max || !m_used[i]) return true;
    m_used[i] = false;
    if (i == m_max) {
        // Slot 0 is always in use, so this stops there at the latest.
        while (!m_used[m_max])
            --m_max;
        m_used.resize(m_max + 1);
    }
    return false;
}

void MinimumList::AllClear() {
    m_max = 0;
    m_used.assign(1, true);
}

bool MinimumList::UseCheck(int i) const {
    if (i < 0 || i > m_max) return false;
    return m_used[i];
}

int MinimumList::GetMinEmptySubscripts() const {
    for (int i = 0; i <= m_max; ++i) {
        if (!m_used[i]) return i;
    }
    return -1;
}
