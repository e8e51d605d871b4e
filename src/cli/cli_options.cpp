#include "cli_options.h"

#include <charconv>

namespace q9::cli {

namespace {

bool SetGlobal(const std::string& option, const std::string& value, GlobalOptions& global) {
    if (option == "--db") {
        if (value.empty()) throw UsageError("--db needs a database address");
        global.db = value;
    } else if (option == "--user") {
        global.user = value;
    } else if (option == "--lang") {
        if (value.empty()) throw UsageError("--lang needs a language");
        global.language = value;
    } else if (option == "--profile") {
        global.profileRequest.name = value;
    } else if (option == "--change") {
        global.profileRequest.changes.push_back(value);
    } else if (option == "--cutoff") {
        global.profileRequest.cutoff = value;
    } else {
        return false;
    }
    return true;
}

bool IsGlobal(const std::string& option) {
    return option == "--db" || option == "--user" || option == "--lang" || option == "--profile" ||
           option == "--change" || option == "--cutoff";
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, const OptionSpec& spec,
                               GlobalOptions& global) {
    ParsedArguments parsed;
    std::set<std::string> seen;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with("--")) {
            parsed.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string option = argument;
        std::optional<std::string> inlineValue;
        if (auto eq = argument.find('='); eq != std::string::npos) {
            option = argument.substr(0, eq);
            inlineValue = argument.substr(eq + 1);
        }
        bool takesValue =
            spec.withValue.contains(option) || spec.repeatable.contains(option) || IsGlobal(option);
        if (!takesValue && !spec.flags.contains(option)) {
            throw UsageError("unknown option " + option);
        }
        const bool repeatable = spec.repeatable.contains(option) || option == "--change";
        if (!seen.insert(option).second && !repeatable) throw UsageError(option + " given twice");
        if (!takesValue) {
            if (inlineValue) throw UsageError(option + " takes no value");
            parsed.flags.insert(option);
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
            value = arguments[++i];
        }
        if (SetGlobal(option, value, global)) continue;
        if (repeatable) {
            parsed.lists[option].push_back(value);
        } else {
            parsed.values[option] = value;
        }
    }
    return parsed;
}

int64_t ParseInteger(const std::string& option, const std::string& text, int64_t minimum,
                     int64_t maximum) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < minimum || value > maximum) {
        throw UsageError(option + " needs a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not '" + text + "'");
    }
    return value;
}

}  // namespace q9::cli
