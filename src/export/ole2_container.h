#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace q9 {

// An OLE2 compound file holding one stream at its root, built in memory. Throws HostError
// when the container cannot be built.
std::vector<uint8_t> BuildCompoundFile(const std::string& streamName,
                                       std::span<const uint8_t> stream);

}  // namespace q9
