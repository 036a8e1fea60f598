#include <gtest/gtest.h>

#include <QApplication>

#include "connections/DataProviders.h"

// Widgets need an application object; tests run on Qt's offscreen platform.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  connections::InstallDataProviders();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
