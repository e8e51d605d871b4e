#include "app_options.h"

#include "host/texts.h"

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
        std::string change;
        if (argument == "--profile") target = &options.profileRequest.name;
        if (argument == "--change") target = &change;
        if (argument == "--cutoff") target = &options.profileRequest.cutoff.emplace();
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
        if (target == &change) options.profileRequest.changes.push_back(change);
    }
    const RateProfileResult profile = ResolveRateProfile(options.profileRequest, "税率方案");
    if (profile.ok()) {
        options.login.rateProfile = profile.profile;
        if (!options.profileRequest.IsEmpty()) {
            options.login.rateProfileSource = RateProfileSource::Given;
        }
    } else {
        options.profileRefusal = DescribeInLanguage(options.login.language, profile.error);
    }
    return options;
}

}  // namespace q9::app
