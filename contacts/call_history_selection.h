#pragma once

namespace zuvo {

// The call-history dialog's selection: ten rows (keys "1".."9", "10") over the history's first
// entries. Plain logic; the dialog widget shows it and the handset steers it.
class CallHistorySelection {
public:
    static constexpr int kRows = 10;

    // On opening: row 0 selected when the history has entries, else none.
    void Open(int count);
    // Digit 1..9 selects row digit - 1, 0 selects row 9, when that row holds an entry. True
    // when the selection changed.
    bool SelectDigit(int digit);
    // One row up (-1) or down (+1) within the ten rows. True when the selection changed.
    bool Move(int delta);
    void Select(int row);                        // from the list view itself
    int Selected() const { return m_selected; }  // -1 when none
    // The selected entry's index when it holds an entry, else -1.
    int SelectedEntry() const { return m_selected >= 0 && m_selected < m_count ? m_selected : -1; }

private:
    int m_count = 0;
    int m_selected = -1;
};

}  // namespace zuvo
