#pragma once

// Doubles of the session's services and the front end's interfaces, recording what the core
// does into one shared list of events so that tests can check the order across them.

#include <memory>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/db/database_engine.h"

namespace q9::testing {

using Events = std::vector<std::string>;

// Records every statement; fails the ones whose text contains `failOn` (when set).
class RecordingEngine : public DatabaseEngine {
  public:
    explicit RecordingEngine(Events& events) : events_(events) {}

    std::string failOn;
    std::string failure = "table is locked";
    std::vector<std::string> executed;
    std::vector<std::vector<std::string>> atomic;

    RecordsetPtr Query(const std::string& sql, Error*) override {
        events_.push_back("query " + sql);
        return std::make_shared<Recordset>(std::vector<std::string>{"X"},
                                           std::vector<Recordset::Row>{});
    }
    Outcome Execute(const std::string& sql) override {
        events_.push_back("execute");
        executed.push_back(sql);
        return Result(sql);
    }
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        events_.push_back("atomic");
        atomic.push_back(batches);
        for (const auto& batch : batches) {
            if (Outcome o = Result(batch); !o.ok()) return o;
        }
        return Outcome::Success();
    }

  private:
    Outcome Result(const std::string& sql) const {
        if (!failOn.empty() && sql.find(failOn) != std::string::npos) {
            return Outcome::Failure(Error{error_number::kDatabase, failure});
        }
        return Outcome::Success();
    }
    Events& events_;
};

class RecordingNotifier : public Notifier {
  public:
    explicit RecordingNotifier(Events& events) : events_(events) {}
    void ShowNotice(const std::string& message) override {
        events_.push_back("notice " + message);
        if (!throwOn.empty() && message.find(throwOn) != std::string::npos) {
            throw HostError(error_number::kCannotCreateObject, "notice refused");
        }
    }
    std::string throwOn;  // a notice containing it raises, as a failing host component would

  private:
    Events& events_;
};

class RecordingPrompter : public Prompter {
  public:
    explicit RecordingPrompter(Events& events) : events_(events) {}
    MessageAnswer answer = MessageAnswer::Yes;
    std::vector<MessageBoxRequest> asked;
    MessageAnswer Ask(const MessageBoxRequest& request) override {
        events_.push_back("box " + request.title + " " + request.text);
        asked.push_back(request);
        return request.buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
    }

  private:
    Events& events_;
};

class NoFiles : public FileChooser {
  public:
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override { return {}; }
};

class QuietPump : public EventPump {
  public:
    void ProcessEvents() override {}
    void ReportProgress(const std::string&, int, int) override {}
};

class MemoryLog : public DebugLog {
  public:
    std::vector<std::string> lines;
    void Write(const std::string& message) override { lines.push_back(message); }
};

// The display double: every call in the shared event list. `failAt` names a call that raises.
class RecordingDisplay : public ResultDisplay {
  public:
    RecordingDisplay(Events& events, std::string failAt)
        : events_(events), failAt_(std::move(failAt)) {}

    void SetWidth(int16_t width) override { Record("Width " + std::to_string(width)); }
    void SetCols(int16_t cols) override { Record("Cols " + std::to_string(cols)); }
    void SetTitles(const std::string& titles) override { Record("Titles " + titles); }
    void SetColWidth(int16_t column, int16_t width) override {
        Record("SetColWidth " + std::to_string(column) + " " + std::to_string(width));
    }
    void Add(const std::string& text) override { Record("Add " + text); }
    void Show(int16_t mode) override { Record("Show " + std::to_string(mode)); }
    ~RecordingDisplay() override { events_.push_back("display released"); }

  private:
    void Record(const std::string& call) {
        events_.push_back(call);
        if (!failAt_.empty() && call.starts_with(failAt_)) {
            throw HostError(error_number::kItemNotFound, "display refused " + failAt_);
        }
    }
    Events& events_;
    std::string failAt_;
};

class RecordingDisplayFactory : public ResultDisplayFactory {
  public:
    explicit RecordingDisplayFactory(Events& events) : events_(events) {}
    bool unavailable = false;
    std::string failAt;
    int created = 0;
    std::unique_ptr<ResultDisplay> CreateDisplay() override {
        if (unavailable) {
            throw HostError(error_number::kCannotCreateObject,
                            "ActiveX component can't create object");
        }
        ++created;
        events_.push_back("display created");
        return std::make_unique<RecordingDisplay>(events_, failAt);
    }

  private:
    Events& events_;
};

// A core context over the doubles, in the language chs.
struct CoreHarness {
    Events events;
    std::shared_ptr<RecordingEngine> engine = std::make_shared<RecordingEngine>(events);
    Gateway gateway{engine};
    RecordingNotifier notifier{events};
    Texts texts{[] { return std::string("chs"); }, notifier};
    RecordingPrompter prompter{events};
    NoFiles files;
    QuietPump pump;
    MemoryLog log;
    WindowState state;
    CoreContext context{gateway, texts, prompter, files, pump, log, state};
    RecordingDisplayFactory displays{events};
};

}  // namespace q9::testing
