#include "contacts/call_history_selection.h"

#include <algorithm>

namespace zuvo {

void CallHistorySelection::Open(int count) {
    m_count = std::max(count, 0);
    m_selected = m_count > 0 ? 0 : -1;
}

bool CallHistorySelection::SelectDigit(int digit) {
    if (digit < 0 || digit > 9)
        return false;
    const int rowNumber = digit == 0 ? 10 : digit;
    if (rowNumber > m_count)
        return false;
    const int old = m_selected;
    m_selected = rowNumber - 1;
    return old != m_selected;
}

bool CallHistorySelection::Move(int delta) {
    const int old = m_selected;
    m_selected =
        std::clamp(m_selected < 0 ? (delta > 0 ? 0 : -1) : m_selected + delta, -1, kRows - 1);
    if (m_selected < 0)
        m_selected = old < 0 ? -1 : 0;
    return old != m_selected;
}

void CallHistorySelection::Select(int row) {
    m_selected = row >= 0 && row < kRows ? row : -1;
}

}  // namespace zuvo
