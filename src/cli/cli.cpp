#include "cli.h"

#include <ostream>

namespace q9::cli {

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (!arguments.empty() && arguments[0] == "--version") {
        out << "q9taxrate-cli " << Q9_VERSION << "\n";
        return 0;
    }
    err << "usage: q9taxrate-cli [--db URL] [--user NAME] [--lang LANGUAGE] COMMAND [OPTIONS]\n";
    return 2;
}

}  // namespace q9::cli
