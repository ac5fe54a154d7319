// Runs the current test again alone in a process of its own. The tests of one folder share an
// executable, so a test that needs a fresh process (no Qt application object yet, or one of its
// own) cannot rely on what the tests before it left behind.
#pragma once

namespace calmora::test {

// True in the process that runs the test alone: the test body follows. Elsewhere it runs the
// executable again for this test only, records a failure unless that run passed, and answers
// false: the caller returns at once.
bool InOwnProcess();

// True in a process started by InOwnProcess. The shared Qt application object is not made
// there: such a test makes, or avoids, its own.
bool RunningAlone();

// The environment of a child that runs this executable for chosen tests: without the
// sharding variables, which would otherwise pick another shard's share of the filtered tests.
// A prefix for a shell command line ("env -u ... ").
const char* WithoutSharding();

}  // namespace calmora::test
