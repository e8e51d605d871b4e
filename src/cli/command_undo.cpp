#include "command_undo.h"

#include <climits>

#include "cli_session.h"
#include "journal/recorded_run.h"
#include "journal/undo.h"

namespace q9::cli {

namespace {

const char* RefusalText(UndoResult result) {
    switch (result) {
        case UndoResult::NoJournal:
            return "账套中没有调整日志，不能撤销";
        case UndoResult::UnknownRun:
            return "没有编号为%1的调整";
        case UndoResult::AlreadyUndone:
            return "第%1次调整已经撤销";
        case UndoResult::RunInProgress:
            return "另一次调整正在进行，不能撤销";
        case UndoResult::Done:
        case UndoResult::Failed:
            break;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Command> UndoCommand::Parse(const std::vector<std::string>& arguments,
                                            GlobalOptions& global) {
    ParsedArguments parsed = ParseArguments(arguments, OptionSpec{{}, {"--yes"}, {}}, global);
    if (parsed.positional.size() != 1) throw UsageError("undo needs exactly one RUN-ID");
    auto command = std::make_unique<UndoCommand>();
    command->runId_ =
        static_cast<int32_t>(ParseInteger("RUN-ID", parsed.positional[0], 1, INT32_MAX));
    command->yes_ = parsed.Has("--yes");
    return command;
}

int UndoCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    RunOutcome outcome;
    CliSession session(global, terminal, outcome);
    if (!session.Start()) return outcome.ExitStatus();
    if (yes_) session.prompter().SetPresetAnswer(MessageAnswer::Yes);
    Texts& texts = session.texts();
    const std::string id = std::to_string(runId_);

    MessageBoxRequest question;
    question.text = texts.FormatText("是否撤销第%1次调整？", {id});
    question.title = texts.LoadText("系统提示");
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::Exclamation;
    question.defaultAnswer = MessageAnswer::No;
    if (session.prompter().Ask(question) != MessageAnswer::Yes) {
        outcome.MarkRefused();
        return outcome.ExitStatus();
    }

    const UndoOutcome undone = UndoRun(session.context().gateway, runId_, RunClockNow());
    if (const char* refusal = RefusalText(undone.result)) {
        session.notifier().ShowNotice(texts.FormatText(refusal, {id}));
        outcome.MarkRefused();
        return outcome.ExitStatus();
    }
    for (const KeptLine& kept : undone.kept) {
        session.notifier().ShowNotice(
            texts.FormatText("调整后已被修改，未撤销：%1 %2 %3 %4",
                             {kept.kind, kept.billNo, kept.table, kept.keys}));
    }
    if (undone.result == UndoResult::Failed) {
        session.notifier().ShowNotice(texts.LoadText("撤销失败：") +
                                      texts.DescribeAfterLeadIn(undone.error));
        outcome.MarkFailure();
        return outcome.ExitStatus();
    }
    session.notifier().ShowNotice(
        texts.FormatText("撤销完成：恢复%1处数据", {std::to_string(undone.restored)}));
    return outcome.ExitStatus();
}

}  // namespace q9::cli
