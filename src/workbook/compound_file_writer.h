#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace q9 {

// Writes an OLE2 compound file holding one stream at its root to `file`, which stays open.
// Throws HostError when the container cannot be written; a failed write leaves the file's
// error indicator set, with errno telling why.
void WriteCompoundFile(std::FILE* file, const std::string& streamName,
                       std::span<const uint8_t> stream);

}  // namespace q9
