// A test whose subject is measured in minutes or tens of seconds of the
// game's clock runs again in a process of its own under a clock that runs
// faster (waits and sleeps too), so the suite does not wait those out.
#ifndef TESTS_SUPPORT_FAST_CLOCK_H
#define TESTS_SUPPORT_FAST_CLOCK_H

namespace grimbo_test {

// In the test's own process: runs the current test again under a clock
// `rate` times as fast, records that run's verdict here and returns true
// (the caller returns at once). Inside that run: returns false, and the
// test's body goes on, its clock, waits and time limits all scaled alike.
bool rerun_under_fast_clock(int rate);

}  // namespace grimbo_test

#endif
