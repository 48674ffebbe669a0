// For test programs that build plug-ins directly rather than through the entry point (which holds the main-thread
// lock): the main run loop moves only when a test pumps it, so the framework timer never fires while a plug-in is
// half built. Register once per program with
//   const auto* const kManualRunLoop = ::testing::AddGlobalTestEnvironment(new testsupport::ManualRunLoop);
#pragma once

#include <gtest/gtest.h>

#include "foundation/clock.h"
#include "foundation/run_loop.h"

namespace testsupport {

class ManualRunLoop : public ::testing::Environment
{
public:
  void SetUp() override { foundation::RunLoop::Main().UseManualClock(&mClock); }
  void TearDown() override { foundation::RunLoop::Main().UseManualClock(nullptr); }

private:
  foundation::ManualClock mClock;
};

} // namespace testsupport
