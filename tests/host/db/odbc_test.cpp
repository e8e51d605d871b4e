// The ODBC engine against a real server: a throwaway PostgreSQL cluster on loopback, reached
// through the psqlodbc driver registered in a private odbcinst.ini. The tool's own server is
// SQL Server; the SQL here is portable between the two.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "host/db/engine_factory.h"
#include "host/db/odbc_connection_string.h"
#include "host/db/odbc_diagnostics.h"
#include "host/db/odbc_text.h"
#include "host/texts.h"
#include "unit_of_work_cases.h"

namespace q9 {
namespace {

// A TCP port on 127.0.0.1 that nothing listened on a moment ago.
int UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

// Runs a shell command; its exit status, with stdout and stderr in `output`.
int RunCommand(const std::string& command, std::string* output) {
    struct PipeCloser {
        void operator()(FILE* pipe) const { pclose(pipe); }
    };
    FILE* raw = popen((command + " 2>&1").c_str(), "r");
    if (!raw) return -1;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), raw)) *output += buffer.data();
    const int status = pclose(raw);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The cluster of this test process, started on first use and stopped when the tests end.
class PostgresServer : public ::testing::Environment {
  public:
    static PostgresServer& Get() {
        static PostgresServer* const server = [] {
            auto owned = std::make_unique<PostgresServer>();
            PostgresServer* raw = owned.get();
            ::testing::AddGlobalTestEnvironment(owned.release());  // gtest takes ownership
            return raw;
        }();
        return *server;
    }

    bool Start() {
        if (started_) return unavailable_.empty();
        started_ = true;
        std::error_code noTemp;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(noTemp);
        std::string pattern = (temp / "q9-odbc-XXXXXX").string();
        if (noTemp || !mkdtemp(pattern.data())) {
            unavailable_ =
                "PostgreSQL could not be started for the ODBC tests: no temporary "
                "directory";
            return false;
        }
        dir_ = pattern;
        // Before any ODBC call of the process: the driver manager reads these when it loads.
        setenv("ODBCSYSINI", dir_.c_str(), 1);
        setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
        for (int attempt = 0; attempt < 3; ++attempt) {
            port_ = UnusedPort();
            std::string output;
            if (RunCommand(Script() + " start '" + dir_ + "' " + std::to_string(port_), &output) ==
                0) {
                unavailable_.clear();
                return true;
            }
            RunCommand(Script() + " stop '" + dir_ + "'", &output);
            unavailable_ = "PostgreSQL could not be started for the ODBC tests: " + output;
        }
        return false;
    }

    void TearDown() override {
        if (dir_.empty()) return;
        std::string output;
        RunCommand(Script() + " stop '" + dir_ + "'", &output);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    const std::string& unavailable() const { return unavailable_; }
    // The private odbc.ini of the test process, for DSNs of its own.
    std::string OdbcIni() const { return dir_ + "/odbc.ini"; }
    std::string ConnectionString() const {
        return "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" + std::to_string(port_) +
               ";Database=postgres;Uid=postgres;";
    }

  private:
    static std::string Script() {
        return std::string(Q9_SOURCE_DIR) + "/scripts/pg-test-server.sh";
    }

    bool started_ = false;
    std::string dir_;
    int port_ = 0;
    std::string unavailable_;
};

class OdbcOnPostgres : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PostgresServer::Get().Start()) GTEST_SKIP() << PostgresServer::Get().unavailable();
        engine_ = OpenOdbcEngine(PostgresServer::Get().ConnectionString());
    }

    RecordsetPtr Rows(const std::string& sql) {
        Error error;
        RecordsetPtr rows = engine_->Query(sql, &error);
        EXPECT_TRUE(rows) << sql << ": " << error.description;
        return rows;
    }
    void Run(const std::string& sql) {
        const Outcome outcome = engine_->Execute(sql);
        ASSERT_TRUE(outcome.ok()) << sql << ": " << outcome.error.description;
    }
    int64_t Count(const std::string& table) {
        RecordsetPtr rows = Rows("SELECT COUNT(*) AS n FROM " + table);
        return rows ? rows->Field("n").AsInteger() : -1;
    }

    std::shared_ptr<DatabaseEngine> engine_;
};

TEST_F(OdbcOnPostgres, RecordsetKeepsTypesDecimalsAndNulls) {
    RecordsetPtr rows = Rows(
        "SELECT CAST(42 AS integer) AS i, CAST(9007199254740993 AS bigint) AS b,"
        " CAST(1234.5600 AS numeric(18,4)) AS d, CAST(-0.005 AS numeric(10,3)) AS small,"
        " CAST(0 AS numeric(10,2)) AS zero,"
        " CAST(12345678901234567.25 AS numeric(30,2)) AS wide,"
        " CAST(0.1 AS double precision) AS f, CAST(NULL AS integer) AS ni,"
        " CAST(NULL AS numeric(10,2)) AS nd, CAST(NULL AS varchar(10)) AS nt,"
        " 'abc' AS t, DATE '2018-05-01' AS day");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Field("i"), Value(int64_t{42}));
    EXPECT_EQ(rows->Field("b"), Value(int64_t{9007199254740993}));  // beyond a double's digits
    EXPECT_EQ(rows->Field("d"), Value(1234.56));
    EXPECT_EQ(rows->Field("small"), Value(-0.005));
    EXPECT_EQ(rows->Field("zero"), Value(0.0));
    // 19 significant digits would not survive a double: the text keeps every one.
    EXPECT_EQ(rows->Field("wide"), Value("12345678901234567.25"));
    EXPECT_EQ(rows->Field("f"), Value(0.1));
    EXPECT_TRUE(rows->Field("ni").IsNull());
    EXPECT_TRUE(rows->Field("nd").IsNull());
    EXPECT_TRUE(rows->Field("nt").IsNull());
    EXPECT_EQ(rows->Field("t"), Value("abc"));
    EXPECT_EQ(rows->Field("day"), Value("2018-05-01"));
}

TEST_F(OdbcOnPostgres, TableRowsComeBackInOrderWithDuplicateNamesKept) {
    Run("CREATE TABLE entry (finterid integer, fentryid integer, fprice numeric(18,6))");
    Run("INSERT INTO entry VALUES (1, 1, 10.5); INSERT INTO entry VALUES (1, 2, NULL);"
        " INSERT INTO entry VALUES (2, 1, 0.333333)");
    RecordsetPtr rows = Rows(
        "SELECT e.finterid AS id, e.fentryid AS id, e.fprice FROM entry e"
        " ORDER BY e.finterid, e.fentryid");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->FieldNames(), (std::vector<std::string>{"id", "id", "fprice"}));
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(rows->Field("id"), Value(int64_t{1}));  // the first of two equal names
    EXPECT_EQ(rows->FieldAt(1), Value(int64_t{1}));
    EXPECT_EQ(rows->Field("fprice"), Value(10.5));
    rows->MoveNext();
    EXPECT_EQ(rows->FieldAt(1), Value(int64_t{2}));
    EXPECT_TRUE(rows->Field("fprice").IsNull());
    rows->MoveNext();
    EXPECT_EQ(rows->Field("fprice"), Value(0.333333));

    Error error;
    EXPECT_FALSE(engine_->Query("SELECT * FROM entry WHERE", &error));
    EXPECT_NE(error.description.find("SQLSTATE 42601"), std::string::npos) << error.description;
}

TEST_F(OdbcOnPostgres, ChineseTextRoundTripsInSqlAndResults) {
    const std::string kind = "采购订单";
    const std::string rare = "\xF0\xA0\x80\x80";  // U+20000, a surrogate pair in UTF-16
    Run("CREATE TABLE kinds (fname varchar(20), fnote text)");
    Run("INSERT INTO kinds VALUES ('" + kind + "', '" + rare + "税率')");
    RecordsetPtr rows = Rows(
        "SELECT fname, fnote, repeat('税', 5000) AS long_text FROM kinds "
        "WHERE fname = '" +
        kind + "'");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Field("fname"), Value(kind));
    EXPECT_EQ(rows->Field("fnote"), Value(rare + "税率"));
    // Longer than one read from the driver: the pieces must join without loss.
    std::string expected;
    for (int i = 0; i < 5000; ++i) expected += "税";
    EXPECT_EQ(rows->Field("long_text").AsText(), expected);
}

TEST_F(OdbcOnPostgres, BatchesAreDrainedSoALaterFailureIsSeen) {
    RecordsetPtr first = Rows("SELECT 1 AS a; SELECT 2 AS b");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->FieldNames(), std::vector<std::string>{"a"});

    // A statement without rows before the query still gives the query's rows.
    RecordsetPtr afterCreate = Rows("CREATE TEMP TABLE scratch (k integer); SELECT 7 AS k");
    ASSERT_TRUE(afterCreate);
    EXPECT_EQ(afterCreate->Field("k"), Value(int64_t{7}));

    Error error;
    EXPECT_FALSE(engine_->Query("SELECT 1 AS a; SELECT * FROM nope; SELECT 3 AS c", &error));
    EXPECT_NE(error.description.find("SQLSTATE 42P01"), std::string::npos) << error.description;
    EXPECT_NE(error.number, 0);

    error = {};
    EXPECT_FALSE(engine_->Query("SELECT 1 AS a; SELECT 2 AS b; SELECT 1/0 AS c", &error));
    EXPECT_NE(error.description.find("SQLSTATE 22012"), std::string::npos) << error.description;

    error = {};
    EXPECT_FALSE(engine_->Query("CREATE TABLE no_rows (k integer)", &error));
    EXPECT_TRUE(error.IsSet());

    // PostgreSQL runs a multi-statement text as one implicit transaction, so the failure of
    // the third statement undoes the first two. SQL Server reports each statement's outcome
    // in turn and keeps what ran before the failure; either way the failure must be reported.
    Run("CREATE TABLE lines (k integer)");
    const Outcome outcome = engine_->Execute(
        "INSERT INTO lines VALUES (1)\r\nINSERT INTO lines VALUES (2);"
        " INSERT INTO missing_table VALUES (3)");
    EXPECT_FALSE(outcome.ok());
    EXPECT_NE(outcome.error.description.find("42"), std::string::npos) << outcome.error.description;
    const Outcome later = engine_->Execute(
        "INSERT INTO lines VALUES (1); INSERT INTO lines VALUES (2);"
        " INSERT INTO missing_table VALUES (3)");
    EXPECT_FALSE(later.ok());
    EXPECT_NE(later.error.description.find("SQLSTATE 42P01"), std::string::npos)
        << later.error.description;
    EXPECT_EQ(Count("lines"), 0);

    Run("INSERT INTO lines VALUES (1); INSERT INTO lines VALUES (2)");
    EXPECT_EQ(Count("lines"), 2);

    // Messages are not failures (SQL Server's PRINT arrives the same way).
    Run("DO $$BEGIN RAISE NOTICE 'note'; RAISE WARNING 'careful'; END$$;"
        " INSERT INTO lines VALUES (3)");
    EXPECT_EQ(Count("lines"), 3);
}

TEST_F(OdbcOnPostgres, ExecuteAtomicCommitsAllOrNothing) {
    Run("CREATE TABLE backup (k integer PRIMARY KEY, rate numeric(5,2))");
    Outcome outcome = engine_->ExecuteAtomic({"INSERT INTO backup VALUES (1, 17)",
                                              "INSERT INTO backup VALUES (2, 11);"
                                              " UPDATE backup SET rate = 16.0 WHERE k = 1"});
    ASSERT_TRUE(outcome.ok()) << outcome.error.description;

    outcome = engine_->ExecuteAtomic(
        {"UPDATE backup SET rate = 10.0 WHERE k = 2", "INSERT INTO backup VALUES (1, 0)"});
    EXPECT_FALSE(outcome.ok());
    EXPECT_NE(outcome.error.description.find("SQLSTATE 23505"), std::string::npos)
        << outcome.error.description;

    // Another connection sees exactly the committed state: the first transaction whole, the
    // second not at all, and the engine back in autocommit for a plain Execute.
    Run("INSERT INTO backup VALUES (3, 13)");
    auto observer = OpenOdbcEngine(PostgresServer::Get().ConnectionString());
    Error error;
    RecordsetPtr rows = observer->Query("SELECT k, rate FROM backup ORDER BY k", &error);
    ASSERT_TRUE(rows) << error.description;
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(rows->Field("rate"), Value(16.0));
    rows->MoveNext();
    EXPECT_EQ(rows->Field("rate"), Value(11.0));
    rows->MoveNext();
    EXPECT_EQ(rows->Field("k"), Value(int64_t{3}));

    EXPECT_TRUE(engine_->ExecuteAtomic({}).ok());
}

TEST_F(OdbcOnPostgres, UnitsOfWorkCommitRollBackAndNest) {
    Run("CREATE TABLE two_lines (k integer PRIMARY KEY, rate numeric(5,2))");
    Run("INSERT INTO two_lines VALUES (1, 17); INSERT INTO two_lines VALUES (2, 11)");
    testing::ExpectUnitsOfWork(*engine_, {"two_lines", "k", "rate"});
}

TEST_F(OdbcOnPostgres, GuardedRunRollsBackWhenItsUpdateChangesNoRow) {
    Run("CREATE TABLE line (k integer PRIMARY KEY, rate numeric(5,2))");
    Run("CREATE TABLE line_backup (k integer, rate numeric(5,2))");
    Run("INSERT INTO line VALUES (1, 17)");
    auto convert = [&](int key) {
        const std::string k = std::to_string(key);
        return engine_->ExecuteAtomicGuarded(
            {{"INSERT INTO line_backup SELECT k, rate FROM line WHERE rate = 17 AND k = " + k,
              false},
             {"UPDATE line SET rate = 16.0 WHERE rate = 17 AND k = " + k, true}});
    };
    AtomicOutcome first = convert(1);
    EXPECT_TRUE(first.committed()) << first.error.description;
    AtomicOutcome again = convert(1);  // already converted: the backup row must not stay
    EXPECT_TRUE(again.unchanged);
    EXPECT_FALSE(again.error.IsSet());
    AtomicOutcome missing = convert(2);
    EXPECT_TRUE(missing.unchanged);
    EXPECT_EQ(Count("line_backup"), 1);
    EXPECT_EQ(Rows("SELECT rate FROM line WHERE k = 1")->Field("rate"), Value(16.0));
}

TEST_F(OdbcOnPostgres, GuardCountsOnlyTheRowsOfTheGuardedStatementItself) {
    Run("CREATE TABLE guarded_entry (k integer PRIMARY KEY, rate numeric(5,2))");
    Run("CREATE TABLE guarded_backup (k integer, rate numeric(5,2))");
    Run("CREATE TABLE guarded_totals (k integer, changes integer)");
    Run("INSERT INTO guarded_entry VALUES (1, 17), (2, 17); INSERT INTO guarded_totals VALUES (1, "
        "0), (2, 0)");
    // The host's own triggers on an entry table keep other tables in step.
    Run("CREATE FUNCTION touch_guarded_totals() RETURNS trigger LANGUAGE plpgsql AS "
        "$$BEGIN UPDATE guarded_totals SET changes = changes + 1; RETURN NULL; END$$");
    Run("CREATE TRIGGER guarded_rows AFTER UPDATE ON guarded_entry FOR EACH ROW "
        "EXECUTE FUNCTION touch_guarded_totals()");
    Run("CREATE TRIGGER guarded_statement AFTER UPDATE ON guarded_entry FOR EACH STATEMENT "
        "EXECUTE FUNCTION touch_guarded_totals()");
    const struct {
        const char* name;
        std::string guarded;
        bool committed;
    } cases[] = {
        {"the line is at its old rate",
         "UPDATE guarded_entry SET rate = 16.0 WHERE rate = 17 AND k = 1", true},
        {"the line is already converted; the statement trigger still changes rows",
         "UPDATE guarded_entry SET rate = 16.0 WHERE rate = 17 AND k = 1", false},
        {"no such line", "UPDATE guarded_entry SET rate = 16.0 WHERE rate = 17 AND k = 9", false},
        // SQL Server sends the count of each statement a trigger runs ahead of the count of the
        // statement that fired it: an earlier statement's count stands in for those here.
        {"a count arrives before the statement's own",
         "UPDATE guarded_totals SET changes = changes + 100; "
         "UPDATE guarded_entry SET rate = 16.0 WHERE rate = 17 AND k = 9",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t backups = Count("guarded_backup");
        RecordsetPtr guarded_totals = Rows("SELECT SUM(changes) AS n FROM guarded_totals");
        const AtomicOutcome outcome = engine_->ExecuteAtomicGuarded(
            {{"INSERT INTO guarded_backup SELECT k, rate FROM guarded_entry WHERE rate = 17",
              false},
             {c.guarded, true}});
        EXPECT_FALSE(outcome.error.IsSet()) << outcome.error.description;
        EXPECT_EQ(outcome.committed(), c.committed);
        EXPECT_EQ(outcome.unchanged, !c.committed);
        if (!c.committed) {
            // Rolled back whole: no backup row, no trigger work.
            EXPECT_EQ(Count("guarded_backup"), backups);
            EXPECT_EQ(Rows("SELECT SUM(changes) AS n FROM guarded_totals")->Field("n"),
                      guarded_totals->Field("n"));
        }
    }
    EXPECT_EQ(Rows("SELECT rate FROM guarded_entry WHERE k = 1")->Field("rate"), Value(16.0));
    EXPECT_EQ(Rows("SELECT rate FROM guarded_entry WHERE k = 2")->Field("rate"), Value(17.0));
}

TEST_F(OdbcOnPostgres, AStatementThatRunsTooLongIsStopped) {
    auto engine = OpenOdbcEngine(PostgresServer::Get().ConnectionString(),
                                 OdbcTimeouts{.query = std::chrono::seconds(1)});
    const auto start = std::chrono::steady_clock::now();
    Error error;
    EXPECT_FALSE(engine->Query("SELECT pg_sleep(8) AS slept", &error));
    const Outcome outcome = engine->Execute("SELECT pg_sleep(8)");
    EXPECT_FALSE(outcome.ok());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(error.IsSet());
    // The connection stays usable.
    EXPECT_TRUE(engine->Query("SELECT 1 AS one", &error)) << error.description;
}

class OdbcLostConnection : public OdbcOnPostgres {
  protected:
    // Ends the engine's server session from outside, as a restarted server or a dropped
    // network would.
    void KillEngineConnection() {
        RecordsetPtr pid = Rows("SELECT pg_backend_pid() AS pid");
        ASSERT_TRUE(pid);
        const std::string id = std::to_string(pid->Field("pid").AsInteger());
        auto killer = OpenOdbcEngine(PostgresServer::Get().ConnectionString());
        Error error;
        ASSERT_TRUE(killer->Query("SELECT pg_terminate_backend(" + id + ") AS done", &error))
            << error.description;
        for (int i = 0; i < 200; ++i) {
            RecordsetPtr left = killer->Query(
                "SELECT COUNT(*) AS n FROM pg_stat_activity WHERE pid = " + id, &error);
            ASSERT_TRUE(left) << error.description;
            if (left->Field("n").AsInteger() == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FAIL() << "the server session did not end";
    }
};

TEST_F(OdbcLostConnection, QueriesAndTransactionsConnectAgain) {
    Run("CREATE TABLE survivors (k integer)");
    KillEngineConnection();
    RecordsetPtr rows = Rows("SELECT 1 AS one");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Field("one"), Value(int64_t{1}));

    KillEngineConnection();
    const Outcome outcome = engine_->ExecuteAtomic({"INSERT INTO survivors VALUES (1)"});
    EXPECT_TRUE(outcome.ok()) << outcome.error.description;
    EXPECT_EQ(Count("survivors"), 1);
}

TEST_F(OdbcLostConnection, UnitOfWorkRunsAgainOnlyWhenItMay) {
    Run("CREATE TABLE units (k integer)");
    const struct {
        TransactionRetry retry;
        bool committed;
    } cases[] = {{TransactionRetry::Never, false}, {TransactionRetry::AfterLostConnection, true}};
    int64_t expected = 0;
    for (const auto& c : cases) {
        KillEngineConnection();
        const TransactionOutcome outcome = engine_->RunTransaction(
            [](TransactionScope& scope) {
                scope.Execute("INSERT INTO units VALUES (1)");
                return TransactionEnd::Commit;
            },
            c.retry);
        EXPECT_EQ(outcome.committed(), c.committed) << outcome.error.description;
        if (c.committed) ++expected;
        EXPECT_EQ(Count("units"), expected);
    }
}

TEST_F(OdbcLostConnection, PlainBatchIsReportedNotResentAndTheNextOneWorks) {
    Run("CREATE TABLE once (k integer)");
    KillEngineConnection();
    const Outcome lost = engine_->Execute("INSERT INTO once VALUES (1)");
    EXPECT_FALSE(lost.ok());
    EXPECT_TRUE(lost.error.IsUnavailable());
    EXPECT_NE(lost.error.description.find("connection was lost"), std::string::npos)
        << lost.error.description;
    Run("INSERT INTO once VALUES (2)");
    EXPECT_EQ(Count("once"), 1);
}

TEST(OdbcConnect, UnreachableSqlServerFailsWithTheDriversReason) {
    // The private odbcinst.ini that registers FreeTDS comes with the test server's directory.
    PostgresServer::Get().Start();
    const std::string address =
        "odbc:Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(UnusedPort()) +
        ";TDS_Version=7.4;Database=AIS2018;Uid=sa;Pwd=s3cret;";
    try {
        OpenDatabaseEngine(address);
        FAIL() << "connected to a closed port";
    } catch (const HostError& e) {
        EXPECT_EQ(e.error().number, error_number::kCannotCreateObject);
        const std::string text = DescribeInLanguage("en", e.error());
        EXPECT_NE(text.find("Cannot connect to the account database"), std::string::npos) << text;
        EXPECT_NE(text.find("SQLSTATE 08"), std::string::npos) << text;
        EXPECT_NE(text.find("Server=127.0.0.1"), std::string::npos) << text;
        EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
    }
}

// A TCP port on 127.0.0.1 whose connections the kernel completes and nobody ever reads or
// answers: a server that accepts and stays silent. Open until the process ends, so that a
// connection attempt the engine left behind does not wake up while the process exits.
int SilentServerPort() {
    static const int port = [] {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(fd, 64) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return 0;
        }
        return static_cast<int>(ntohs(address.sin_port));
    }();
    return port;
}

std::string ConnectFailure(const std::function<void()>& connect,
                           std::chrono::steady_clock::duration* took) {
    const auto start = std::chrono::steady_clock::now();
    std::string failure = "connected";
    try {
        connect();
    } catch (const HostError& e) {
        failure = DescribeInLanguage("en", e.error());
    }
    *took = std::chrono::steady_clock::now() - start;
    return failure;
}

TEST(OdbcConnect, SilentSqlServerWithoutProtocolVersionFailsWithinTwentySeconds) {
    PostgresServer::Get().Start();
    ASSERT_NE(SilentServerPort(), 0);
    std::chrono::steady_clock::duration took{};
    const std::string failure = ConnectFailure(
        [] {
            OpenDatabaseEngine(
                "odbc:Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(SilentServerPort()) +
                ";Database=AIS2018;Uid=sa;Pwd=s3cret;");
        },
        &took);
    EXPECT_LT(took, std::chrono::seconds(20));
    EXPECT_NE(failure.find("Cannot connect to the account database"), std::string::npos) << failure;
    EXPECT_EQ(failure.find("s3cret"), std::string::npos) << failure;
}

TEST(OdbcConnect, ADriverThatIgnoresTheLoginTimeoutIsGivenUp) {
    PostgresServer::Get().Start();
    ASSERT_NE(SilentServerPort(), 0);
    // A DSN without a protocol version: FreeTDS falls back to a protocol that waits for ever.
    std::ofstream(PostgresServer::Get().OdbcIni(), std::ios::app)
        << "[silent]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=" << SilentServerPort()
        << "\nDatabase=AIS2018\n\n";
    std::chrono::steady_clock::duration took{};
    const std::string failure = ConnectFailure(
        [] {
            OpenOdbcEngine(
                "DSN=silent;Uid=sa;Pwd=s3cret;",
                OdbcTimeouts{.login = std::chrono::seconds(1), .grace = std::chrono::seconds(2)});
        },
        &took);
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_NE(failure.find("did not answer within 3 seconds"), std::string::npos) << failure;
    EXPECT_EQ(failure.find("s3cret"), std::string::npos) << failure;
}

TEST(OdbcConnect, UnknownDriverFailsClearly) {
    PostgresServer::Get().Start();
    try {
        OpenOdbcEngine("Driver=No Such Driver;Server=127.0.0.1");
        FAIL() << "connected through a driver that does not exist";
    } catch (const HostError& e) {
        // The driver manager's own reason, not only the connection string.
        EXPECT_NE(e.error().description.find("SQLSTATE"), std::string::npos)
            << e.error().description;
    }
}

TEST(OdbcValues, DecimalsBecomeDoublesOnlyWhenExact) {
    using odbc::DecimalTextToValue;
    EXPECT_EQ(DecimalTextToValue("123.4500"), Value(123.45));
    EXPECT_EQ(DecimalTextToValue(".5"), Value(0.5));
    EXPECT_EQ(DecimalTextToValue("-0.0000"), Value(0.0));
    EXPECT_EQ(DecimalTextToValue("-00012"), Value(-12.0));
    EXPECT_EQ(DecimalTextToValue("0.000000000000001234"), Value(1.234e-15));
    // Fifteen significant digits still fit; sixteen do not.
    EXPECT_EQ(DecimalTextToValue("999999999999.999"), Value(999999999999.999));
    EXPECT_EQ(DecimalTextToValue("9999999999999.999"), Value("9999999999999.999"));
    EXPECT_EQ(DecimalTextToValue("1.0000000000000001"), Value("1.0000000000000001"));
    EXPECT_EQ(DecimalTextToValue("12a"), Value("12a"));
    EXPECT_EQ(DecimalTextToValue("-"), Value("-"));
}

TEST(OdbcValues, WideTextRoundTripsAndReplacesBrokenSequences) {
    const std::string text = "税率 FTaxRate \xF0\x9F\x98\x80";
    const odbc::WideText wide = odbc::Utf8ToWide(text);
    EXPECT_EQ(wide.size(), 2 + 1 + 8 + 1 + 2);
    EXPECT_EQ(odbc::WideToUtf8(wide), text);
    EXPECT_EQ(odbc::WideToUtf8(odbc::Utf8ToWide("a\xE7\xA8z")), "a\xEF\xBF\xBDz");
    const SQLWCHAR lonely[] = {0xD800, 'x'};
    EXPECT_EQ(odbc::WideToUtf8(lonely, 2), "\xEF\xBF\xBDx");
}

TEST(OdbcValues, FreeTdsGetsAProtocolVersionOnlyWhereNothingElseChoosesOne) {
    const struct {
        const char* given;
        const char* sent;
    } cases[] = {
        {"Driver=FreeTDS;Server=db;Uid=sa;Pwd=x;",
         "TDS_Version=7.4;Driver=FreeTDS;Server=db;Uid=sa;Pwd=x;"},
        {"driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};Server=db",
         "TDS_Version=7.4;driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};Server=db"},
        {"Driver=FreeTDS;Server=db;tds_version=7.3", "Driver=FreeTDS;Server=db;tds_version=7.3"},
        {"Driver=FreeTDS;Servername=ais;Uid=sa", "Driver=FreeTDS;Servername=ais;Uid=sa"},
        {"DSN=ais;Uid=sa", "DSN=ais;Uid=sa"},
        {"Driver=ODBC Driver 18 for SQL Server;Server=db",
         "Driver=ODBC Driver 18 for SQL Server;Server=db"},
        // A password naming the key is no key.
        {"Driver=FreeTDS;Server=db;Pwd={TDS_Version=5.0}",
         "TDS_Version=7.4;Driver=FreeTDS;Server=db;Pwd={TDS_Version=5.0}"},
    };
    for (const auto& c : cases) EXPECT_EQ(odbc::WithDriverDefaults(c.given), c.sent) << c.given;
}

// Lost connections, timeouts and lock waits mean the account cannot be worked on now: the run
// stops instead of failing line after line.
TEST(OdbcDiagnostics, UnavailabilityIsToldFromOtherFailures) {
    struct Case {
        odbc::Diagnostics records;
        ErrorKind kind;
    };
    const Case cases[] = {
        {{{"08S01", 0, "Communication link failure"}}, ErrorKind::Unavailable},
        {{{"08001", 0, "Unable to connect"}}, ErrorKind::Unavailable},
        {{{"HYT00", 0, "Query timeout expired"}}, ErrorKind::Unavailable},
        {{{"HYT01", 0, "Connection timeout expired"}}, ErrorKind::Unavailable},
        {{{"HY000", 1222, "Lock request time out period exceeded."}}, ErrorKind::Unavailable},
        {{{"01000", 0, "Changed database context"}, {"08S01", 0, "TCP Provider: reset"}},
         ErrorKind::Unavailable},
        {{{"42S02", 208, "Invalid object name 't_Currency'."}}, ErrorKind::Statement},
        {{{"22003", 8115, "Arithmetic overflow"}}, ErrorKind::Statement},
        {{{"23000", 2627, "Violation of PRIMARY KEY constraint"}}, ErrorKind::Statement},
        {{}, ErrorKind::Statement},
    };
    for (const Case& c : cases) {
        const Error error = odbc::ErrorFromDiagnostics(c.records, "no record");
        EXPECT_EQ(error.kind, c.kind) << error.description;
    }
}

TEST(OdbcValues, PasswordsAreMaskedInConnectionStrings) {
    EXPECT_EQ(odbc::MaskPasswords("Driver=FreeTDS;Server=db;UID=sa;PWD=secret;"),
              "Driver=FreeTDS;Server=db;UID=sa;PWD=***;");
    EXPECT_EQ(odbc::MaskPasswords("DSN=ais; password = {a;b}}c} ;APP=q9"),
              "DSN=ais; password =***;APP=q9");
}

}  // namespace
}  // namespace q9
