#include "jobs/batch_run.h"

#include <gtest/gtest.h>

#include "journal/journal_sql.h"
#include "support/recording_engine.h"

namespace q9 {
namespace {

using testing::Events;
using testing::RecordingHarness;

const Events kDisplaySettings = {"display created",   "Width 15000",        "Cols 2",
                                 "Titles 单据|备注|", "SetColWidth 1 3000", "SetColWidth 2 11000"};
const std::string kQuestion = "box 系统提示 是否确定修改，修改后不可恢复，是否确认？";
// A real run first looks for the run journal; this account has none, so lines go as before.
const std::string kJournalLookup = "query " + JournalTablesQuery();

Events Concat(std::initializer_list<Events> parts) {
    Events all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Workbooks that are not there: each converter says so by a notice naming its path, which
// shows when and in which order the converters ran.
void NameMissingWorkbooks(WindowState& state) {
    state.txtPOFile = "/nonexistent/po.xls";
    state.txtSOFile = "/nonexistent/so.xls";
    state.txtHTYFFile = "/nonexistent/payable.xls";
    state.txtHYSFFile = "/nonexistent/receivable.xlsx";
}

const Events kFourConverters = {"notice 文件：/nonexistent/po.xls不存在",
                                "notice 文件：/nonexistent/so.xls不存在",
                                "notice 文件：/nonexistent/payable.xls不存在",
                                "notice 文件：/nonexistent/receivable.xlsx不存在"};

TEST(FixClicked, AsksThenAdjustsMasterDataThenConvertsInOrderThenShowsTheGrid) {
    RecordingHarness h;
    h.state.chk17 = CheckValue::Checked;
    h.state.chkItem = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Completed);

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"atomic"},
                                kFourConverters,
                                {"Show 1", "display released", "notice 调整完成"}}));
    // Each kind in order, stopped at its missing workbook, which the outcome names.
    EXPECT_EQ(outcome.masterData.result, MasterDataResult::Adjusted);
    ASSERT_EQ(outcome.conversions.size(), 4u);
    for (size_t i = 0; i < kAllDocumentKinds.size(); ++i) {
        const ConversionOutcome& kind = outcome.conversions[i];
        EXPECT_EQ(kind.kind, kAllDocumentKinds[i]);
        ASSERT_TRUE(kind.stopped());
        EXPECT_EQ(kind.stop->error.number, error_number::kFileNotFound);
        EXPECT_EQ(kind.stop->where.file, kind.workbook);
        EXPECT_EQ("notice " + kind.stop->error.description, kFourConverters[i]);
    }
    EXPECT_TRUE(outcome.AnyFailure());
    ASSERT_EQ(h.prompter.boxes.size(), 1u);
    EXPECT_EQ(h.prompter.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(h.prompter.boxes[0].icon, MessageIcon::Information);
}

TEST(FixClicked, EmptyRunShowsAnEmptyGridThenTheCompletionNotice) {
    RecordingHarness h;
    h.state.chk11 = CheckValue::Checked;
    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Completed);

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"Show 1", "display released", "notice 调整完成"}}));
    ASSERT_NE(outcome.Of(DocumentKind::SalesOrder), nullptr);
    EXPECT_EQ(outcome.Of(DocumentKind::SalesOrder)->converted, 0);
    EXPECT_EQ(outcome.masterData.result, MasterDataResult::NothingTicked);
    EXPECT_FALSE(outcome.AnyFailure());
}

TEST(FixClicked, AnswerNoChangesNothingAndShowsNothingMore) {
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Ok}) {
        RecordingHarness h;
        h.prompter.answer = answer;
        h.state.chk17 = CheckValue::Checked;
        h.state.chkCust = CheckValue::Checked;
        NameMissingWorkbooks(h.state);

        const BatchOutcome outcome = FixClicked(h.context, h.displays);
        EXPECT_EQ(outcome.result, BatchResult::Declined);
        EXPECT_TRUE(outcome.conversions.empty());

        EXPECT_EQ(h.events, (Events{kQuestion}));
        EXPECT_EQ(h.displays.created, 0);
    }
}

TEST(FixClicked, DisplayThatCannotBeCreatedStopsBeforeAnyChange) {
    RecordingHarness h;
    h.displays.unavailable = true;
    h.state.chk17 = CheckValue::Checked;
    h.state.chkItem = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Stopped);
    ASSERT_TRUE(outcome.stop);
    EXPECT_EQ(outcome.stop->error.number, error_number::kCannotCreateObject);
    EXPECT_EQ(outcome.masterData.result, MasterDataResult::NothingTicked);  // never reached

    EXPECT_EQ(h.events,
              (Events{kQuestion, kJournalLookup, "notice ActiveX component can't create object"}));
}

TEST(FixClicked, DisplayRefusingASettingStopsBeforeAnyChangeAndIsNotShown) {
    RecordingHarness h;
    h.displays.record.failAt = "SetColWidth 2";
    h.state.chk17 = CheckValue::Checked;
    h.state.chkSupply = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    EXPECT_EQ(FixClicked(h.context, h.displays).result, BatchResult::Stopped);

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"display released", "notice display refused SetColWidth 2"}}));
}

TEST(FixClicked, FailingShowKeepsTheWorkDoneAndSkipsTheCompletionNotice) {
    RecordingHarness h;
    h.displays.record.failAt = "Show";
    h.state.chk11 = CheckValue::Checked;
    h.state.chkCust = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Stopped);
    EXPECT_EQ(outcome.masterData.result, MasterDataResult::Adjusted);  // the work done is kept
    EXPECT_EQ(outcome.conversions.size(), 4u);

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"atomic"},
                                kFourConverters,
                                {"Show 1", "display released", "notice display refused Show"}}));
}

TEST(FixClicked, FailedMasterDataBatchIsReportedAndTheDocumentsStillRun) {
    RecordingHarness h;
    h.engine->failOn = "t_Organization";
    h.engine->failure = "deadlock victim";
    h.state.chk17 = CheckValue::Checked;
    h.state.chkCust = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Completed);
    EXPECT_EQ(outcome.masterData.result, MasterDataResult::Failed);
    EXPECT_TRUE(outcome.AnyFailure());

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"atomic", "notice 基础资料税率调整失败：deadlock victim"},
                                kFourConverters,
                                {"Show 1", "display released", "notice 调整完成"}}));
}

TEST(FixClicked, FailureRaisedInTheMasterDataStepSkipsTheConversionsAndTheGrid) {
    RecordingHarness h;
    h.engine->failOn = "t_ICItemMaterial";
    h.notifier.throwOn = "基础资料税率调整失败";  // the step's own notice fails
    h.state.chk17 = CheckValue::Checked;
    h.state.chkItem = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    const BatchOutcome outcome = FixClicked(h.context, h.displays);
    EXPECT_EQ(outcome.result, BatchResult::Stopped);
    EXPECT_TRUE(outcome.conversions.empty());

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"atomic", "notice 基础资料税率调整失败：table is locked",
                                 "display released", "notice notice refused"}}));
}

TEST(FixClicked, ADatabaseLockedAtTheMasterDataEndsTheRunThereWithOneNotice) {
    RecordingHarness h;
    h.engine->failOn = "t_ICItemMaterial";
    h.engine->failure = "database is locked";
    h.engine->failureKind = ErrorKind::Unavailable;
    h.state.chk17 = CheckValue::Checked;
    h.state.chkItem = CheckValue::Checked;
    NameMissingWorkbooks(h.state);
    const BatchOutcome outcome = FixClicked(h.context, h.displays);

    EXPECT_EQ(
        h.events,
        Concat({{kQuestion, kJournalLookup},
                kDisplaySettings,
                {"atomic", "notice 账套数据库被占用或连接已断开，调整已停止：database is locked",
                 "Show 1", "display released"}}));
    EXPECT_EQ(outcome.result, BatchResult::StoppedByDatabase);
}

// The order formulas leave the whole-bill discount out: a path typed into the box is refused as
// the export and the "..." buttons refuse it.
TEST(FixClicked, WhileTheWholeBillDiscountIsOnOrdersAreRefusedAndTheContractsStillRun) {
    RecordingHarness h;
    h.state.chk17 = CheckValue::Checked;
    h.state.billDiscountOn = true;
    NameMissingWorkbooks(h.state);

    EXPECT_TRUE(FixClicked(h.context, h.displays).completed());

    EXPECT_EQ(h.events, Concat({{kQuestion, kJournalLookup},
                                kDisplaySettings,
                                {"notice 系统启用整单折扣，本工具不支持修改采购订单业务。",
                                 "notice 系统启用整单折扣，本工具不支持修改销售订单业务。"},
                                {kFourConverters[2], kFourConverters[3]},
                                {"Show 1", "display released", "notice 调整完成"}}));
}

TEST(Command1Clicked, RunsWithoutQuestionOrCompletionNotice) {
    RecordingHarness h;
    h.state.chk17 = CheckValue::Checked;
    h.state.chkItem = CheckValue::Checked;
    NameMissingWorkbooks(h.state);

    EXPECT_EQ(Command1Clicked(h.context, h.displays).result, BatchResult::Completed);

    EXPECT_EQ(h.events, Concat({{kJournalLookup},
                                kDisplaySettings,
                                {"atomic"},
                                kFourConverters,
                                {"Show 1", "display released"}}));
}

TEST(Command1Clicked, ShowsAFailureByItsDescription) {
    RecordingHarness h;
    h.displays.unavailable = true;
    EXPECT_EQ(Command1Clicked(h.context, h.displays).result, BatchResult::Stopped);
    EXPECT_EQ(h.events, (Events{kJournalLookup, "notice ActiveX component can't create object"}));
}

// Not knowing whether the account keeps the journal, a run might write what cannot be undone:
// it writes nothing and says why, whichever button started it.
TEST(RecordedRuns, AJournalThatCannotBeLookedUpStopsTheRunBeforeAnything) {
    using Click = BatchOutcome (*)(CoreContext&, ResultDisplayFactory&);
    const std::pair<Click, Events> clicks[] = {
        {[](CoreContext& c, ResultDisplayFactory& d) { return FixClicked(c, d); }, {kQuestion}},
        {Command1Clicked, {}},
    };
    for (const auto& [click, before] : clicks) {
        RecordingHarness h;
        h.state.chk17 = CheckValue::Checked;
        h.state.chkItem = CheckValue::Checked;
        NameMissingWorkbooks(h.state);
        h.engine->failOn = "sysobjects";
        h.engine->failure = "connection reset";

        const BatchOutcome outcome = click(h.context, h.displays);
        EXPECT_EQ(outcome.result, BatchResult::JournalUnread);
        ASSERT_TRUE(outcome.stop);
        EXPECT_EQ(outcome.stop->error.description, "connection reset");
        EXPECT_TRUE(outcome.AnyFailure());
        EXPECT_EQ(h.events, Concat({before,
                                    {kJournalLookup, std::string("notice ") + kJournalUnreadText +
                                                         "connection reset"}}));
        EXPECT_EQ(h.displays.created, 0);
    }
}

TEST(RunBatch, EachRunGetsAFreshDisplay) {
    RecordingHarness h;
    h.state.chk17 = CheckValue::Checked;
    RunBatch(h.context, h.displays);
    RunBatch(h.context, h.displays);
    EXPECT_EQ(h.displays.created, 2);
}

}  // namespace
}  // namespace q9
