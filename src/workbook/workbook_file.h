#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace q9 {

// Whether a file (not a folder) exists at the path.
bool WorkbookFileExists(const std::string& path);

// Puts what `write` writes to the file it is given at `path`: written to a new temporary file
// beside it, then renamed over it, so the path holds either its old content or the whole new one.
// Throws HostError: permission denied (70) when the folder or the path refuses the file, path not
// found (76), disk full (61), or the system's description otherwise. A failed write is recognised
// by the file's error indicator.
void ReplaceFileWith(const std::string& path, const std::function<void(std::FILE*)>& write);

}  // namespace q9
