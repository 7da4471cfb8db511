// The real desktop's driver, for the gadget's own tests under Wine: the same
// user on the gadget's windows, and a desktop that may show errors as the
// program does.
#pragma once

#include <memory>

#include "tests/conformance/driver.h"

namespace rn::conformance {

std::unique_ptr<Driver> MakeWin32Driver(bool errorsToMessageBox);

}  // namespace rn::conformance
