// main() of every test: the display is opened before the tests, patiently,
// so that a busy X server does not fail a test that has nothing to do with it.
#include <gtest/gtest.h>

#include "forms/display.h"

#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY")) open_display_patiently();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
