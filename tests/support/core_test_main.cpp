#include <gtest/gtest.h>

#ifndef _WIN32
#include <QCoreApplication>
#endif

#include "connections/DataProviders.h"

// The commands' tests need no window system: Qt Core's application object is enough (the
// Windows build has no Qt at all).
int main(int argc, char** argv) {
#ifndef _WIN32
  QCoreApplication app(argc, argv);
#endif
  connections::InstallDataProviders();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
