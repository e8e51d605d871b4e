#pragma once

// Doubles of the window's platform services: they record what the window asked and answer from
// a script, so no dialog ever waits for a person.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/ports.h"
#include "host/session.h"
#include "window_services.h"

namespace q9::app::test {

class RecordingNotifier : public Notifier {
  public:
    void ShowNotice(const std::string& message) override { notices.push_back(message); }
    std::vector<std::string> notices;
};

class ScriptedPrompter : public Prompter {
  public:
    MessageAnswer Ask(const MessageBoxRequest& request) override {
        requests.push_back(request);
        if (answers.empty())
            return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
        MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<MessageBoxRequest> requests;
    std::deque<MessageAnswer> answers;
};

class ScriptedFileChooser : public FileChooser {
  public:
    std::string ChooseOpenFile() override {
        ++openCalls;
        return openPath;
    }
    std::string ChooseSavePath() override {
        ++saveCalls;
        return savePath;
    }
    std::string openPath;
    std::string savePath;
    int openCalls = 0;
    int saveCalls = 0;
};

class CountingPump : public EventPump {
  public:
    void ProcessEvents() override { ++processed; }
    void ReportProgress(const std::string& kind, int row, int count) override {
        reports.push_back(kind + " " + std::to_string(row) + "/" + std::to_string(count));
    }
    int processed = 0;
    std::vector<std::string> reports;
};

class ScriptedLoginPrompt : public LoginPrompt {
  public:
    std::optional<LoginChoice> AskLogin(const std::vector<Account>& /*accounts*/,
                                        const std::string& /*defaultUserName*/) override {
        ++calls;
        return answer;
    }
    std::optional<LoginChoice> answer;  // nullopt: the operator cancels
    int calls = 0;
};

struct DisplayLog {
    std::vector<std::string> calls;
    int created = 0;
    int shown = 0;
    std::function<void()> onShow;
};

class RecordingDisplay : public ResultDisplay {
  public:
    explicit RecordingDisplay(DisplayLog& log) : log_(log) {}
    void SetWidth(int16_t width) override { Log("Width=" + std::to_string(width)); }
    void SetCols(int16_t cols) override { Log("Cols=" + std::to_string(cols)); }
    void SetTitles(const std::string& titles) override { Log("Titles=" + titles); }
    void SetColWidth(int16_t column, int16_t width) override {
        Log("SetColWidth " + std::to_string(column) + "," + std::to_string(width));
    }
    void Add(const std::string& text) override { Log("Add " + text); }
    void Show(int16_t mode) override {
        Log("Show " + std::to_string(mode));
        ++log_.shown;
        if (log_.onShow) log_.onShow();
    }

  private:
    void Log(std::string call) { log_.calls.push_back(std::move(call)); }
    DisplayLog& log_;
};

class RecordingDisplayFactory : public ResultDisplayFactory {
  public:
    std::unique_ptr<ResultDisplay> CreateDisplay() override {
        ++log.created;
        return std::make_unique<RecordingDisplay>(log);
    }
    DisplayLog log;
};

class MemoryDebugLog : public DebugLog {
  public:
    void Write(const std::string& message) override {
        if (failWith) throw HostError(*failWith);
        lines.push_back(message);
    }
    std::vector<std::string> lines;
    std::optional<Error> failWith;
};

template <typename Double, typename Interface>
Double* Own(std::unique_ptr<Interface>& slot) {
    auto owned = std::make_unique<Double>();
    Double* raw = owned.get();
    slot = std::move(owned);
    return raw;
}

// All doubles at once: the pointers stay valid after the window took the services over.
struct Doubles {
    WindowServices services;
    RecordingNotifier* notifier = Own<RecordingNotifier>(services.notifier);
    ScriptedPrompter* prompter = Own<ScriptedPrompter>(services.prompter);
    ScriptedFileChooser* files = Own<ScriptedFileChooser>(services.files);
    CountingPump* pump = Own<CountingPump>(services.pump);
    ScriptedLoginPrompt* login = Own<ScriptedLoginPrompt>(services.loginPrompt);
    RecordingDisplayFactory* displays = Own<RecordingDisplayFactory>(services.displays);
    MemoryDebugLog* log = Own<MemoryDebugLog>(services.log);

    WindowServices Take() { return std::move(services); }
};

}  // namespace q9::app::test
