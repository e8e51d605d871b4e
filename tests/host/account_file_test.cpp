#include "host/account_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "support/core_doubles.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

TEST(AccountFile, TheDatabaseAndItsCompanionsAreFoundUnderAnyName) {
    testing::TempFolder folder("q9-account-file");
    const std::string database = folder.File("account.db");
    std::ofstream(database) << "x";
    std::ofstream(database + "-wal") << "x";
    fs::create_directory(folder.File("sub"));
    fs::create_hard_link(database, folder.File("hard.db"));
    fs::create_symlink(database, folder.File("soft.db"));
    const struct {
        std::string target;
        bool refused;
    } cases[] = {
        {database, true},
        {folder.File("sub/../account.db"), true},
        {folder.File("hard.db"), true},
        {folder.File("soft.db"), true},
        {database + "-wal", true},
        {database + "-shm", true},  // not there yet: the name alone
        {database + "-journal", true},
        {folder.File("account.db.xls"), false},
        {folder.File("report.csv"), false},
        {folder.File("sub"), false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsAccountDatabaseFile(c.target, database), c.refused) << c.target;
    }
    EXPECT_FALSE(IsAccountDatabaseFile(database, ""));  // an account on a server
}

TEST(AccountFile, RefusalNamesTheFileInTheSessionsLanguage) {
    testing::TempFolder folder("q9-account-file");
    const std::string database = folder.File("account.db");
    CreateDemoAccount(database, {});
    Gateway gateway(OpenSqliteEngine(database));
    testing::RecordingNotifier notifier;
    Texts chinese([] { return "chs"; }, notifier);
    Texts english([] { return "en"; }, notifier);
    EXPECT_EQ(AccountFileRefusal(gateway, chinese, database + "-wal"),
              "不能写入账套数据库文件：" + database + "-wal");
    EXPECT_EQ(AccountFileRefusal(gateway, english, database),
              "Cannot write into the account database file: " + database);
    EXPECT_EQ(AccountFileRefusal(gateway, chinese, folder.File("po.xls")), std::nullopt);
    Gateway closed([]() -> std::shared_ptr<DatabaseEngine> {
        throw HostError(error_number::kCannotCreateObject, "Not logged in");
    });
    EXPECT_EQ(AccountFileRefusal(closed, chinese, database), std::nullopt);
}

}  // namespace
}  // namespace q9
