#pragma once

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace q9 {

// Writes a zip archive of deflated entries to `file`, which stays open and must allow seeking
// (an entry's header is completed after its content). Throws HostError when an entry cannot
// be written; a failed write leaves the file's error indicator set, with errno telling why.
class ZipWriter {
  public:
    explicit ZipWriter(std::FILE* file);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // One entry, stamped with the current local time.
    void Add(const std::string& name, std::string_view content) { Add(name, {content}); }
    // One entry of the pieces one after the other, so that a large part need not be joined.
    void Add(const std::string& name, std::initializer_list<std::string_view> pieces);
    // Writes the central directory. Without it, the archive is incomplete.
    void Finish();

  private:
    struct ZipCloser {
        void operator()(void* zip) const;
    };
    std::unique_ptr<void, ZipCloser> zip_;
};

}  // namespace q9
