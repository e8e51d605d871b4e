#pragma once

#include <string>

namespace q9::app {

// What the login dialog remembers between runs: the account last chosen (its name in the
// accounts file; empty for the demo account). Never a password.
struct LoginMemory {
    std::string accountName;
};

// Empty when the file is missing or unreadable.
LoginMemory ReadLoginMemory(const std::string& path);
// Best effort: a memory that cannot be written costs the operator one choice next time.
void WriteLoginMemory(const std::string& path, const LoginMemory& memory);

}  // namespace q9::app
