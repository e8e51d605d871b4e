#include "cli_frontend.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/cli_harness.h"
#include "host/error.h"

namespace q9::cli {
namespace {

struct Streams {
    std::ostringstream out, err;
    std::istringstream in;
    Terminal terminal{out, err, in, false, false};
    RunOutcome outcome;
};

MessageBoxRequest Question(const std::string& text) {
    return MessageBoxRequest{text, "系统提示", MessageButtons::YesNo, MessageIcon::None,
                             MessageAnswer::Yes};
}

TEST(CliPrompter, BoxesAreOneLineWithTheirTitleInBrackets) {
    Streams s;
    CliPrompter prompter(s.terminal, s.outcome);
    prompter.Ask({"找不到工作表\r\n请检查", "Read_Excel", MessageButtons::Ok,
                  MessageIcon::Exclamation, MessageAnswer::Ok});
    prompter.Ask(
        {"[/tmp/po.xls]文件被占用", "", MessageButtons::Ok, MessageIcon::None, MessageAnswer::Ok});
    EXPECT_EQ(s.out.str(), "[Read_Excel] 找不到工作表 请检查\n[/tmp/po.xls]文件被占用\n");
    EXPECT_EQ(s.outcome.ExitStatus(), kExitFailure);
}

TEST(CliPrompter, QuestionsTakeTheOptionsAnswerElseNoWithoutATerminal) {
    {
        Streams s;
        CliPrompter prompter(s.terminal, s.outcome);
        prompter.SetPresetAnswer(MessageAnswer::Yes);
        EXPECT_EQ(prompter.Ask(Question("文件已存在，是否覆盖？")), MessageAnswer::Yes);
        EXPECT_EQ(s.out.str(), "[系统提示] 文件已存在，是否覆盖？\n");
        EXPECT_EQ(s.outcome.ExitStatus(), kExitDone);
    }
    {
        Streams s;
        s.in.str("y\n");  // not a terminal: never read
        CliPrompter prompter(s.terminal, s.outcome);
        EXPECT_EQ(prompter.Ask(Question("是否确认？")), MessageAnswer::No);
        EXPECT_EQ(s.outcome.ExitStatus(), kExitRefused);
    }
}

TEST(CliPrompter, AsksTheTerminalWhenThereIsOne) {
    for (auto [reply, expected] :
         {std::pair{"y\n", MessageAnswer::Yes}, std::pair{" Yes \n", MessageAnswer::Yes},
          std::pair{"是\n", MessageAnswer::Yes}, std::pair{"n\n", MessageAnswer::No},
          std::pair{"\n", MessageAnswer::No}, std::pair{"", MessageAnswer::No}}) {
        Streams s;
        s.terminal.inIsTerminal = true;
        s.in.str(reply);
        CliPrompter prompter(s.terminal, s.outcome);
        EXPECT_EQ(prompter.Ask(Question("是否确认？")), expected) << reply;
        EXPECT_EQ(s.err.str(), "(y/n) ");
    }
}

TEST(CliNotifier, NoticesAreLinesAndOnlyTheCommandsFailuresCount) {
    Streams s;
    CliNotifier notifier(s.terminal, s.outcome);
    notifier.SetFailureTest([](const std::string& text) { return text.starts_with("基础资料"); });
    notifier.ShowNotice("引出成功");
    EXPECT_EQ(s.outcome.ExitStatus(), kExitDone);
    notifier.ShowNotice("基础资料税率调整失败：no\nsuch table");
    EXPECT_EQ(s.out.str(), "引出成功\n基础资料税率调整失败：no such table\n");
    EXPECT_EQ(s.outcome.ExitStatus(), kExitFailure);
}

TEST(CliResultDisplay, SplitsEntriesIntoTheTitledColumns) {
    EXPECT_EQ(SplitEntry("CG001 分录:3|xls上该行数据的税率不是17或11，该行数据不处理|", 2),
              (std::vector<std::string>{"CG001 分录:3",
                                        "xls上该行数据的税率不是17或11，该行数据不处理"}));
    EXPECT_EQ(SplitEntry(" 分录:|reason|", 2), (std::vector<std::string>{" 分录:", "reason"}));
    EXPECT_EQ(SplitEntry("a|b|c|", 2), (std::vector<std::string>{"a", "b|c"}));
    EXPECT_EQ(SplitEntry("a", 2), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitEntry("单据|备注|", 0), (std::vector<std::string>{"单据", "备注"}));
}

TEST(CliResultDisplay, PrintsTheGridAndWritesTheReportAsCsv) {
    testing::PrivateHome home;
    Streams s;
    std::string report = home.File("report.csv");
    CliResultDisplayFactory factory(s.terminal, s.outcome, report);
    {
        auto display = factory.CreateDisplay();
        display->SetWidth(15000);
        display->SetCols(2);
        display->SetTitles("单据|备注|");
        display->SetColWidth(1, 3000);
        display->SetColWidth(2, 11000);
        EXPECT_THROW(display->SetColWidth(3, 10), q9::HostError);
        display->Add("CG001 分录:3|reason, with \"quotes\"|");
        display->Add("A\tB\nC 分录:1|plain|");
        display->Show(1);
    }
    EXPECT_EQ(s.out.str(),
              "单据\t备注\nCG001 分录:3\treason, with \"quotes\"\nA B C 分录:1\tplain\n");
    std::ifstream in(report, std::ios::binary);
    std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(csv,
              "单据,备注\r\nCG001 分录:3,\"reason, with \"\"quotes\"\"\"\r\n\"A\tB\nC "
              "分录:1\",plain\r\n");
    EXPECT_EQ(s.outcome.ExitStatus(), kExitDone);
}

TEST(CliResultDisplay, ReportKeepsFormulasOfWorkbookCellsAsText) {
    testing::PrivateHome home;
    Streams s;
    std::string report = home.File("report.csv");
    CliResultDisplayFactory factory(s.terminal, s.outcome, report);
    auto display = factory.CreateDisplay();
    display->SetCols(2);
    display->SetTitles("单据|备注|");
    display->Add("=HYPERLINK(\"http://x\") 分录:1|@reason|");
    display->Show(1);
    std::ifstream in(report, std::ios::binary);
    std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(csv, "单据,备注\r\n\"'=HYPERLINK(\"\"http://x\"\") 分录:1\",'@reason\r\n");
}

TEST(CliResultDisplay, ReportThatCannotBeWrittenIsAFailure) {
    Streams s;
    CliResultDisplayFactory factory(s.terminal, s.outcome, "/nonexistent-dir/report.csv");
    auto display = factory.CreateDisplay();
    display->SetCols(2);
    display->SetTitles("单据|备注|");
    display->Show(1);
    EXPECT_EQ(s.out.str(), "单据\t备注\n");
    EXPECT_NE(s.err.str().find("cannot write the report"), std::string::npos);
    EXPECT_EQ(s.outcome.ExitStatus(), kExitFailure);
}

TEST(CliEventPump, ProgressOnlyForAPersonWatchingStderr) {
    Streams s;
    CliEventPump quiet(s.terminal);
    quiet.ReportProgress("采购订单", 1, 3);
    quiet.Finish();
    EXPECT_EQ(s.err.str(), "");
    s.terminal.errIsTerminal = true;
    CliEventPump shown(s.terminal);
    shown.ReportProgress("采购订单", 2, 3);
    shown.Finish();
    EXPECT_EQ(s.err.str(), "\r采购订单 2/3   \n");
}

TEST(RunOutcome, FailureOutweighsRefusal) {
    RunOutcome outcome;
    EXPECT_EQ(outcome.ExitStatus(), kExitDone);
    outcome.MarkRefused();
    EXPECT_EQ(outcome.ExitStatus(), kExitRefused);
    outcome.MarkFailure();
    EXPECT_EQ(outcome.ExitStatus(), kExitFailure);
}

}  // namespace
}  // namespace q9::cli
