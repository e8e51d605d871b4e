#pragma once

#include <string>

namespace q9 {

// Prepares an .xls file for FreeXL. Walks the compound file's allocation chains (a chain that
// loops or leaves the file is damage, reported here rather than met inside the library) and
// masks the bytes outside ASCII in the workbook's defined-name records (NAME), which FreeXL
// 1.0.6 refuses, as gnumeric writes them for Chinese sheet names; the reader needs no names.
// Returns the path FreeXL should open: `path` itself, or a patched copy that lives as long as
// this object. Throws HostError (workbook).
class XlsFileForReading {
  public:
    explicit XlsFileForReading(const std::string& path);
    ~XlsFileForReading();
    XlsFileForReading(const XlsFileForReading&) = delete;
    XlsFileForReading& operator=(const XlsFileForReading&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string temporary_;
};

}  // namespace q9
