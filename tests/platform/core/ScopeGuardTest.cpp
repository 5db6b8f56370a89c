#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/core/Assert.h"
#include "platform/core/ScopeGuard.h"

TEST(ScopeExit, CleanupRunsWhenTheScopeEndsNormallyOrByAnException) {
  int Runs = 0;
  {
    TScopeExit Guard([&] { ++Runs; });
    EXPECT_EQ(Runs, 0);
  }
  EXPECT_EQ(Runs, 1);
  EXPECT_THROW(
      {
        TScopeExit Guard([&] { ++Runs; });
        throw std::runtime_error("work failed");
      },
      std::runtime_error);
  EXPECT_EQ(Runs, 2);
}

TEST(ScopeExit, ADismissedGuardLeavesTheWorkAsItIs) {
  int Runs = 0;
  {
    TScopeExit Guard([&] { ++Runs; });
    Guard.Dismiss();
  }
  EXPECT_EQ(Runs, 0);
}

TEST(ScopeExit, TheFirstFaultIsReportedWhenTheCleanupFailsToo) {
  try {
    TScopeExit Guard([] { throw std::logic_error("cleanup failed"); });
    throw std::runtime_error("work failed");
  } catch (const std::runtime_error& E) {
    EXPECT_EQ(std::string(E.what()), "work failed");
  }
  // With no fault in flight the cleanup's own failure is reported.
  EXPECT_THROW({ TScopeExit Guard([] { throw std::logic_error("cleanup failed"); }); }, std::logic_error);
}

TEST(TemporaryChange, TheOldValueComesBackHoweverTheScopeIsLeft) {
  int Mode = 1;
  {
    TTemporaryChange Saved(Mode, 7);
    EXPECT_EQ(Mode, 7);
    EXPECT_EQ(Saved.OldValue(), 1);
  }
  EXPECT_EQ(Mode, 1);
  EXPECT_THROW(
      {
        TTemporaryChange Saved(Mode, 9);
        throw std::runtime_error("work failed");
      },
      std::runtime_error);
  EXPECT_EQ(Mode, 1);
}

#ifndef NDEBUG
TEST(AssertDeathTest, ABrokenInvariantStopsTheProgramNamingTheCondition) {
  const int Count = 3;
  EXPECT_DEATH(BORROW_ASSERT(Count < 0), "assertion failed: Count < 0");
  BORROW_ASSERT(Count > 0);  // a holding invariant goes on
}
#endif
