#include "app_options.h"

namespace q9::app {

AppOptions ParseAppArguments(const std::vector<std::string>& arguments) {
    AppOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        std::string* target = nullptr;
        if (argument == "--db") target = &options.login.databaseUrl;
        if (argument == "--user") target = &options.login.userName;
        if (argument == "--lang") target = &options.login.language;
        if (!target) {
            options.error = "unknown argument: " + argument;
            return options;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            options.error = argument + " needs a value";
            return options;
        }
        *target = arguments[++i];
    }
    return options;
}

}  // namespace q9::app
