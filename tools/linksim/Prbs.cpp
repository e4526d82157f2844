#include "linksim/Prbs.h"

#include <stdexcept>
#include <string>

namespace linksim {

Prbs::Prbs(int order, uint32_t seed) : m_order(order)
{
    switch (order) {
    case 7: m_tap = 6; break;
    case 15: m_tap = 14; break;
    case 23: m_tap = 18; break;
    case 31: m_tap = 28; break;
    default: throw std::invalid_argument("PRBS order must be 7, 15, 23 or 31, not " + std::to_string(order));
    }
    m_mask = (1u << order) - 1u;
    m_state = seed & m_mask;
    if (m_state == 0) m_state = m_mask;
}

}  // namespace linksim
