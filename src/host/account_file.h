#pragma once

#include <optional>
#include <string>

#include "host/gateway.h"
#include "host/texts.h"

namespace q9 {

// Whether writing `target` could destroy the account database `databaseFile`: it is that file
// or one of its companions (-wal, -shm, -journal), by device and inode (links included) or,
// for a companion not yet there, by path. Only looks at the file system.
bool IsAccountDatabaseFile(const std::string& target, const std::string& databaseFile);

// "不能写入账套数据库文件：" + `target` when `target` is a file of the account database that
// `gateway` works on; nothing when it may be written (an account on a server has no file here).
std::optional<std::string> AccountFileRefusal(Gateway& gateway, Texts& texts,
                                              const std::string& target);

}  // namespace q9
