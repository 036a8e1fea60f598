#include "platform/os/Interruption.h"

#include <cstdio>
#include <iostream>

namespace os {

bool StandardStreamsWritten() {
  std::cout.flush();
  std::cerr.flush();
  const bool out = std::cout.good() && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  const bool err = std::cerr.good() && std::fflush(stderr) == 0 && std::ferror(stderr) == 0;
  return out && err;
}

}  // namespace os
