#include "journal/recorded_run.h"

#include <chrono>
#include <ctime>

#include "host/session.h"

namespace q9 {

namespace {

std::string SessionProperty(const char* name) {
    try {
        int32_t process = CurrentProcessId();
        return TextOrEmpty(SharedPropertyStore::Instance().GetProperty(process, name));
    } catch (const std::exception&) {
        return "";  // no published session, as in a bare core
    }
}

// Write when the account has both journal tables; a failed look-up leaves `error` set.
JournalMode JournalModeOf(Gateway& gateway, Error& error) {
    RecordsetPtr tables = gateway.TryOpenRecordset(JournalTablesQuery(), &error);
    return tables && tables->RecordCount() == 2 ? JournalMode::Write : JournalMode::Off;
}

// "2019"; changes given one by one as "13:9,10:9 2026-01-01" (at most 34 characters).
std::string ProfileText(const RateProfile& profile) {
    if (!profile.name.empty()) return profile.name;
    std::string text;
    for (const RateChange& change : profile.changes) {
        text += (text.empty() ? "" : ",") + change.oldRate.Text() + ":" + change.newRate.Text();
    }
    return text + " " + profile.CutoffDate();
}

RunRecord NewRun(const WindowState& state) {
    RunRecord run;
    run.user = SessionProperty("UserName");
    run.account = SessionProperty("AcctName");
    run.profile = ProfileText(state.rateProfile);
    run.rule = state.adjustmentRule == AdjustmentRule::KeepTaxInclusivePrice ? "tax-inclusive"
                                                                             : "tax-exclusive";
    for (const auto& [box, name] :
         {std::pair{state.chkItem, "item"}, {state.chkCust, "cust"}, {state.chkSupply, "supply"}}) {
        if (!IsTicked(box)) continue;
        if (!run.masterData.empty()) run.masterData += ",";
        run.masterData += name;
    }
    return run;
}

}  // namespace

std::string RunClockNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    // Asked once a line: the local time is worked out once a second.
    thread_local std::time_t last = -1;
    thread_local std::string text;
    if (now != last) {
        std::tm local{};
        localtime_r(&now, &local);
        char formatted[32];
        std::strftime(formatted, sizeof(formatted), "%Y-%m-%dT%H:%M:%S", &local);
        text = formatted;
        last = now;
    }
    return text;
}

RecordedRun::RecordedRun(CoreContext& context, ChangeList list, RunJournal journal)
    : context_(context), previous_(context.recorder) {
    const JournalMode mode = journal == RunJournal::None
                                 ? JournalMode::Off
                                 : JournalModeOf(context.gateway, lookedUp_.error);
    recorder_ = std::make_unique<RunRecorder>(NewRun(context.state), mode, RunClockNow);
    if (!lookedUp_.ok()) {
        context.log.Write("run journal not looked up: " + lookedUp_.error.description);
        return;
    }
    // An account without the journal still converts; its runs cannot be undone.
    if (recorder_->mode() == JournalMode::Write || list == ChangeList::Wanted) {
        context_.recorder = recorder_.get();
    }
}

Outcome RecordedRun::End(RunState state) {
    const Outcome ended = recorder_->Finish(context_.gateway, state);
    if (!ended.ok()) context_.log.Write("run journal not finished: " + ended.error.description);
    return ended;
}

Outcome RecordedRun::Finish() {
    finished_ = true;
    return End(RunState::Done);
}

RecordedRun::~RecordedRun() {
    // Left unwritten, the run reads as interrupted once it stops writing.
    if (!finished_ && lookedUp_.ok()) (void)End(RunState::Interrupted);
    context_.recorder = previous_;
}

}  // namespace q9
