// The main of the test programs that need an X display: their tests skip without one (outside CI), and the
// program then ends with the code CTest is told means "skipped", so a run without a display shows them as such.
#include "x11_display.h"

int main(int argc, char** argv)
{
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  return result == 0 && testsupport::SkippedForNoDisplay() ? testsupport::kNoDisplayExitCode : result;
}
