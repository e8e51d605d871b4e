#pragma once

#include <ostream>

namespace q9::cli {

// The streams a run talks through, and whether a person sits at them.
struct Terminal {
    std::ostream& out;  // the contract output: notices, boxes, the grid
    std::ostream& err;  // usage, progress, summaries
    std::istream& in;   // answers to questions
    bool inIsTerminal = false;
    bool errIsTerminal = false;
    // The descriptor behind `in` when it is a real terminal (its echo can be turned off); -1
    // otherwise.
    int inDescriptor = -1;
    // A progress line is standing on stderr without its line end.
    bool progressLineOpen = false;

    // Ends a standing progress line, so that what follows starts on a line of its own.
    void EndProgressLine() {
        if (!progressLineOpen) return;
        err << '\n';
        err.flush();
        progressLineOpen = false;
    }
};

}  // namespace q9::cli
