#pragma once

#include <memory>
#include <string>

#include "host/context.h"
#include "journal/run_recorder.h"

namespace q9 {

// The time as the run table keeps times: local "YYYY-MM-DDTHH:MM:SS".
std::string RunClockNow();

// Whether the caller wants the values a run changes, even where nothing can be journaled.
enum class ChangeList { Wanted, NotWanted };

// Whether a run goes into the account's journal. A preview's journal would be rolled back with
// everything else, so it writes none.
enum class RunJournal { AsTheAccountKeeps, None };

// A one-click run's recording for as long as it lasts: begun on construction (journaled when the
// account has the journal tables), the context's recorder meanwhile, finished as done by
// Finish and as interrupted when left without it. Neither journaled nor wanted, the run writes
// its lines exactly as an unrecorded one. When the look-up of the journal tables failed,
// lookedUp() holds the failure and the context is left without a recorder: run nothing then.
class RecordedRun {
  public:
    explicit RecordedRun(CoreContext& context, ChangeList list = ChangeList::Wanted,
                         RunJournal journal = RunJournal::AsTheAccountKeeps);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

    const Outcome& lookedUp() const { return lookedUp_; }
    // A failure leaves the run's row as it was after its last line: it reads as interrupted.
    Outcome Finish();
    const RunRecorder& recorder() const { return *recorder_; }

  private:
    Outcome End(RunState state);

    CoreContext& context_;
    RunRecorder* previous_;
    Outcome lookedUp_;
    std::unique_ptr<RunRecorder> recorder_;
    bool finished_ = false;
};

}  // namespace q9
