#include "db_password.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_harness.h"

namespace q9::cli {
namespace {

// Sets or clears the password variable for one case.
class PasswordVariable {
  public:
    explicit PasswordVariable(const char* value) {
        if (value) {
            setenv(kPasswordVariable, value, 1);
        } else {
            unsetenv(kPasswordVariable);
        }
    }
    ~PasswordVariable() { unsetenv(kPasswordVariable); }
    PasswordVariable(const PasswordVariable&) = delete;
    PasswordVariable& operator=(const PasswordVariable&) = delete;
};

TEST(OperatorPassword, ComesFromTheEnvironmentOrTheTerminalAndIsNeverShown) {
    struct Case {
        const char* name;
        const char* url;
        const char* variable;  // null: not set
        bool terminal;
        const char* typed;
        const char* expected;
        bool asked;
    };
    const char* kServer = "odbc:Driver=FreeTDS;Server=db;UID=sa";
    const Case cases[] = {
        {"embedded account", "sqlite:/srv/a.db", "s3cret", true, "typed", "sqlite:/srv/a.db",
         false},
        {"from the environment", kServer, "s3cret", true, "typed",
         "odbc:PWD={s3cret};Driver=FreeTDS;Server=db;UID=sa", false},
        {"the address's own wins", "odbc:Server=db;PWD=given", "s3cret", true, "typed",
         "odbc:Server=db;PWD=given", false},
        {"a DSN takes the environment's", "odbc:DSN=ais", "s3cret", true, "",
         "odbc:PWD={s3cret};DSN=ais", false},
        {"typed on the terminal", kServer, nullptr, true, "s3cret\n",
         "odbc:PWD={s3cret};Driver=FreeTDS;Server=db;UID=sa", true},
        {"empty variable: asked", kServer, "", true, "s3cret\r\n",
         "odbc:PWD={s3cret};Driver=FreeTDS;Server=db;UID=sa", true},
        {"nothing typed", kServer, nullptr, true, "\n", kServer, true},
        {"input ended", kServer, nullptr, true, "", kServer, true},
        {"no terminal: never read", kServer, nullptr, false, "s3cret\n", kServer, false},
        {"a DSN is not asked for one", "odbc:DSN=ais", nullptr, true, "s3cret\n", "odbc:DSN=ais",
         false},
    };
    for (const Case& c : cases) {
        PasswordVariable variable(c.variable);
        std::ostringstream out, err;
        std::istringstream in(c.typed);
        Terminal terminal{out, err, in, c.terminal, c.terminal};
        EXPECT_EQ(WithOperatorPassword(c.url, terminal), c.expected) << c.name;
        EXPECT_EQ(err.str(), c.asked ? "Password of the account database: " : "") << c.name;
        EXPECT_EQ(out.str(), "") << c.name;
    }
}

TEST(OperatorPassword, NeverPrintedOrLoggedWhenTheAccountCannotBeOpened) {
    // A closed port on this machine refuses at once; the messages quote the address.
    const std::string server = "Driver=FreeTDS;Server=127.0.0.1;Port=9;UID=sa;TDS_Version=7.4";
    struct Case {
        std::string db;
        const char* variable;
    };
    const Case cases[] = {
        {"odbc:" + server + ";PWD=s3cret", nullptr},
        {"odbc:" + server, "s3cret"},
        {"ODBC:" + server + ";PWD={s3cret}", nullptr},  // not an address this tool knows
    };
    for (const Case& c : cases) {
        testing::PrivateHome home;
        PasswordVariable variable(c.variable);
        auto result = testing::RunCli({"--db", c.db, "export", "po", home.File("po.xls")});
        EXPECT_EQ(result.status, 1) << c.db << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.find("s3cret"), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find("s3cret"), std::string::npos) << result.err;
        EXPECT_NE(result.out.find("PWD=***"), std::string::npos) << result.out;
        for (const auto& file : std::filesystem::recursive_directory_iterator(home.path())) {
            if (!file.is_regular_file()) continue;
            std::ifstream in(file.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            EXPECT_EQ(text.find("s3cret"), std::string::npos) << file.path();
        }
    }
}

}  // namespace
}  // namespace q9::cli
