#include "models/tx/WindowMemo.h"

#include <algorithm>

namespace {

uint64_t Mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    return h ^ (h >> 32);
}

}  // namespace

void WindowMemo::Allocate(size_t span, size_t budgetBytes)
{
    Release();
    m_iSpan = span < 1 ? 1 : span;
    m_iSlotsPerPattern = m_iSpan > 2 ? m_iSpan - 1 : 1;
    // Per pattern: its outputs with their marks, its key, two table entries.
    const size_t perPattern = m_iSlotsPerPattern * (sizeof(double) + 1) + sizeof(Pattern) + 2 * sizeof(int32_t);
    m_iMaxPatterns = std::max<size_t>(1, std::min<size_t>(budgetBytes / perPattern, size_t(1) << 20));
    size_t table = 2;
    while (table < 2 * m_iMaxPatterns) table *= 2;
    m_iTableMask = table - 1;
    m_pdValues.reset(new double[m_iMaxPatterns * m_iSlotsPerPattern]);
    m_pbKnown.reset(new uint8_t[m_iMaxPatterns * m_iSlotsPerPattern]());
    m_Patterns.reset(new Pattern[m_iMaxPatterns]);
    m_piTable.reset(new int32_t[table]);
    std::fill(m_piTable.get(), m_piTable.get() + table, -1);
    m_iTime = 0;
    m_iNewest = 0;  // +0: the filter's history at rest
    m_iFirst = m_iEdges = 0;
    m_iBlindUntil = 0;
    m_bPatternStale = true;
    m_iPattern = -1;
    m_iPatterns = m_iRefills = 0;
    m_iHits = 0;
}

void WindowMemo::Release()
{
    m_pdValues.reset();
    m_pbKnown.reset();
    m_Patterns.reset();
    m_piTable.reset();
    m_iSpan = m_iSlotsPerPattern = m_iMaxPatterns = m_iPatterns = 0;
    m_iEdges = m_iFirst = 0;
    m_iPattern = -1;
    m_bPatternStale = true;
}

void WindowMemo::Empty()
{
    if (!Allocated()) return;
    std::memset(m_pbKnown.get(), 0, m_iPatterns * m_iSlotsPerPattern);
    std::fill(m_piTable.get(), m_piTable.get() + m_iTableMask + 1, -1);
    m_iPatterns = 0;
    m_iPattern = -1;
    m_bPatternStale = true;
}

void WindowMemo::Forget() { Empty(); }

void WindowMemo::AddEdge(uint64_t b)
{
    if (m_iEdges == kMaxEdges) {
        // The oldest edge is no longer tracked: windows that still hold it
        // are not named.
        const uint64_t gone = m_Edges[Oldest()].time + m_iSpan - 1;
        m_iBlindUntil = std::max(m_iBlindUntil, gone);
        m_iFirst = (m_iFirst + 1) % kMaxEdges;
        --m_iEdges;
    }
    m_Edges[(m_iFirst + m_iEdges) % kMaxEdges] = Edge{m_iTime, m_iNewest};
    ++m_iEdges;
    m_iNewest = b;
    m_bPatternStale = true;
}

void WindowMemo::MakeKey(Pattern& key) const
{
    std::memset(&key, 0, sizeof key);
    key.newest = m_iNewest;
    key.edges = static_cast<uint32_t>(m_iEdges);
    if (m_iEdges == 0) return;
    const uint64_t t0 = m_Edges[Newest()].time;
    for (size_t k = 0; k < m_iEdges; ++k) {
        const Edge& e = m_Edges[(m_iFirst + m_iEdges - 1 - k) % kMaxEdges];
        key.before[k] = e.before;
        key.distance[k] = t0 - e.time;
    }
}

// Numbers the current pattern: finds it in the table, or enters it (after
// emptying the table when it is full).
void WindowMemo::FindPattern()
{
    m_bPatternStale = false;
    m_iPattern = -1;
    Pattern key;
    MakeKey(key);
    uint64_t h = Mix(key.newest, key.edges);
    for (uint32_t k = 0; k < key.edges; ++k) h = Mix(Mix(h, key.before[k]), key.distance[k]);
    size_t at = static_cast<size_t>(h) & m_iTableMask;
    for (;; at = (at + 1) & m_iTableMask) {
        const int32_t id = m_piTable[at];
        if (id < 0) break;
        if (std::memcmp(&m_Patterns[static_cast<size_t>(id)], &key, sizeof key) == 0) {
            m_iPattern = id;
            return;
        }
    }
    if (m_iPatterns == m_iMaxPatterns) {
        Empty();
        m_bPatternStale = false;
        ++m_iRefills;
        at = static_cast<size_t>(h) & m_iTableMask;
    }
    const int32_t id = static_cast<int32_t>(m_iPatterns++);
    std::memcpy(&m_Patterns[static_cast<size_t>(id)], &key, sizeof key);  // padding included
    m_piTable[at] = id;
    m_iPattern = id;
}
