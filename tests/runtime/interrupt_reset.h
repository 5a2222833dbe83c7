// A fixture for tests that set the interrupt flag: it is clear when each test starts and ends,
// so no other test sees it.
#pragma once

#include <gtest/gtest.h>

#include "runtime/interrupt.h"

namespace quellora::testing {

class InterruptReset : public ::testing::Test {
 protected:
  void SetUp() override { SetInterruptSignal(0); }
  void TearDown() override { SetInterruptSignal(0); }
};

}  // namespace quellora::testing
