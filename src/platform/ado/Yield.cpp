#include "platform/ado/Yield.h"

namespace ado {

namespace {

void (*currentYield)() = nullptr;

}  // namespace

void SetYield(void (*yield)()) { currentYield = yield; }

void (*CurrentYield())() { return currentYield; }

}  // namespace ado
