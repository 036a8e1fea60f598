#include "shell/StandardRandom.h"

#include <cstdint>

namespace shell {

void StandardRandom::Randomize(double seed) {
  m_engine.seed(static_cast<std::uint32_t>(static_cast<std::int64_t>(seed)));
}

double StandardRandom::Rnd() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

}  // namespace shell
