// SPDX-License-Identifier: GPL-3.0-or-later
// Widgets need a QApplication before any test runs. Listing the tests at build time also
// starts it, on a machine that may have no display: hence offscreen unless told otherwise.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication aplicacion(argc, argv);
  return RUN_ALL_TESTS();
}
