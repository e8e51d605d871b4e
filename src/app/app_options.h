#pragma once

#include <string>
#include <vector>

#include "host/session.h"
#include "rates/rate_profile.h"

namespace q9::app {

// The window's command line: q9taxrate [--db URL] [--user NAME] [--lang L] [--profile NAME |
// --change OLD:NEW... --cutoff YYYY-MM-DD].
struct AppOptions {
    LoginOptions login;
    RateProfileRequest profileRequest;  // resolved into login.rateProfile before the window opens
    bool help = false;
    bool version = false;
    std::string error;           // set when the arguments are not understood
    std::string profileRefusal;  // set when they name a bad rate profile: shown in a message box
};

AppOptions ParseAppArguments(const std::vector<std::string>& arguments);

inline constexpr const char* kAppUsage =
    "q9taxrate [--db URL] [--user NAME] [--lang L]\n"
    "  --db URL     sqlite:PATH | odbc:CONNECTION-STRING (no login dialog)\n"
    "  --user NAME  the session's user name\n"
    "  --lang L     the session's LANGUAGE property (default chs)\n"
    "  --profile NAME       the rate changes: 2018 (default) or 2019\n"
    "  --change OLD:NEW     a change of your own instead (once or twice), with\n"
    "  --cutoff YYYY-MM-DD  the date before which documents are converted\n";

}  // namespace q9::app
