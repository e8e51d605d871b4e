// The exit status as the outcomes of the core decide it, never the texts shown.

#include <gtest/gtest.h>

#include "run_outcome.h"

namespace q9::cli {
namespace {

Failure AFailure() {
    return Failure{{error_number::kDatabase, "deadlock victim"}, {}};
}

TEST(ExitStatus, OfTheStartUp) {
    struct Case {
        StartupResult result;
        bool failed;
        int status;
    };
    for (const Case& c : {Case{StartupResult::Ready, false, kExitDone},
                          Case{StartupResult::LoginRefused, false, kExitRefused},
                          Case{StartupResult::SwitchesUnread, true, kExitFailure},
                          Case{StartupResult::BackupTablesMissing, true, kExitFailure},
                          Case{StartupResult::JournalTablesMissing, true, kExitFailure}}) {
        StartupOutcome outcome{c.result};
        if (c.failed) outcome.failure = AFailure();
        EXPECT_EQ(ExitStatusOf(outcome), c.status) << static_cast<int>(c.result);
    }
}

TEST(ExitStatus, OfAnExport) {
    struct Case {
        ExportResult result;
        int status;
    };
    for (const Case& c :
         {Case{ExportResult::Written, kExitDone}, Case{ExportResult::NoCandidates, kExitDone},
          Case{ExportResult::OverwriteDeclined, kExitRefused},
          Case{ExportResult::SwitchesUnread, kExitFailure},
          Case{ExportResult::WholeBillDiscount, kExitFailure},
          Case{ExportResult::QueryFailed, kExitFailure},
          Case{ExportResult::NoFileChosen, kExitFailure},
          Case{ExportResult::WriteFailed, kExitFailure}}) {
        EXPECT_EQ(ExitStatusOf(ExportOutcome{.result = c.result}), c.status)
            << static_cast<int>(c.result);
    }
}

TEST(ExitStatus, OfAOneClickRun) {
    auto conversion = [](auto change) {
        BatchOutcome outcome;
        outcome.conversions.resize(4);
        change(outcome.conversions[2]);
        return outcome;
    };
    BatchOutcome masterDataFailed;
    masterDataFailed.masterData = {MasterDataResult::Failed, AFailure()};
    BatchOutcome stopped{.result = BatchResult::Stopped, .stop = AFailure()};
    BatchOutcome refused{.result = BatchResult::Refused, .stop = AFailure()};

    struct Case {
        const char* name;
        BatchOutcome outcome;
        int status;
    };
    const Case cases[] = {
        {"clean", conversion([](ConversionOutcome& c) { c.converted = 3; }), kExitDone},
        {"rows refused by the rules",
         conversion([](ConversionOutcome& c) { c.refused = c.listed = 2; }), kExitDone},
        {"declined", BatchOutcome{.result = BatchResult::Declined}, kExitRefused},
        {"refused without the switches", refused, kExitFailure},
        {"stopped", stopped, kExitFailure},
        {"master data failed", masterDataFailed, kExitFailure},
        {"a line refused by the database",
         conversion([](ConversionOutcome& c) { c.failures.push_back(AFailure()); }), kExitFailure},
        {"a workbook stopped", conversion([](ConversionOutcome& c) { c.stop = AFailure(); }),
         kExitFailure},
    };
    for (const Case& c : cases) EXPECT_EQ(ExitStatusOf(c.outcome), c.status) << c.name;
}

TEST(RunOutcome, IncludesOutcomesAndAFailureOutweighsARefusal) {
    RunOutcome outcome;
    outcome.Include(StartupOutcome{});
    EXPECT_EQ(outcome.ExitStatus(), kExitDone);
    outcome.Include(ExportOutcome{.result = ExportResult::OverwriteDeclined});
    EXPECT_EQ(outcome.ExitStatus(), kExitRefused);
    outcome.Include(ExportOutcome{.result = ExportResult::Written});
    EXPECT_EQ(outcome.ExitStatus(), kExitRefused);
    outcome.Include(BatchOutcome{.result = BatchResult::Stopped, .stop = AFailure()});
    EXPECT_EQ(outcome.ExitStatus(), kExitFailure);
}

}  // namespace
}  // namespace q9::cli
