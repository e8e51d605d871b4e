#include "convert/line_candidacy.h"

#include <utility>

namespace q9 {

LineCandidacy::LineCandidacy(CoreContext& context, DocumentKind kind, std::string cutoffDate,
                             const std::vector<EntryKey>& keys)
    : context_(context), kind_(kind), cutoffDate_(std::move(cutoffDate)) {
    for (const EntryKey& key : keys) {
        if (chunkOf_.contains(key)) continue;
        if (chunks_.empty() || chunks_.back().size() == kKeysPerQuery) chunks_.emplace_back();
        chunks_.back().push_back(key);
        chunkOf_[key] = chunks_.size() - 1;
    }
    loaded_.assign(chunks_.size(), false);
}

LineCandidacy::Line LineCandidacy::Of(const EntryKey& key, Gateway& gateway) {
    auto chunk = chunkOf_.find(key);
    if (chunk == chunkOf_.end()) {
        // Not foreseen by the caller: asked alone.
        chunks_.push_back({key});
        loaded_.push_back(false);
        chunk = chunkOf_.emplace(key, chunks_.size() - 1).first;
    }
    if (!loaded_[chunk->second]) Load(chunk->second, gateway);
    auto line = lines_.find(key);
    return line == lines_.end() ? Line{} : line->second;
}

void LineCandidacy::Load(size_t chunk, Gateway& gateway) {
    Error error;
    RecordsetPtr rows = gateway.TryOpenRecordset(
        CandidacyQuery(kind_, chunks_[chunk], cutoffDate_, context_.state.discountIncludeTaxOn),
        &error);
    if (!rows) throw HostError(error);
    const int id = rows->FieldIndex("FInterID");
    const int entry = rows->FieldIndex("FEntryID");
    const int rate = rows->FieldIndex("FTaxRate");
    const int candidate = rows->FieldIndex("FCandidate");
    if (id < 0 || entry < 0 || rate < 0 || candidate < 0) {
        throw HostError(error_number::kItemNotFound,
                        "候选查询没有返回FInterID、FEntryID、FTaxRate或FCandidate");
    }
    for (const Recordset::Row& row : rows->Rows()) {
        const auto at = [&row](int index) { return row[static_cast<size_t>(index)]; };
        const EntryKey key{ToInt32(at(id)), ToInt32(at(entry))};
        const bool stillCandidate = !at(candidate).IsNull() && at(candidate).NumberAsDouble() == 1;
        lines_[key] =
            Line{stillCandidate ? Standing::Candidate : Standing::NoLongerCandidate, at(rate)};
    }
    loaded_[chunk] = true;
}

}  // namespace q9
