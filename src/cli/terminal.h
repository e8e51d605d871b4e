#pragma once

#include <iosfwd>

namespace q9::cli {

// The streams a run talks through, and whether a person sits at them.
struct Terminal {
    std::ostream& out;  // the contract output: notices, boxes, the grid
    std::ostream& err;  // usage, progress, summaries
    std::istream& in;   // answers to questions
    bool inIsTerminal = false;
    bool errIsTerminal = false;
};

}  // namespace q9::cli
