#pragma once

#include <string>
#include <vector>

#include "host/session.h"

namespace q9::app {

// The window's command line: q9taxrate [--db URL] [--user NAME] [--lang L].
struct AppOptions {
    LoginOptions login;
    bool help = false;
    bool version = false;
    std::string error;  // set when the arguments are not understood
};

AppOptions ParseAppArguments(const std::vector<std::string>& arguments);

inline constexpr const char* kAppUsage =
    "q9taxrate [--db URL] [--user NAME] [--lang L]\n"
    "  --db URL     sqlite:PATH | odbc:CONNECTION-STRING (no login dialog)\n"
    "  --user NAME  the session's user name\n"
    "  --lang L     the session's LANGUAGE property (default chs)\n";

}  // namespace q9::app
