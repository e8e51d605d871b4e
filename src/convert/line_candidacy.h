#pragma once

// Whether the lines a workbook names are still candidates of their kind: asked of the database
// before they are converted, up to kKeysPerQuery lines per query, each query when the first of
// its lines is reached.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/candidate_queries.h"
#include "host/context.h"
#include "host/document_kind.h"
#include "host/value.h"

namespace q9 {

class LineCandidacy {
  public:
    static constexpr size_t kKeysPerQuery = 1000;

    enum class Standing {
        NoLine,             // no line of the kind has these ids
        Candidate,          // it satisfies the kind's candidate conditions other than the rate
        NoLongerCandidate,  // invoiced, cancelled, re-dated, of another class or discounted
    };
    struct Line {
        Standing standing = Standing::NoLine;
        Value rate;  // the line's rate as the account holds it
    };

    // `keys`: the lines the workbook will ask about, in workbook order; `cutoffDate` the
    // export's.
    LineCandidacy(CoreContext& context, DocumentKind kind, std::string cutoffDate,
                  const std::vector<EntryKey>& keys);

    // Asks `gateway` where the line's query is still to be asked. Throws HostError when the
    // database cannot answer.
    Line Of(const EntryKey& key, Gateway& gateway);

  private:
    void Load(size_t chunk, Gateway& gateway);

    // Asked once or twice for every line of a workbook.
    struct KeyHash {
        size_t operator()(const EntryKey& key) const {
            return std::hash<uint64_t>()(static_cast<uint64_t>(static_cast<uint32_t>(key.id))
                                             << 32 |
                                         static_cast<uint32_t>(key.entryId));
        }
    };

    CoreContext& context_;
    DocumentKind kind_;
    std::string cutoffDate_;
    std::vector<std::vector<EntryKey>> chunks_;
    std::vector<bool> loaded_;
    std::unordered_map<EntryKey, size_t, KeyHash> chunkOf_;
    std::unordered_map<EntryKey, Line, KeyHash> lines_;
};

}  // namespace q9
