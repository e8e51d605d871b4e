#include "command_runs.h"

#include <ostream>

#include "cli_session.h"
#include "journal/recorded_run.h"
#include "journal/undo.h"

namespace q9::cli {

namespace {

const char* StateText(RunState state) {
    switch (state) {
        case RunState::Running:
            return "进行中";
        case RunState::Done:
            return "完成";
        case RunState::Interrupted:
            return "中断";
        case RunState::Undone:
            return "已撤销";
    }
    return "中断";
}

}  // namespace

std::unique_ptr<Command> RunsCommand::Parse(const std::vector<std::string>& arguments,
                                            GlobalOptions& global) {
    ParsedArguments parsed = ParseArguments(arguments, OptionSpec{{}, {}, {}}, global);
    if (!parsed.positional.empty()) {
        throw UsageError("runs takes no argument '" + parsed.positional.front() + "'");
    }
    return std::make_unique<RunsCommand>();
}

int RunsCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    RunOutcome outcome;
    CliSession session(global, terminal, outcome);
    if (!session.Start()) return outcome.ExitStatus();
    Texts& texts = session.texts();
    try {
        const std::vector<RunRecord> runs = ListRuns(session.context().gateway);
        // The titles as the grid takes them, each followed by "|"; printed tab-separated.
        std::string titles = texts.LoadText("调整编号|开始时间|用户|方案|规则|行数|状态|");
        if (!titles.empty()) titles.pop_back();
        for (char& c : titles) {
            if (c == '|') c = '\t';
        }
        terminal.out << titles << '\n';
        const std::string now = RunClockNow();
        for (const RunRecord& run : runs) {
            terminal.out << run.id << '\t' << run.startTime << '\t' << run.user << '\t'
                         << run.profile << '\t' << run.rule << '\t' << run.lines << '\t'
                         << texts.LoadText(StateText(EffectiveState(run, now))) << '\n';
        }
    } catch (const HostError& e) {
        session.notifier().ShowNotice(session.texts().Describe(e.error()));
        outcome.MarkFailure();
    }
    return outcome.ExitStatus();
}

}  // namespace q9::cli
