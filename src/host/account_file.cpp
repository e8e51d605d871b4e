#include "host/account_file.h"

#include <sys/stat.h>

#include <filesystem>

namespace q9 {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    // One of them does not exist yet: the same name would still become that file.
    std::error_code ec;
    const std::filesystem::path left = std::filesystem::weakly_canonical(a, ec);
    if (ec) return false;
    const std::filesystem::path right = std::filesystem::weakly_canonical(b, ec);
    return !ec && left == right;
}

}  // namespace

bool IsAccountDatabaseFile(const std::string& target, const std::string& databaseFile) {
    if (target.empty() || databaseFile.empty()) return false;
    for (const char* companion : {"", "-wal", "-shm", "-journal"}) {
        if (SameFile(target, databaseFile + companion)) return true;
    }
    return false;
}

std::optional<std::string> AccountFileRefusal(Gateway& gateway, Texts& texts,
                                              const std::string& target) {
    std::string databaseFile;
    try {
        if (std::shared_ptr<DatabaseEngine> engine = gateway.engine()) {
            databaseFile = engine->DatabaseFile();
        }
    } catch (const HostError&) {
        return std::nullopt;  // no account open: nothing to protect
    }
    if (!IsAccountDatabaseFile(target, databaseFile)) return std::nullopt;
    return texts.LoadText("不能写入账套数据库文件：") + target;
}

}  // namespace q9
