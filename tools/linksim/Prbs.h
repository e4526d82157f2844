// Pseudo-random binary sequences of the ITU-T O.150 family.
//
// PRBS7  x^7  + x^6  + 1      period 127
// PRBS15 x^15 + x^14 + 1      period 32767
// PRBS23 x^23 + x^18 + 1      period 8388607
// PRBS31 x^31 + x^28 + 1      period 2147483647
//
// The generator is a Fibonacci shift register holding the last n bits; each
// step emits b[k] = b[k-n] xor b[k-t] (t the inner tap) and shifts it in, so
// from the all-ones state PRBS7 begins 1111111 0000001 0000011 ... after the
// seed bits: the seed itself is the first n bits of the sequence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linksim {

class Prbs {
public:
    // order: 7, 15, 23 or 31. seed: the first `order` bits, oldest in the
    // most significant of the low `order` bits; 0 (not a valid state) is
    // replaced by all ones. Throws std::invalid_argument for another order.
    explicit Prbs(int order, uint32_t seed = 0);

    int Order() const { return m_order; }
    uint64_t Period() const { return (uint64_t{1} << m_order) - 1; }

    // The next bit of the sequence (0 or 1).
    int Next()
    {
        const uint32_t bit = m_state >> (m_order - 1) & 1u;
        const uint32_t fb = (m_state >> (m_order - 1) ^ m_state >> (m_tap - 1)) & 1u;
        m_state = ((m_state << 1) | fb) & m_mask;
        return static_cast<int>(bit);
    }

    // Fills bits[0..n) with the next n bits.
    void Fill(uint8_t* bits, size_t n)
    {
        for (size_t i = 0; i < n; ++i) bits[i] = static_cast<uint8_t>(Next());
    }

    static bool ValidOrder(int order) { return order == 7 || order == 15 || order == 23 || order == 31; }

private:
    int m_order;
    int m_tap;
    uint32_t m_mask;
    uint32_t m_state;
};

}  // namespace linksim
