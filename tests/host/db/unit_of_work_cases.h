#pragma once

// What every engine's units of work must do, on a table of two lines: key 1 at rate 17 and key 2
// at rate 11.

#include <gtest/gtest.h>

#include <string>

#include "host/db/database_engine.h"

namespace q9::testing {

struct TwoLines {
    std::string table, keyColumn, rateColumn;

    std::string Set(int key, int rate) const {
        return "UPDATE " + table + " SET " + rateColumn + "=" + std::to_string(rate) + " WHERE " +
               keyColumn + "=" + std::to_string(key);
    }
    std::string Read(int key) const {
        return "SELECT " + rateColumn + " FROM " + table + " WHERE " + keyColumn + "=" +
               std::to_string(key);
    }
};

inline double RateIn(TransactionScope& scope, const TwoLines& lines, int key) {
    return scope.Query(lines.Read(key))->FieldAt(0).NumberAsDouble();
}

inline double RateOf(DatabaseEngine& engine, const TwoLines& lines, int key) {
    Error error;
    RecordsetPtr rows = engine.Query(lines.Read(key), &error);
    EXPECT_TRUE(rows) << error.description;
    return rows && rows->RecordCount() == 1 ? rows->FieldAt(0).NumberAsDouble() : -1;
}

inline void ExpectUnitsOfWork(DatabaseEngine& engine, const TwoLines& lines) {
    const std::string failing = "UPDATE no_such_table SET a=1";
    struct Case {
        const char* name;
        TransactionEnd answer;
        bool fails;
        double key1, key2;  // afterwards
    };
    const Case cases[] = {
        {"rolled back", TransactionEnd::RollBack, false, 17, 11},
        {"failed", TransactionEnd::Commit, true, 17, 11},
        {"committed", TransactionEnd::Commit, false, 15, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TransactionOutcome outcome = engine.RunTransaction([&](TransactionScope& scope) {
            EXPECT_EQ(scope.Execute(lines.Set(1, 15)), 1);
            EXPECT_EQ(scope.Execute(lines.Set(99, 15)), 0);
            EXPECT_EQ(RateIn(scope, lines, 1), 15);
            // The engine itself answers with a failure while its unit of work runs.
            Error past;
            EXPECT_FALSE(engine.Query(lines.Read(1), &past));
            EXPECT_TRUE(past.IsSet());

            // A nested unit rolled back undoes only itself.
            EXPECT_EQ(scope.RunNested([&](TransactionScope& inner) {
                inner.Execute(lines.Set(2, 10));
                return TransactionEnd::RollBack;
            }),
                      TransactionEnd::RollBack);
            EXPECT_EQ(RateIn(scope, lines, 2), 11);
            // A failing one too, and the transaction goes on.
            EXPECT_THROW(scope.RunNested([&](TransactionScope& inner) {
                inner.Execute(lines.Set(1, 1));
                inner.Execute(failing);
                return TransactionEnd::Commit;
            }),
                         HostError);
            EXPECT_EQ(RateIn(scope, lines, 1), 15);
            // A committed one stays with the enclosing transaction.
            scope.RunNested([&](TransactionScope& inner) {
                inner.Execute(lines.Set(2, 9));
                return TransactionEnd::Commit;
            });
            EXPECT_EQ(RateIn(scope, lines, 2), 9);
            if (c.fails) scope.Execute(failing);
            return c.answer;
        });
        EXPECT_EQ(outcome.committed(), c.answer == TransactionEnd::Commit && !c.fails);
        EXPECT_EQ(outcome.error.IsSet(), c.fails) << outcome.error.description;
        EXPECT_EQ(RateOf(engine, lines, 1), c.key1);
        EXPECT_EQ(RateOf(engine, lines, 2), c.key2);
    }
    // The engine is back to plain statements.
    EXPECT_TRUE(engine.Execute(lines.Set(1, 17)).ok());
    EXPECT_EQ(RateOf(engine, lines, 1), 17);
}

}  // namespace q9::testing
