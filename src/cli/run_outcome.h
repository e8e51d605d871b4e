#pragma once

namespace q9::cli {

// Exit statuses of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;

// What the operator was shown during a run, as far as the exit status is concerned.
class RunOutcome {
  public:
    void MarkFailure() { failed_ = true; }
    void MarkRefused() { refused_ = true; }
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
