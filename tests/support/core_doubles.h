#pragma once

// Doubles of the front end's interfaces and a core context over them, shared by every test. Each
// double keeps what it was told; given an event list it also writes one line there per call, so
// that a test can check the order across them ("notice …", "box TITLE TEXT", "progress KIND i/n",
// "Width 15000", "display released", …).

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/error.h"

namespace q9::testing {

using Events = std::vector<std::string>;

class RecordingNotifier : public Notifier {
  public:
    RecordingNotifier() = default;
    explicit RecordingNotifier(Events& events) : events_(&events) {}

    void ShowNotice(const std::string& message) override {
        notices.push_back(message);
        if (events_) events_->push_back("notice " + message);
        if (!throwOn.empty() && message.find(throwOn) != std::string::npos) {
            throw HostError(error_number::kCannotCreateObject, "notice refused");
        }
    }

    std::vector<std::string> notices;
    std::string throwOn;  // a notice containing it raises, as a failing host component would

  private:
    Events* events_ = nullptr;
};

// Keeps every box. A box with only OK answers OK; a question takes the next scripted answer,
// then `answer` once the script has run out.
class RecordingPrompter : public Prompter {
  public:
    RecordingPrompter() = default;
    explicit RecordingPrompter(Events& events) : events_(&events) {}

    MessageAnswer Ask(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        if (events_) events_->push_back("box " + request.title + " " + request.text);
        if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return answer;
        const MessageAnswer next = answers.front();
        answers.pop_front();
        return next;
    }

    std::vector<MessageBoxRequest> boxes;
    std::deque<MessageAnswer> answers;
    MessageAnswer answer = MessageAnswer::Yes;

  private:
    Events* events_ = nullptr;
};

// Answers each dialog with the path set for it; the empty path, as by default, is a cancel.
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
    CountingPump() = default;
    explicit CountingPump(Events& events) : events_(&events) {}

    void ProcessEvents() override { ++processed; }
    void ReportProgress(const std::string& kind, int row, int count) override {
        progress.push_back(kind + " " + std::to_string(row) + "/" + std::to_string(count));
        if (events_) events_->push_back("progress " + progress.back());
    }

    int processed = 0;
    std::vector<std::string> progress;  // "KIND i/n"

  private:
    Events* events_ = nullptr;
};

class MemoryLog : public DebugLog {
  public:
    void Write(const std::string& message) override {
        if (failWith) throw HostError(*failWith);
        lines.push_back(message);
    }

    std::vector<std::string> lines;
    std::optional<Error> failWith;  // set: every write raises it, as an unwritable log would
};

// Keeps every call ("Width 15000", "Cols 2", "Titles …", "SetColWidth 1 3000", "Add …", "Show 1")
// and the added rows. The first call that starts with `failAt` raises `failure`, or "display
// refused FAILAT" when no failure is set.
class RecordingDisplay : public ResultDisplay {
  public:
    RecordingDisplay() = default;
    explicit RecordingDisplay(Events& events) : events_(&events) {}

    void SetWidth(int16_t width) override { Record("Width " + std::to_string(width)); }
    void SetCols(int16_t cols) override { Record("Cols " + std::to_string(cols)); }
    void SetTitles(const std::string& titles) override { Record("Titles " + titles); }
    void SetColWidth(int16_t column, int16_t width) override {
        Record("SetColWidth " + std::to_string(column) + " " + std::to_string(width));
    }
    void Add(const std::string& text) override {
        Record("Add " + text);
        rows.push_back(text);
    }
    void Show(int16_t mode) override {
        Record("Show " + std::to_string(mode));
        ++shown;
        if (onShow) onShow();
    }

    // The core let go of a display that writes into this one.
    void Released() {
        if (events_) events_->push_back("display released");
    }

    std::vector<std::string> calls;
    std::vector<std::string> rows;
    int shown = 0;
    std::function<void()> onShow;  // runs while Show is on the stack
    std::string failAt;
    Error failure;

  private:
    void Record(const std::string& call) {
        calls.push_back(call);
        if (events_) events_->push_back(call);
        if (!failAt.empty() && call.starts_with(failAt)) {
            throw HostError(failure.IsSet()
                                ? failure
                                : Error{error_number::kItemNotFound, "display refused " + failAt});
        }
    }

    Events* events_ = nullptr;
};

// Every display it creates writes into `record`, so what the core did stays visible after it
// released the display.
class RecordingDisplayFactory : public ResultDisplayFactory {
  public:
    RecordingDisplayFactory() = default;
    explicit RecordingDisplayFactory(Events& events) : record(events), events_(&events) {}

    std::unique_ptr<ResultDisplay> CreateDisplay() override {
        if (unavailable) {
            throw HostError(error_number::kCannotCreateObject,
                            "ActiveX component can't create object");
        }
        ++created;
        if (events_) events_->push_back("display created");
        return std::make_unique<Handle>(record);
    }

    bool unavailable = false;  // creating a display raises, as when the component is missing
    int created = 0;
    RecordingDisplay record;

  private:
    class Handle : public ResultDisplay {
      public:
        explicit Handle(RecordingDisplay& record) : record_(record) {}
        ~Handle() override { record_.Released(); }
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;

        void SetWidth(int16_t width) override { record_.SetWidth(width); }
        void SetCols(int16_t cols) override { record_.SetCols(cols); }
        void SetTitles(const std::string& titles) override { record_.SetTitles(titles); }
        void SetColWidth(int16_t column, int16_t width) override {
            record_.SetColWidth(column, width);
        }
        void Add(const std::string& text) override { record_.Add(text); }
        void Show(int16_t mode) override { record_.Show(mode); }

      private:
        RecordingDisplay& record_;
    };

    Events* events_ = nullptr;
};

// A core context over the doubles, in the Chinese session, on `engine` (none: every database call
// fails). Notices, boxes and the calls to created displays land in `events`; the pump and the
// display to hand to the core directly keep theirs to themselves.
template <typename Engine = DatabaseEngine>
struct CoreHarness {
    explicit CoreHarness(std::shared_ptr<Engine> engineInUse = nullptr)
        : engine(std::move(engineInUse)) {}
    CoreHarness(const CoreHarness&) = delete;
    CoreHarness& operator=(const CoreHarness&) = delete;

    std::shared_ptr<Engine> engine;  // may be replaced: the gateway asks for it at each call
    Events events;
    RecordingNotifier notifier{events};
    Texts texts{[] { return std::string("chs"); }, notifier};
    Gateway gateway{
        Gateway::EngineSource([this] { return std::shared_ptr<DatabaseEngine>(engine); })};
    RecordingPrompter prompter{events};
    ScriptedFileChooser files;
    CountingPump pump;
    MemoryLog log;
    WindowState state;
    CoreContext context{gateway, texts, prompter, files, pump, log, state};
    RecordingDisplayFactory displays{events};
    RecordingDisplay display;
};

}  // namespace q9::testing
