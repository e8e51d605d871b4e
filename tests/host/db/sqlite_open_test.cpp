// Opening an embedded account must not change a file that turns out to be no account, and must
// not create one where the operator mistyped a path.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "host/db/engine_factory.h"
#include "host/db/sqlite_handles.h"
#include "host/texts.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

void MakeSqliteFile(const std::string& path, const std::string& script) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite::ConnectionPtr db(raw);
    ASSERT_EQ(sqlite3_exec(db.get(), script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
}

struct NotAnAccount {
    const char* name;
    std::function<void(const std::string& path)> make;  // nothing: no file at all
    int32_t number;
    const char* words;  // in the refusal
};

TEST(SqliteOpen, FilesThatAreNoAccountAreRefusedUnchanged) {
    const NotAnAccount cases[] = {
        {"missing file", {}, error_number::kFileNotFound, "No account database at "},
        {"other program's database",
         [](const std::string& path) {
             MakeSqliteFile(path, "CREATE TABLE notes(k INTEGER); INSERT INTO notes VALUES(1);");
         },
         error_number::kDatabase, "has no table t_SystemProfile"},
        {"account without its entry tables",
         [](const std::string& path) {
             MakeSqliteFile(path, "CREATE TABLE t_SystemProfile(FKey TEXT);");
         },
         error_number::kDatabase, "has no table t_Currency"},
        {"text file",
         [](const std::string& path) {
             std::ofstream(path, std::ios::binary) << "FBillNo,FEntryID\r\nCG001,1\r\n";
         },
         SQLITE_NOTADB, "Cannot open the account database"},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); },
         error_number::kFileNotFound, "No account database at "},
    };
    for (const NotAnAccount& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempFolder folder("q9-sqlite-open");
        const std::string path = folder.File("account.db");
        if (c.make) c.make(path);
        const std::string before = testing::FileBytes(path);
        try {
            OpenDatabaseEngine("sqlite:" + path);
            ADD_FAILURE() << "opened";
        } catch (const HostError& e) {
            EXPECT_EQ(e.error().number, c.number);
            const std::string shown = DescribeInLanguage("en", e.error());
            EXPECT_NE(shown.find(c.words), std::string::npos) << shown;
            EXPECT_NE(shown.find(path), std::string::npos) << shown;
        }
        EXPECT_EQ(std::filesystem::exists(path), static_cast<bool>(c.make));
        EXPECT_EQ(testing::FileBytes(path), before);  // a switch to WAL would rewrite the header
        for (const char* companion : {"-wal", "-shm", "-journal"}) {
            EXPECT_FALSE(std::filesystem::exists(path + companion)) << companion;
        }
    }
}

}  // namespace
}  // namespace q9
