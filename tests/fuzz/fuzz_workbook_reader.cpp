// Any bytes as a workbook: the reader must answer rows or a workbook error, nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "convert/workbook_reader.h"
#include "host/error.h"

namespace {

const std::string& InputPath() {
    static const std::string path = "/tmp/q9-fuzz-workbook-" + std::to_string(getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return 0;
    try {
        q9::RecordsetPtr rows = q9::ReadSheet(path, "采购订单");
        if (rows) {
            for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
                for (size_t i = 0; i < rows->FieldCount(); ++i) (void)rows->FieldAt(i);
            }
        }
    } catch (const q9::HostError& error) {
        if (error.error().number != q9::error_number::kWorkbook) __builtin_trap();
    } catch (const std::bad_alloc&) {
        __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
