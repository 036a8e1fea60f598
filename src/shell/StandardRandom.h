#pragma once

#include <random>

#include "shell/RandomSource.h"

namespace shell {

class StandardRandom : public RandomSource {
 public:
  void Randomize(double seed) override;
  double Rnd() override;

 private:
  std::mt19937 m_engine;
};

}  // namespace shell
