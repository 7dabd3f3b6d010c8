#pragma once

#include <vector>

// Hands out slot numbers for a server's client sockets: always the lowest free one, so numbers
// stay small and are reused. Slot 0 belongs to the listening socket and is never handed out or
// released. Boolean results follow the link's convention: false = done, true = refused.
class MinimumList {
public:
    MinimumList();

    // Marks the lowest free slot in use (growing the table by one when none is free) and returns it.
    int GetNewSubscripts();
    // Frees slot i. Freeing the highest slot also drops every free slot below it from the table.
    bool ReleaseSubscripts(int i);
    // Back to the initial state: only slot 0, in use.
    void AllClear();
    int GetMaxSubscripts() const { return m_max; }
    // True when slot i is in use; false for any number outside 0..Max.
    bool UseCheck(int i) const;

private:
    // Lowest free slot in 0..Max, or -1 when every slot is taken.
    int GetMinEmptySubscripts() const;

    int m_max = 0;
    std::vector<bool> m_used; // always m_max + 1 entries
};
