#pragma once

// Doubles of the front end and the database, and independent readers of the workbooks written.

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/context.h"
#include "host/db/database_engine.h"

namespace q9::test {

class RecordingNotifier : public Notifier {
  public:
    void ShowNotice(const std::string& message) override { notices.push_back(message); }
    std::vector<std::string> notices;
};

// Answers questions from a script (Yes when it runs out) and keeps every box it was shown.
class ScriptedPrompter : public Prompter {
  public:
    MessageAnswer Ask(const MessageBoxRequest& request) override;
    std::deque<MessageAnswer> answers;
    std::vector<MessageBoxRequest> shown;
};

class FixedFileChooser : public FileChooser {
  public:
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override {
        ++saveDialogs;
        return savePath;
    }
    std::string savePath;
    int saveDialogs = 0;
};

class IdlePump : public EventPump {
  public:
    void ProcessEvents() override {}
    void ReportProgress(const std::string&, int, int) override {}
};

class MemoryLog : public DebugLog {
  public:
    void Write(const std::string& message) override { lines.push_back(message); }
    std::vector<std::string> lines;
};

// Answers every query with the same rows, or with a failure when `failure` is set.
class FakeEngine : public DatabaseEngine {
  public:
    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;

    RecordsetPtr rows;
    Error failure;
    std::vector<std::string> queries;
};

// Everything a core operation needs, wired to the doubles.
struct ExportHarness {
    ExportHarness();
    CoreContext Context();

    std::shared_ptr<FakeEngine> engine = std::make_shared<FakeEngine>();
    Gateway gateway{engine};
    RecordingNotifier notifier;
    Texts texts;
    ScriptedPrompter prompter;
    FixedFileChooser files;
    IdlePump pump;
    MemoryLog log;
    WindowState state;
};

// Candidate rows as the purchase-order query returns them, with Chinese names and amounts
// that have decimals; row i (from 0) is predictable from i.
RecordsetPtr MakeCandidateRows(int count);

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The folder as the export takes it: ending with the separator.
    std::string FolderText() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

// A workbook as python3-xlrd reads it.
struct ReadCell {
    char type = 0;  // 'n' number, 's' text
    std::string text;
    double number = 0;
};
struct XlrdSheet {
    std::string name;
    int rows = 0;
    int columns = 0;
    std::map<std::pair<int, int>, ReadCell> cells;  // non-empty cells by (row, column)
};
struct XlrdBook {
    std::vector<std::string> streams;
    int biffVersion = 0;
    std::string codepage;
    std::vector<XlrdSheet> sheets;
};
XlrdBook ReadWithXlrd(const std::filesystem::path& workbook);

// Runs a shell command; its standard output, or throws when it fails.
std::string RunCommand(const std::string& command);

}  // namespace q9::test
