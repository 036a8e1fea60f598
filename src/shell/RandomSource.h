#pragma once

namespace shell {

// Randomize / Rnd: a uniform value from 0 (inclusive) to 1 (exclusive). Injectable so
// that tests can pin the draw.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual void Randomize(double seed) = 0;
  virtual double Rnd() = 0;
};

}  // namespace shell
