// WindowMemo: the transmitter filter's output remembered per window content.
//
// The de-emphasis filter's input is the bank input A * sgn x: three values
// at most, and in a link piecewise constant (one value per bit, or per part
// of a bit when the edges are jittered). The filter's output at a sample is
// a deterministic function of the last `span` inputs (its taps' window), and
// a stream of bits shows the same windows again and again: the same bit
// pattern at the same phase. WindowMemo names each window exactly and keeps
// the output computed for it, so that a window seen before costs a look-up
// instead of a lane sum of `span` products, with the very same bits.
//
// How a window is named. Push records every input (its bit pattern, so +0
// and -0, or two NaNs, are told apart) and the edges: the inputs that differ
// from the one before. An edge pushed at time t is visible while both t and
// t - 1 lie in the window, i.e. while its age (newest time - t) <= span - 2.
// The window is then fully described by the newest input and, for each
// visible edge from the newest on, the input before it and its age. The
// key of a window is that description with the ages taken relative to the
// newest edge (`pattern`: the newest input, and per edge the input before
// it and its distance to the newest edge), plus the age a0 of the newest
// edge. The pattern changes only when an edge enters or leaves the window;
// between those a0 grows by one per sample. A window without visible edges
// holds one value throughout (pattern with no edges, a0 = 0). Windows with
// equal keys hold equal inputs, so their outputs are equal bit for bit.
//
// Limits. At most kMaxEdges visible edges are tracked: a window with more
// (a stimulus changing at nearly every sample) is not named (Slot returns
// null) until the dropped edge has left it. The patterns are numbered in a
// table of a fixed size chosen by Allocate from a byte budget; when it is
// full it is emptied and filled again, so a run whose windows keep changing
// (random jitter on every edge) spends little on it and one whose patterns
// drift slowly keeps the recent ones.
//
// Lifecycle: Allocate takes all memory (the window at rest: every input +0,
// no edges); Push, Slot and Store allocate nothing; Forget drops the
// remembered outputs (the taps changed) but keeps the edges; Release frees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

class WindowMemo {
public:
    static constexpr size_t kMaxEdges = 16;

    // span: the filter's tap count (>= 1); budgetBytes: memory for the
    // outputs and the pattern table.
    void Allocate(size_t span, size_t budgetBytes);
    void Release();
    bool Allocated() const { return m_pdValues != nullptr; }
    size_t Span() const { return m_iSpan; }
    // Forgets every remembered output; the window's description stays.
    void Forget();

    void Push(double x)
    {
        uint64_t b;
        std::memcpy(&b, &x, sizeof b);
        ++m_iTime;
        if (b != m_iNewest) AddEdge(b);
        // The oldest edge leaves once its age exceeds span - 2.
        while (m_iEdges > 0 && m_iTime - m_Edges[Oldest()].time + 2 > m_iSpan) {
            m_iFirst = (m_iFirst + 1) % kMaxEdges;
            --m_iEdges;
            m_bPatternStale = true;
        }
    }

    // The output slot of the current window, or null when the window cannot
    // be named; `known` tells whether it holds an output stored earlier.
    double* Slot(bool& known)
    {
        if (m_iTime < m_iBlindUntil) return nullptr;
        if (m_bPatternStale) FindPattern();
        if (m_iPattern < 0) return nullptr;
        const size_t a0 = m_iEdges > 0 ? static_cast<size_t>(m_iTime - m_Edges[Newest()].time) : 0;
        m_iSlot = static_cast<size_t>(m_iPattern) * m_iSlotsPerPattern + a0;
        known = m_pbKnown[m_iSlot] != 0;
        m_iHits += known;
        return &m_pdValues[m_iSlot];
    }
    // Marks the slot last given by Slot as holding its output.
    void Stored() { m_pbKnown[m_iSlot] = 1; }

    // Counts for tests and benchmarks: patterns numbered now, times the
    // table was emptied because it was full, and windows found remembered
    // (since Allocate).
    size_t Patterns() const { return m_iPatterns; }
    size_t Refills() const { return m_iRefills; }
    uint64_t Hits() const { return m_iHits; }

private:
    struct Edge {
        uint64_t time;    // when the new input was pushed
        uint64_t before;  // the input before it (bits)
    };
    struct Pattern {
        uint64_t newest;
        uint32_t edges;
        uint64_t before[kMaxEdges];
        uint64_t distance[kMaxEdges];  // newest edge's time - this edge's time
    };

    size_t Newest() const { return (m_iFirst + m_iEdges - 1) % kMaxEdges; }
    size_t Oldest() const { return m_iFirst; }
    void AddEdge(uint64_t b);
    void MakeKey(Pattern& key) const;
    void FindPattern();
    void Empty();

    size_t m_iSpan = 0;
    uint64_t m_iTime = 0;        // pushes since Allocate
    uint64_t m_iNewest = 0;      // bits of the newest input
    Edge m_Edges[kMaxEdges] = {};
    size_t m_iFirst = 0;         // ring position of the oldest tracked edge
    size_t m_iEdges = 0;         // tracked (visible) edges
    uint64_t m_iBlindUntil = 0;  // windows before this time hold an untracked edge
    bool m_bPatternStale = true;
    int64_t m_iPattern = -1;
    size_t m_iSlot = 0;

    size_t m_iSlotsPerPattern = 0;
    size_t m_iMaxPatterns = 0;
    size_t m_iPatterns = 0;
    size_t m_iRefills = 0;
    uint64_t m_iHits = 0;
    std::unique_ptr<double[]> m_pdValues;
    std::unique_ptr<uint8_t[]> m_pbKnown;
    std::unique_ptr<Pattern[]> m_Patterns;
    std::unique_ptr<int32_t[]> m_piTable;  // open addressing: pattern numbers, -1 empty
    size_t m_iTableMask = 0;
};
