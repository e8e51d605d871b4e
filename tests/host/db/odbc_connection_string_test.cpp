#include "host/db/odbc_connection_string.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

TEST(OdbcConnectionString, AsksForAPasswordOnlyWhenNothingElseCanGiveOne) {
    struct Case {
        const char* connection;
        bool holds;
        bool needs;
    };
    const Case cases[] = {
        {"Driver=FreeTDS;Server=db;Database=ACC;UID=sa;TDS_Version=7.4", false, true},
        {"Driver=FreeTDS;Server=db;UID=sa;PWD=secret", true, false},
        {"Driver=FreeTDS;Server=db;UID=sa; password = {a;b}}c} ", true, false},
        {"DSN=ais;UID=sa", false, false},  // the data source may keep it
        {" dsn =ais", false, false},
        {"FILEDSN=/etc/ais.dsn", false, false},
        {"Driver={ODBC Driver 18 for SQL Server};Server=db;Trusted_Connection=Yes", false, false},
        {"Driver=FreeTDS;Server=db;Trusted_Connection=no", false, true},
        // A braced value is one value: its "PWD=" is text, not a password.
        {"Driver=FreeTDS;APP={x;PWD=y};UID=sa", false, true},
        {"", false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(odbc::HoldsPassword(c.connection), c.holds) << c.connection;
        EXPECT_EQ(odbc::NeedsPassword(c.connection), c.needs) << c.connection;
    }
}

TEST(OdbcConnectionString, PasswordIsAddedBracedAndReadBackAsOneValue) {
    struct Case {
        const char* connection;
        const char* password;
        const char* expected;
    };
    const Case cases[] = {
        {"Driver=FreeTDS;UID=sa", "secret", "PWD={secret};Driver=FreeTDS;UID=sa"},
        {"Driver=FreeTDS;UID=sa;", "a;b", "PWD={a;b};Driver=FreeTDS;UID=sa;"},
        {"UID=sa", "x}y={z", "PWD={x}}y={z};UID=sa"},
        {"APP={unclosed;UID=sa", "p", "PWD={p};APP={unclosed;UID=sa"},
        {"", "p", "PWD={p};"},
    };
    for (const Case& c : cases) {
        const std::string with = odbc::WithPassword(c.connection, c.password);
        EXPECT_EQ(with, c.expected) << c.password;
        // Whatever the password holds, it stays one value and is masked whole.
        EXPECT_TRUE(odbc::HoldsPassword(with));
        EXPECT_FALSE(odbc::NeedsPassword(with));
        EXPECT_EQ(odbc::MaskPasswords(with).find(c.password), std::string::npos) << with;
        EXPECT_TRUE(odbc::MaskPasswords(with).starts_with("PWD=***;")) << with;
    }
}

TEST(OdbcConnectionString, MaskingKeepsEverythingButThePasswords) {
    struct Case {
        const char* connection;
        const char* masked;
    };
    const Case cases[] = {
        {"Driver=FreeTDS;Server=db;UID=sa;PWD=secret;", "Driver=FreeTDS;Server=db;UID=sa;PWD=***;"},
        {"PWD={a;b}}c};APP=q9", "PWD=***;APP=q9"},
        {"A=1;trailing words", "A=1;trailing words"},
        {"no attributes at all", "no attributes at all"},
        {"Password=", "Password=***"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(odbc::MaskPasswords(c.connection), c.masked);
}

}  // namespace
}  // namespace q9
