// Tests that need what wine lacks (reparse points as links, access rights):
// on the Windows build their names end in "OnRealWindows", which gives them
// the ctest label real-windows, and under wine they skip, saying why.
//
//   TEST_F(Suite, VORN_ON_REAL_WINDOWS(LinksAreRefused)) {
//     VORN_SKIP_UNDER_WINE("wine's reparse points are incomplete");
#pragma once

namespace vorn::test {

// True when this Windows program runs under wine; false on Debian.
bool UnderWine();

}  // namespace vorn::test

#ifdef _WIN32
#define VORN_ON_REAL_WINDOWS(name) name##OnRealWindows
#else
#define VORN_ON_REAL_WINDOWS(name) name
#endif

#define VORN_SKIP_UNDER_WINE(why) \
  if (::vorn::test::UnderWine()) GTEST_SKIP() << "needs a real Windows machine, not wine: " << why
