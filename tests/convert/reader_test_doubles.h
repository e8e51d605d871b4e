#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/error.h"

namespace q9::testing {

class RecordingNotifier : public Notifier {
  public:
    void ShowNotice(const std::string& message) override { notices.push_back(message); }
    std::vector<std::string> notices;
};

class RecordingPrompter : public Prompter {
  public:
    MessageAnswer Ask(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        return MessageAnswer::Ok;
    }
    std::vector<MessageBoxRequest> boxes;
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

class RecordingLog : public DebugLog {
  public:
    void Write(const std::string& message) override {
        if (failing) throw HostError(error_number::kPermissionDenied, "Permission denied");
        lines.push_back(message);
    }
    std::vector<std::string> lines;
    bool failing = false;
};

// A CoreContext of doubles, in the Chinese session.
struct ReaderContext {
    RecordingNotifier notifier;
    Texts texts{[] { return std::string("chs"); }, notifier};
    Gateway gateway{Gateway::EngineSource([] { return std::shared_ptr<DatabaseEngine>(); })};
    RecordingPrompter prompter;
    NoFiles files;
    NoPump pump;
    RecordingLog log;
    WindowState state;
    CoreContext context{gateway, texts, prompter, files, pump, log, state};
};

}  // namespace q9::testing
