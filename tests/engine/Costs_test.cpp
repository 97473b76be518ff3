// The search's fast row loop against its plain one, cell for cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "GEM_costs.h"

namespace carvelo {
namespace {

// Values of one kind: ordinary ones mostly, the extremes that saturate now
// and then, so that groups of four mix both.
int32_t Draw(std::mt19937& Random, int32_t Low, int32_t High) {
  static constexpr int32_t Extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1 << 28, (1 << 30) - 1, 1 << 30, INT_MAX - 5,
                                         INT_MAX};
  if (Random() % 23 == 0) return Extremes[Random() % std::size(Extremes)];
  return std::uniform_int_distribution<int32_t>(Low, High)(Random);
}

// One energy width: rounds of random rows, each span computed by the fast
// loop and the plain one.
template <typename Energy>
void Expect_Fast_Equals_Plain(uint32_t Seed, int32_t Most_Energy) {
  std::mt19937 Random(Seed);
  constexpr int32_t Width = 41;
  for (int Round = 0; Round < 3000; ++Round) {
    const bool Wide_Costs = Round % 3 == 0;
    std::vector<Energy> E(Width), EUp(Width);
    std::vector<int32_t> W(Width), MUp(Width);
    for (int32_t X = 0; X < Width; ++X) {
      E[X] = static_cast<Energy>(std::min(Draw(Random, 0, 1530), Most_Energy));
      EUp[X] = static_cast<Energy>(std::min(Draw(Random, 0, 585225), Most_Energy));
      W[X] = Draw(Random, -214748, 214748);
      MUp[X] = Wide_Costs ? Draw(Random, INT_MIN, INT_MAX) : Draw(Random, -5000000, 90000000);
    }
    const int32_t First = 1 + int32_t(Random() % 12);
    const int32_t Last = std::min(Width - 2, First + int32_t(Random() % 30));
    for (bool Forward : {false, true}) {
      std::vector<int32_t> Fast(Width, 7), Plain(Width, 7);
      const TCost_Rows<Energy> Fast_Rows{E.data(), EUp.data(), W.data(), MUp.data(), Fast.data(), Width};
      const TCost_Rows<Energy> Plain_Rows{E.data(), EUp.data(), W.data(), MUp.data(), Plain.data(), Width};
      if (Forward) {
        Inner_Span<true>(Fast_Rows, First, Last);
        Inner_Span_Plain<true>(Plain_Rows, First, Last);
      } else {
        Inner_Span<false>(Fast_Rows, First, Last);
        Inner_Span_Plain<false>(Plain_Rows, First, Last);
      }
      ASSERT_EQ(Fast, Plain) << sizeof(Energy) * 8 << "-bit energy, round " << Round
                             << (Forward ? " forward" : " plain");
    }
  }
}

TEST(InnerSpan, FourAtATimeEqualsOneAtATime) {
  Expect_Fast_Equals_Plain<int32_t>(8, INT_MAX);
  Expect_Fast_Equals_Plain<uint16_t>(9, 0xFFFF);  // the largest 16-bit energies too
}

}  // namespace
}  // namespace carvelo
