#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "host/error.h"
#include "host/tool_session.h"

namespace q9 {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FileDebugLog, AppendsOneCrLfLinePerCallAndKeepsEarlierRuns) {
    auto dir = std::filesystem::temp_directory_path() / "q9-debug-log-test";
    std::filesystem::remove_all(dir);
    auto path = dir / "state" / "logq9.txt";
    {
        FileDebugLog log(path.string());
        log.Write("1");
    }
    FileDebugLog again(path.string());
    again.Write("count:13");
    std::string text = ReadAll(path);
    std::regex line(R"(\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2}:\d{2}: ([^\r\n]*)\r\n)");
    std::vector<std::string> messages;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
         it != std::sregex_iterator(); ++it)
        messages.push_back((*it)[1]);
    EXPECT_EQ(messages, (std::vector<std::string>{"1", "count:13"}));
    std::filesystem::remove_all(dir);
}

TEST(FileDebugLog, UnwritableLogIsAnError) {
    // A directory in the way of the file cannot be opened for appending, even by root.
    auto dir = std::filesystem::temp_directory_path() / "q9-debug-log-blocked";
    std::filesystem::create_directories(dir / "logq9.txt");
    FileDebugLog log((dir / "logq9.txt").string());
    EXPECT_THROW(log.Write("x"), HostError);
    std::filesystem::remove_all(dir);
}

TEST(ToolPaths, FollowTheXdgDirectories) {
    setenv("XDG_DATA_HOME", "/data", 1);
    setenv("XDG_CONFIG_HOME", "/config", 1);
    setenv("XDG_STATE_HOME", "/state", 1);
    EXPECT_EQ(DemoDatabasePath(), "/data/q9taxrate/demo.db");
    EXPECT_EQ(AccountsFilePath(), "/config/q9taxrate/accounts.ini");
    EXPECT_EQ(DebugLogPath(), "/state/q9taxrate/logq9.txt");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", "/home/op", 1);
    EXPECT_EQ(DebugLogPath(), "/home/op/.local/state/q9taxrate/logq9.txt");
}

TEST(ReadAccountsFile, ReadsOneAccountPerSectionWithADatabase) {
    auto path = std::filesystem::temp_directory_path() / "q9-accounts-test.ini";
    std::ofstream(path) << "; accounts\n[Main]\ndb = odbc:DSN=main;UID=x\n\n[Empty]\nname=x\n"
                           "[Demo]\r\nDB=sqlite:/tmp/demo.db\r\n";
    auto accounts = ReadAccountsFile(path.string());
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].name, "Main");
    EXPECT_EQ(accounts[0].url, "odbc:DSN=main;UID=x");
    EXPECT_EQ(accounts[1].url, "sqlite:/tmp/demo.db");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace q9
