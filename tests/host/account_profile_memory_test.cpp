#include "host/account_profile_memory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/session.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

RateProfileRequest Named(const char* name) {
    RateProfileRequest request;
    request.name = name;
    return request;
}

RateProfileRequest Custom() {
    RateProfileRequest request;
    request.changes = {"13:9", "6:5"};
    request.cutoff = "2026-01-01";
    return request;
}

TEST(AccountProfileMemoryTest, RewritesOnlyTheProfileKeysOfTheAccountsSection) {
    struct Case {
        const char* what;
        std::string file;
        RateProfileRequest request;
        std::optional<std::string> expected;
    };
    const std::string other = "; hq\r\n[总部]\r\ndb=odbc:DSN=hq\r\nprofile=2018\r\n";
    const Case cases[] = {
        {"no keys yet: after the section's last key, before its blank line and comment",
         "[财务]\ndb=sqlite:/a.db\n\n# next\n[b]\ndb=sqlite:/b.db\nprofile=2018\n", Named("2019"),
         "[财务]\ndb=sqlite:/a.db\nprofile=2019\n\n# next\n[b]\ndb=sqlite:/b.db\nprofile=2018\n"},
        {"a name gives way to changes, in its place, whatever the keys' case and spaces",
         "[财务]\nuser=li\n Profile = 2019\ndb=sqlite:/a.db\nCUTOFF=2019-04-01\n", Custom(),
         "[财务]\nuser=li\nchanges=13:9,6:5\ncutoff=2026-01-01\ndb=sqlite:/a.db\n"},
        {"changes give way to a name; other sections and CRLF breaks kept",
         other + "[财务]\r\ndb=sqlite:/a.db\r\nchanges=16:13\r\ncutoff=2019-04-01\r\n" + other,
         Named("2018"), other + "[财务]\r\ndb=sqlite:/a.db\r\nprofile=2018\r\n" + other},
        {"a commented-out key is no key", "[财务]\ndb=sqlite:/a.db\n;profile=2018\n", Named("2019"),
         "[财务]\ndb=sqlite:/a.db\nprofile=2019\n;profile=2018\n"},
        {"a last line without a break", "[财务]\ndb=sqlite:/a.db", Named("2019"),
         "[财务]\ndb=sqlite:/a.db\nprofile=2019\n"},
        {"the first section of that name only",
         "[财务]\ndb=sqlite:/a.db\n[财务]\ndb=sqlite:/c.db\nprofile=2018\n", Named("2019"),
         "[财务]\ndb=sqlite:/a.db\nprofile=2019\n[财务]\ndb=sqlite:/c.db\nprofile=2018\n"},
        {"no such section", "[财务账套]\ndb=sqlite:/a.db\nprofile=2018\n", Named("2019"),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WithAccountRateProfile(c.file, "财务", c.request), c.expected);
    }
}

TEST(AccountProfileMemoryTest, TheRewrittenFileReadsBackAndAMissingOneIsAnError) {
    testing::TempFolder folder("q9-profile-memory");
    const std::string path = folder.File("accounts.ini");
    std::ofstream(path, std::ios::binary) << "[财务]\ndb=sqlite:/a.db\nprofile=2018\n";

    ASSERT_TRUE(RememberAccountRateProfile(path, "财务", Custom()).ok());
    const RateProfileRequest read = ReadAccountRateProfile(path, {"财务", "sqlite:/a.db"});
    EXPECT_EQ(read.changes, Custom().changes);
    EXPECT_EQ(read.cutoff, Custom().cutoff);
    EXPECT_TRUE(read.name.empty());
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    const Outcome absent = RememberAccountRateProfile(path, "总部", Named("2019"));
    EXPECT_FALSE(absent.ok());
    EXPECT_NE(absent.error.description.find(path), std::string::npos);
    const Outcome missing = RememberAccountRateProfile(folder.File("none.ini"), "财务", {});
    EXPECT_EQ(missing.error.number, error_number::kFileNotFound);
}

}  // namespace
}  // namespace q9
