// WindowMemo against the windows themselves: every output it reports as
// remembered must have been stored for a window with the same inputs, for
// spans from one input up, stimuli from long runs to a change at every
// sample (more edges than it tracks), and tables from one pattern (emptied
// again and again) to roomy ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "models/tx/WindowMemo.h"

namespace {

// A value that names the window's inputs (FNV-1a over their bits, 52 bits
// so that it is an exact double).
double Fingerprint(const std::deque<double>& w)
{
    uint64_t h = 1469598103934665603ull;
    for (double v : w) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        for (int k = 0; k < 8; ++k) h = (h ^ ((b >> (8 * k)) & 0xff)) * 1099511628211ull;
    }
    return static_cast<double>(h >> 12);
}

}  // namespace

TEST(WindowMemo, RemembersOnlyWhatWasStoredForTheSameWindow)
{
    // Run lengths: symbols of 64 samples, of 5, jittered ones of 3..9, and a
    // change at nearly every sample. Values: +-0.4, 0 and -0.
    const struct { const char* name; unsigned minRun, spread; } stimuli[] = {
        {"bits of 64", 64, 0}, {"bits of 5", 5, 0}, {"jittered 3..9", 3, 7}, {"dense", 1, 2}};
    const double values[] = {0.4, -0.4, 0.0, -0.0};
    for (size_t span : {1, 2, 3, 40, 300})
        for (size_t budget : {1, 64 << 10, 4 << 20})
            for (const auto& st : stimuli) {
                const std::string what = "span " + std::to_string(span) + ", budget " + std::to_string(budget) +
                                         ", " + st.name;
                WindowMemo memo;
                memo.Allocate(span, budget);
                std::deque<double> window(span, 0.0);
                unsigned s = 12345;
                uint64_t blind = 0;
                for (int pushed = 0; pushed < 20000;) {
                    s = s * 1664525u + 1013904223u;
                    const double v = values[(s >> 16) % 4];
                    for (unsigned r = st.minRun + (st.spread ? (s >> 8) % st.spread : 0); r > 0; --r, ++pushed) {
                        memo.Push(v);
                        window.pop_front();
                        window.push_back(v);
                        bool known = false;
                        double* slot = memo.Slot(known);
                        blind += slot == nullptr;
                        if (slot && known) {
                            ASSERT_EQ(*slot, Fingerprint(window)) << what << ", sample " << pushed;
                        } else if (slot) {
                            *slot = Fingerprint(window);
                            memo.Stored();
                        }
                    }
                }
                // The paths the case is there for are taken.
                EXPECT_TRUE(st.minRun < span || budget == 1 || memo.Hits() > 10000u) << what;
                EXPECT_TRUE(st.minRun > 1 || span != 300 || blind > 10000u) << what;
                EXPECT_TRUE(budget > 1 || span <= 2 || memo.Refills() > 10u) << what;
            }
}
