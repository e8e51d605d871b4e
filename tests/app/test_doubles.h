#pragma once

// The window's platform services as doubles: they record what the window asked and answer from
// a script, so no dialog ever waits for a person. The core's front-end doubles are shared
// (support/core_doubles.h); only the login prompt is the window's own.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/session.h"
#include "support/core_doubles.h"
#include "window_services.h"

namespace q9::app::test {

class ScriptedLoginPrompt : public LoginPrompt {
  public:
    std::optional<LoginChoice> AskLogin(const std::vector<Account>& /*accounts*/,
                                        const std::string& /*defaultUserName*/,
                                        const RateProfileOffer& /*profiles*/) override {
        ++calls;
        return answer;
    }
    std::optional<LoginChoice> answer;  // nullopt: the operator cancels
    int calls = 0;
};

template <typename Double, typename Interface>
Double* Own(std::unique_ptr<Interface>& slot) {
    auto owned = std::make_unique<Double>();
    Double* raw = owned.get();
    slot = std::move(owned);
    return raw;
}

// All doubles at once: the pointers stay valid after the window took the services over. A
// question nobody scripted is answered No, so that nothing changes unless a test says so.
struct Doubles {
    Doubles() { prompter->answer = MessageAnswer::No; }

    WindowServices services;
    testing::RecordingNotifier* notifier = Own<testing::RecordingNotifier>(services.notifier);
    testing::RecordingPrompter* prompter = Own<testing::RecordingPrompter>(services.prompter);
    testing::ScriptedFileChooser* files = Own<testing::ScriptedFileChooser>(services.files);
    testing::CountingPump* pump = Own<testing::CountingPump>(services.pump);
    ScriptedLoginPrompt* login = Own<ScriptedLoginPrompt>(services.loginPrompt);
    testing::RecordingDisplayFactory* displays =
        Own<testing::RecordingDisplayFactory>(services.displays);
    testing::MemoryLog* log = Own<testing::MemoryLog>(services.log);

    WindowServices Take() { return std::move(services); }
};

}  // namespace q9::app::test
