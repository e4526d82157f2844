// The latest samples of a stream, kept as floats with their absolute sample
// numbers, so that decisions and eye folding can look back across the
// boundaries of AMI_GetWave blocks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace linksim {

class WaveTail {
public:
    explicit WaveTail(size_t capacity) : m_ring(std::max<size_t>(capacity, 1)) {}

    // Appends the next n samples of the stream.
    void Push(const double* w, size_t n)
    {
        const size_t cap = m_ring.size();
        if (n > cap) {  // only the last cap samples stay
            m_end += n - cap;
            w += n - cap;
            n = cap;
        }
        size_t at = m_end % cap;
        m_end += n;
        while (n > 0) {
            const size_t run = std::min(n, cap - at);
            for (size_t i = 0; i < run; ++i) m_ring[at + i] = static_cast<float>(w[i]);
            w += run;
            n -= run;
            at = 0;
        }
    }

    // Sample numbers [First(), End()) are held.
    int64_t First() const { return static_cast<int64_t>(m_end > m_ring.size() ? m_end - m_ring.size() : 0); }
    int64_t End() const { return static_cast<int64_t>(m_end); }
    bool Has(int64_t i) const { return i >= First() && i < End(); }
    float At(int64_t i) const { return m_ring[static_cast<size_t>(i) % m_ring.size()]; }

    // Copies samples [from, End()) in order (from is raised to First()).
    std::vector<float> CopyFrom(int64_t from) const
    {
        from = std::max(from, First());
        std::vector<float> out;
        if (from >= End()) return out;
        out.reserve(static_cast<size_t>(End() - from));
        for (int64_t i = from; i < End(); ++i) out.push_back(At(i));
        return out;
    }

private:
    std::vector<float> m_ring;
    size_t m_end = 0;
};

}  // namespace linksim
