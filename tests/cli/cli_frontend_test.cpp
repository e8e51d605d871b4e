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
    CliPrompter prompter(s.terminal);
    prompter.Ask({"找不到工作表\r\n请检查", "Read_Excel", MessageButtons::Ok,
                  MessageIcon::Exclamation, MessageAnswer::Ok});
    prompter.Ask(
        {"[/tmp/po.xls]文件被占用", "", MessageButtons::Ok, MessageIcon::None, MessageAnswer::Ok});
    // An untitled box keeps its empty brackets: its first words are never read as a title.
    EXPECT_EQ(s.out.str(), "[Read_Excel] 找不到工作表 请检查\n[] [/tmp/po.xls]文件被占用\n");
}

TEST(CliPrompter, QuestionsTakeTheOptionsAnswerElseNoWithoutATerminal) {
    {
        Streams s;
        CliPrompter prompter(s.terminal);
        prompter.SetPresetAnswer(MessageAnswer::Yes);
        EXPECT_EQ(prompter.Ask(Question("文件已存在，是否覆盖？")), MessageAnswer::Yes);
        EXPECT_EQ(s.out.str(), "[系统提示] 文件已存在，是否覆盖？\n");
    }
    {
        Streams s;
        s.in.str("y\n");  // not a terminal: never read
        CliPrompter prompter(s.terminal);
        EXPECT_EQ(prompter.Ask(Question("是否确认？")), MessageAnswer::No);
    }
}

TEST(CliPrompter, AsksTheTerminalWhenThereIsOneAndEnterTakesTheDefault) {
    struct Case {
        const char* reply;
        MessageAnswer byDefault;
        MessageAnswer expected;
        const char* prompt;
    };
    const Case cases[] = {
        {"y\n", MessageAnswer::Yes, MessageAnswer::Yes, "(Y/n) "},
        {" Yes \n", MessageAnswer::Yes, MessageAnswer::Yes, "(Y/n) "},
        {"是\n", MessageAnswer::No, MessageAnswer::Yes, "(y/N) "},
        {"n\n", MessageAnswer::Yes, MessageAnswer::No, "(Y/n) "},
        {"\n", MessageAnswer::Yes, MessageAnswer::Yes, "(Y/n) "},  // as the window's Enter
        {"  \r\n", MessageAnswer::Yes, MessageAnswer::Yes, "(Y/n) "},
        {"\n", MessageAnswer::No, MessageAnswer::No, "(y/N) "},
        {"maybe\n", MessageAnswer::Yes, MessageAnswer::No, "(Y/n) "},
        {"", MessageAnswer::Yes, MessageAnswer::No, "(Y/n) "},  // input ended: nobody answered
    };
    for (const Case& c : cases) {
        Streams s;
        s.terminal.inIsTerminal = true;
        s.in.str(c.reply);
        CliPrompter prompter(s.terminal);
        MessageBoxRequest question = Question("是否确认？");
        question.defaultAnswer = c.byDefault;
        EXPECT_EQ(prompter.Ask(question), c.expected) << c.reply;
        EXPECT_EQ(s.err.str(), c.prompt) << c.reply;
    }
}

TEST(CliNotifier, NoticesAreLines) {
    Streams s;
    CliNotifier notifier(s.terminal);
    notifier.ShowNotice("引出成功");
    notifier.ShowNotice("基础资料税率调整失败：no\nsuch table");
    EXPECT_EQ(s.out.str(), "引出成功\n基础资料税率调整失败：no such table\n");
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

TEST(CliEventPump, ProgressLinePerKindWithItsRateOnlyForAPersonWatchingStderr) {
    struct Report {
        const char* kind;
        int row, count;
        double second;
    };
    struct Case {
        const char* name;
        bool errIsTerminal;
        std::vector<Report> reports;
        std::string err;
    };
    const std::string clear = "\x1b[K";
    const Case cases[] = {
        {"not a terminal", false, {{"采购订单", 1, 3, 0}, {"采购订单", 3, 3, 1}}, ""},
        {"first row, then the rate since it",
         true,
         {{"采购订单", 1, 401, 10}, {"采购订单", 201, 401, 10.5}},
         "\r采购订单: row 1 of 401" + clear + "\r采购订单: row 201 of 401, 400 lines/s" + clear +
             "\n"},
        {"redrawn at most ten times a second, the last row always",
         true,
         {{"销售订单", 1, 3, 0}, {"销售订单", 2, 3, 0.05}, {"销售订单", 3, 3, 0.08}},
         "\r销售订单: row 1 of 3" + clear + "\r销售订单: row 3 of 3, 25 lines/s" + clear + "\n"},
        {"each kind keeps its own line",
         true,
         {{"采购订单", 1, 1, 0}, {"应付合同", 1, 2, 1}, {"应付合同", 2, 2, 3}},
         "\r采购订单: row 1 of 1" + clear + "\n\r应付合同: row 1 of 2" + clear +
             "\r应付合同: row 2 of 2, 1 lines/s" + clear + "\n"},
    };
    for (const Case& c : cases) {
        Streams s;
        s.terminal.errIsTerminal = c.errIsTerminal;
        double now = 0;
        CliEventPump pump(s.terminal, [&now] { return now; });
        for (const Report& r : c.reports) {
            now = r.second;
            pump.ReportProgress(r.kind, r.row, r.count);
        }
        pump.Finish();
        EXPECT_EQ(s.err.str(), c.err) << c.name;
    }
}

TEST(CliEventPump, OutputOnStdoutStartsBelowAStandingProgressLine) {
    Streams s;
    s.terminal.errIsTerminal = true;
    CliEventPump pump(s.terminal, [] { return 0.0; });
    CliNotifier notifier(s.terminal);
    pump.ReportProgress("采购订单", 1, 9);
    notifier.ShowNotice("调整完成");
    pump.Finish();  // nothing left to end
    EXPECT_EQ(s.err.str(), "\r采购订单: row 1 of 9\x1b[K\n");
    EXPECT_EQ(s.out.str(), "调整完成\n");
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
