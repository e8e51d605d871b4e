#pragma once

// The list of changes of a run, kept in an anonymous temporary file rather than in memory: a
// large run changes millions of values, which are read back only for the summary and when the
// operator saves the list.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "host/error.h"
#include "journal/change_capture.h"

namespace q9 {

// One row of the list of changes.
struct ChangeRow {
    std::string kind;  // document kind text or the master-data kind text
    std::string billNo;
    ChangedValue value;
};

// Append-only. The file is made with the first row and goes with the store.
class ChangeStore {
  public:
    ChangeStore();
    ~ChangeStore();
    ChangeStore(const ChangeStore&) = delete;
    ChangeStore& operator=(const ChangeStore&) = delete;

    // A row that cannot be written is kept as the store's failure, and so is every later one:
    // the values were already written to the account, so the caller decides what follows.
    void Append(ChangeRow row);

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Set once a row could not be written: the list is no longer whole.
    const Error& failure() const { return failure_; }

    // Every row, in the order appended. Throws HostError with the failure, or when the file
    // cannot be read back. Not to be called from inside `visit`.
    void ForEach(const std::function<void(const ChangeRow&)>& visit) const;

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Throws HostError.
    void Flush() const;

    std::unique_ptr<std::FILE, FileCloser> file_;
    mutable std::string pending_;  // encoded rows not yet in the file
    ChangeRow last_;               // fields equal to the last row's are written as such
    size_t size_ = 0;
    Error failure_;
};

}  // namespace q9
