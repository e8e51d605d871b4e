#pragma once

#include "export/export_outcome.h"
#include "jobs/batch_run.h"
#include "jobs/startup.h"

namespace q9::cli {

// Exit statuses of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;

// What the core's outcomes mean for the exit status: a failure, something the operator (or the
// login) refused, or done.
int ExitStatusOf(const StartupOutcome& outcome);
int ExitStatusOf(const ExportOutcome& outcome);
int ExitStatusOf(const BatchOutcome& outcome);

// The exit status of a whole command: the outcomes it ran, and its own failures (a report that
// could not be written).
class RunOutcome {
  public:
    void MarkFailure() { failed_ = true; }
    void MarkRefused() { refused_ = true; }
    void Include(int exitStatus) {
        if (exitStatus == kExitFailure) MarkFailure();
        if (exitStatus == kExitRefused) MarkRefused();
    }
    template <typename Outcome>
    void Include(const Outcome& outcome) {
        Include(ExitStatusOf(outcome));
    }
    bool failed() const { return failed_; }
    bool refused() const { return refused_; }

    // A failure outweighs a refusal: something the operator asked for did not happen.
    int ExitStatus() const {
        if (failed_) return kExitFailure;
        if (refused_) return kExitRefused;
        return kExitDone;
    }

  private:
    bool failed_ = false;
    bool refused_ = false;
};

}  // namespace q9::cli
