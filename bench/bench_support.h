#pragma once

// What the benchmarks share: quiet doubles of the front end and a core context over them,
// generated candidate rows, clocks and peak memory, timed external commands, a work folder and
// the RESULT lines bench/run-all.sh reads.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/recordset.h"

namespace q9::bench {

// ---- Front end ------------------------------------------------------------------------------

// Notices are dropped, or written to stderr as "notice: …" when `echo`.
class QuietNotifier : public Notifier {
  public:
    explicit QuietNotifier(bool echo) : echo_(echo) {}
    void ShowNotice(const std::string& message) override;

  private:
    bool echo_;
};

// Answers every question Yes. A box with only OK is the core reporting a failure: written to
// stderr as "message: …" and counted.
class QuietPrompter : public Prompter {
  public:
    MessageAnswer Ask(const MessageBoxRequest& request) override;
    int messages = 0;
};

class NoFiles : public FileChooser {
  public:
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override { return {}; }
};

class NoPump : public EventPump {
  public:
    void ProcessEvents() override {}
    void ReportProgress(const std::string&, int, int) override {}
};

class NoLog : public DebugLog {
  public:
    void Write(const std::string&) override {}
};

// A core context over the quiet doubles, in the Chinese session, on `engine` (none: every
// database call fails).
struct QuietCore {
    explicit QuietCore(std::shared_ptr<DatabaseEngine> engine, bool echoNotices = false);
    QuietCore(const QuietCore&) = delete;
    QuietCore& operator=(const QuietCore&) = delete;

    QuietNotifier notifier;
    Texts texts;
    Gateway gateway;
    QuietPrompter prompter;
    NoFiles files;
    NoPump pump;
    NoLog log;
    WindowState state;
    CoreContext context{gateway, texts, prompter, files, pump, log, state};
};

// ---- Rows -----------------------------------------------------------------------------------

// `count` rows shaped like the purchase-order candidate query's, with its field names: Chinese
// partner and material names (every fiftieth partner null), amounts in cents, rates 17 and 11.
// The same rows on every call.
RecordsetPtr MakeCandidateRows(int count);

// ---- Clocks and memory ----------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start);

// Processor time of this process (user and system): unlike wall time, not stretched by other
// work on a shared machine.
double CpuSeconds();

double PeakRssMiB();

double Median(std::vector<double> values);

// ---- External programs ----------------------------------------------------------------------

// Wall time of a shell command run with its output discarded, or -1 when it failed.
double TimeCommand(const std::string& command);

// A path quoted for the shell.
std::string Quoted(const std::filesystem::path& path);

// Headless LibreOffice with the profile in `profile`, so that it runs beside any other instance.
std::string SofficeCommand(const std::filesystem::path& profile);

// ---- Work folder ----------------------------------------------------------------------------

// A fresh folder under the system's temporary folder ("STEM-XXXXXX"), removed with its content
// unless kept.
class WorkFolder {
  public:
    explicit WorkFolder(const std::string& stem);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    void Keep() { keep_ = true; }

  private:
    std::filesystem::path path_;
    bool keep_ = false;
};

// ---- Figures for bench/run-all.sh -----------------------------------------------------------

// One "RESULT name=value" line each.
void ReportCount(const std::string& name, long long count);
void ReportSeconds(const std::string& name, double seconds);  // negative: failed
void ReportMiB(const std::string& name, double mebibytes);

}  // namespace q9::bench
