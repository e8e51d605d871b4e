#pragma once

#include <memory>

#include "host/ports.h"
#include "host/session.h"

namespace q9::app {

// The window's platform services. Each one left empty gets its Qt implementation; tests hand in
// doubles.
struct WindowServices {
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<Prompter> prompter;
    std::unique_ptr<FileChooser> files;
    std::unique_ptr<EventPump> pump;
    std::unique_ptr<LoginPrompt> loginPrompt;
    std::unique_ptr<ResultDisplayFactory> displays;
    std::unique_ptr<DebugLog> log;
};

// The window's title, also the title of message boxes that bring none of their own.
inline constexpr const char* kWindowTitle = "税率调整工具";

}  // namespace q9::app
