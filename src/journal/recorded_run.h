#pragma once

#include <memory>
#include <string>

#include "host/context.h"
#include "journal/run_recorder.h"

namespace q9 {

// The time as the run table keeps times: local "YYYY-MM-DDTHH:MM:SS".
std::string RunClockNow();

// A one-click run's recording for as long as it lasts: begun on construction (journaled when the
// account has the journal tables), the context's recorder meanwhile, finished as done by
// Finish and as interrupted when left without it.
class RecordedRun {
  public:
    explicit RecordedRun(CoreContext& context);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

    void Finish();
    const RunRecorder& recorder() const { return *recorder_; }

  private:
    void End(RunState state);

    CoreContext& context_;
    RunRecorder* previous_;
    std::unique_ptr<RunRecorder> recorder_;
    bool finished_ = false;
};

}  // namespace q9
