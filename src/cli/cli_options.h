#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "rates/rate_profile.h"

namespace q9::cli {

// A command line that does not follow the usage; exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The session's options, valid before and after the command.
struct GlobalOptions {
    std::string db;  // empty: the embedded demo account
    std::string user;
    std::string language = "chs";
    // --profile NAME, or --change OLD:NEW (once or twice) with --cutoff YYYY-MM-DD; resolved
    // into `rateProfile` before the command runs.
    RateProfileRequest profileRequest;
    RateProfile rateProfile = StandardRateProfile();
};

struct OptionSpec {
    std::set<std::string> withValue;  // "--rule" takes the next argument or "=value"
    std::set<std::string> flags;
    std::set<std::string> repeatable;  // options with a value that may be given more than once
};

struct ParsedArguments {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> lists;  // the values of repeatable options

    bool Has(const std::string& flag) const { return flags.contains(flag); }
    std::string Value(const std::string& option) const {
        auto found = values.find(option);
        return found == values.end() ? std::string() : found->second;
    }
};

// Options may come in any order and at most once each, repeatable ones and --change as often as
// given; "--" ends them. The global options are
// accepted everywhere and stored into `global`.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments, const OptionSpec& spec,
                               GlobalOptions& global);

// A whole decimal number within [minimum, maximum]; UsageError naming the option otherwise.
int64_t ParseInteger(const std::string& option, const std::string& text, int64_t minimum,
                     int64_t maximum);

}  // namespace q9::cli
