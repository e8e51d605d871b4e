#include "host/db/demo_account.h"

#include <filesystem>

#include "host/db/demo_documents.h"
#include "host/db/host_schema.h"
#include "host/db/sqlite_handles.h"

namespace q9 {

namespace {

constexpr int32_t kFileAlreadyExists = 58;

}  // namespace

void CreateDemoAccount(const std::string& path, const DemoAccountOptions& options) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) {
        throw HostError(CatalogError(kFileAlreadyExists, "文件已存在：%1", {path}));
    }
    const demo::DemoRates rates(options.rateProfile);
    const std::vector<demo::Document> documents =
        options.generatedEntries > 0
            ? demo::GeneratedDocuments(rates, options.generatedEntries, options.seed)
            : demo::SampleDocuments(rates);
    // Built under a temporary name so that a half-written account never appears at `path`.
    const std::string partial = path + ".part";
    fs::remove(partial, ec);
    try {
        {
            sqlite::ConnectionPtr db = sqlite::OpenConnection(partial, true);
            sqlite::ExecuteScript(db.get(), "BEGIN");
            CreateHostSchema(db.get());
            demo::InsertMasterData(db.get(), rates, options.billDiscountOn,
                                   options.discountIncludeTaxOn);
            demo::InsertDocuments(db.get(), documents);
            sqlite::ExecuteScript(db.get(), "COMMIT");
        }
        fs::rename(partial, path);
    } catch (const fs::filesystem_error& e) {
        fs::remove(partial, ec);
        throw HostError(error_number::kPathNotFound, e.what());
    } catch (...) {
        fs::remove(partial, ec);
        throw;
    }
}

void EnsureDemoAccount(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) return;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    CreateDemoAccount(path, DemoAccountOptions{});
}

}  // namespace q9
