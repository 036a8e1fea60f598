#include <gtest/gtest.h>

#include <QCoreApplication>

#include "connections/DataProviders.h"

// The commands' tests need no window system: Qt Core's application object is enough.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  connections::InstallDataProviders();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
