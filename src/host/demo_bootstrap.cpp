#include "host/demo_bootstrap.h"

#include "host/db/demo_account.h"

namespace q9 {

void EnsureDemoAccountExists(const std::string& path) {
    EnsureDemoAccount(path);
}

}  // namespace q9
