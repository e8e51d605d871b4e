// Any bytes as a workbook: the reader must answer rows or a workbook error, nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "host/error.h"
#include "workbook/sheet_reader.h"
#include "workbook/xls_sheet_reader.h"

namespace {

const std::string& InputPath() {
    static const std::string path = "/tmp/q9-fuzz-workbook-" + std::to_string(getpid());
    return path;
}

void WalkRows(const q9::RecordsetPtr& rows) {
    if (!rows) return;
    for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
        for (size_t i = 0; i < rows->FieldCount(); ++i) (void)rows->FieldAt(i);
    }
}

// The BIFF records straight, without a compound file around them, which mutations of a whole
// file seldom get past.
void ReadAsRecordStream(const uint8_t* data, size_t size) {
    try {
        WalkRows(q9::ReadBiffSheet({data, size}, "采购订单"));
    } catch (const q9::HostError& error) {
        if (error.error().number != q9::error_number::kWorkbook) __builtin_trap();
    } catch (const std::bad_alloc&) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadAsRecordStream(data, size);
    const std::string& path = InputPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return 0;
    try {
        WalkRows(q9::ReadSheet(path, "采购订单"));
    } catch (const q9::HostError& error) {
        if (error.error().number != q9::error_number::kWorkbook) __builtin_trap();
    } catch (const std::bad_alloc&) {
        __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
