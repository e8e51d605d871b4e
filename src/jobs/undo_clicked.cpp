#include "jobs/undo_clicked.h"

#include "journal/recorded_run.h"

namespace q9 {

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
        case UndoResult::Declined:
        case UndoResult::Failed:
            break;
    }
    return nullptr;
}

}  // namespace

UndoOutcome UndoClicked(CoreContext& context, int32_t runId) {
    Texts& texts = context.texts;
    const std::string id = std::to_string(runId);
    MessageBoxRequest question;
    question.text = texts.FormatText("是否撤销第%1次调整？", {id});
    question.title = texts.LoadText("系统提示");
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::Exclamation;
    question.defaultAnswer = MessageAnswer::No;
    if (context.prompter.Ask(question) != MessageAnswer::Yes) return {UndoResult::Declined};

    const UndoOutcome undone = UndoRun(context.gateway, runId, RunClockNow());
    if (const char* refusal = RefusalText(undone.result)) {
        texts.ShowNotice(texts.FormatText(refusal, {id}));
        return undone;
    }
    for (const KeptLine& kept : undone.kept) {
        texts.ShowNotice(texts.FormatText("调整后已被修改，未撤销：%1 %2 %3 %4",
                                          {kept.kind, kept.billNo, kept.table, kept.keys}));
    }
    if (undone.result == UndoResult::Failed) {
        texts.ShowNotice(texts.LoadText("撤销失败：") + texts.DescribeAfterLeadIn(undone.error));
    } else {
        texts.ShowNotice(
            texts.FormatText("撤销完成：恢复%1处数据", {std::to_string(undone.restored)}));
    }
    return undone;
}

}  // namespace q9
