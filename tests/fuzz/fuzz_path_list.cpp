// Any text as a path box: the paths read from it, written back and read again, are the same
// paths, none of them empty.
#include <cstdint>
#include <string_view>

#include "host/path_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view box(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> paths = q9::SplitPathList(box);
    for (const std::string& path : paths) {
        if (path.empty()) __builtin_trap();
    }
    if (q9::SplitPathList(q9::JoinPathList(paths)) != paths) __builtin_trap();
    return 0;
}
