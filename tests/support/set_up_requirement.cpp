// RunningUnderCI: the rule that turns a missing set-up step into a failure.
#include "tests/support/set_up_requirement.h"

#include <stdlib.h>

namespace calmora::test {

bool RunningUnderCI() {
  const char* ci = ::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

}  // namespace calmora::test
