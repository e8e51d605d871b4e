#include "command_demo_db.h"

#include <filesystem>
#include <ostream>

#include "host/db/demo_account.h"
#include "host/error.h"
#include "run_outcome.h"

namespace q9::cli {

namespace {

constexpr int64_t kMostEntries = 10'000'000;

}  // namespace

std::unique_ptr<Command> DemoDbCommand::Parse(const std::vector<std::string>& arguments,
                                              GlobalOptions& global) {
    OptionSpec spec{{"--entries", "--seed"}, {"--bill-discount", "--discount-includes-tax"}, {}};
    ParsedArguments parsed = ParseArguments(arguments, spec, global);
    if (parsed.positional.size() != 1 || parsed.positional[0].empty()) {
        throw UsageError("demo-db needs exactly one FILE");
    }
    auto command = std::make_unique<DemoDbCommand>();
    command->file_ = parsed.positional[0];
    if (parsed.values.contains("--entries")) {
        command->entries_ = ParseInteger("--entries", parsed.Value("--entries"), 1, kMostEntries);
    }
    if (parsed.values.contains("--seed")) {
        command->seed_ =
            static_cast<uint64_t>(ParseInteger("--seed", parsed.Value("--seed"), 0, INT64_MAX));
    }
    command->billDiscount_ = parsed.Has("--bill-discount");
    command->discountIncludesTax_ = parsed.Has("--discount-includes-tax");
    return command;
}

int DemoDbCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    std::error_code ec;
    // Never touch a file that is there already: it may be somebody's account.
    if (std::filesystem::exists(std::filesystem::symlink_status(file_, ec))) {
        terminal.err << "q9taxrate-cli: " << file_ << " exists; demo-db only creates new files\n";
        return kExitFailure;
    }
    DemoAccountOptions options;
    if (entries_) {
        options.generatedEntries = static_cast<int>(*entries_);
        options.seed = seed_;
    }
    options.billDiscountOn = billDiscount_;
    options.discountIncludeTaxOn = discountIncludesTax_;
    options.rateProfile = global.rateProfile;
    try {
        CreateDemoAccount(file_, options);
    } catch (const HostError& e) {
        terminal.err << "q9taxrate-cli: " << e.error().description << '\n';
        return kExitFailure;
    }
    terminal.err << "created the demo account " << file_ << '\n';
    return kExitDone;
}

}  // namespace q9::cli
