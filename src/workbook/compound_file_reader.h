#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace q9 {

// The bytes of the workbook stream of an OLE2 compound file: `Workbook` (BIFF8) when there is
// one, else `Book` (BIFF5), taken from the root storage. Follows the allocation chains of the
// file (sectors of 512 or 4096 bytes, the mini stream for short streams), each bounded by the
// file and checked for loops. Throws HostError (workbook) with a description of the damage.
std::vector<uint8_t> ReadWorkbookStream(std::span<const uint8_t> file);

}  // namespace q9
