#pragma once

// Runs the command line in-process with its output captured, in a private home: the demo
// account, the debug log and the accounts file go into a temporary folder.

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "support/temp_folder.h"

namespace q9::testing {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliResult RunCli(const std::vector<std::string>& arguments, const std::string& input = {},
                        bool inputIsTerminal = false) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(input);
    cli::Terminal terminal{out, err, in, inputIsTerminal, false};
    CliResult result;
    result.status = cli::Run(arguments, terminal);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// A temporary folder, removed with its content; the XDG folders point into it meanwhile.
class PrivateHome {
  public:
    PrivateHome() {
        for (const char* variable : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
            setenv(variable, folder_.File(variable).c_str(), 1);
        }
    }

    std::string File(const std::string& name) const { return folder_.File(name); }
    const std::filesystem::path& path() const { return folder_.path(); }

  private:
    TempFolder folder_{"q9cli"};
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

}  // namespace q9::testing
