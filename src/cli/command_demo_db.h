#pragma once

#include <cstdint>
#include <optional>

#include "command.h"

namespace q9::cli {

// demo-db FILE [--entries N] [--seed S] [--bill-discount] [--discount-includes-tax]
class DemoDbCommand : public Command {
  public:
    static std::unique_ptr<Command> Parse(const std::vector<std::string>& arguments,
                                          GlobalOptions& global);

    int Run(const GlobalOptions& global, Terminal& terminal) override;

  private:
    std::string file_;
    std::optional<int64_t> entries_;
    uint64_t seed_ = 1;
    bool billDiscount_ = false;
    bool discountIncludesTax_ = false;
};

}  // namespace q9::cli
