#pragma once

#include <functional>

#include "host/context.h"

namespace q9 {

// Runs `work` with a context whose database calls all go into one transaction of the account's
// engine that is rolled back at the end: every statement really runs, so every figure is the
// database's own, and nothing stays. The session's own gateway refuses calls meanwhile. A
// failure raised by `work`, or one of the transaction itself, is raised again as HostError.
void RunWithoutWriting(CoreContext& context, const std::function<void(CoreContext&)>& work);

}  // namespace q9
