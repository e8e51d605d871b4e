#pragma once

#include "host/gateway.h"
#include "host/ports.h"
#include "host/texts.h"
#include "host/window_state.h"

namespace q9 {

class RunRecorder;  // journal/run_recorder.h

// What a core operation works with: the session's services, the front end's interfaces and the
// window's state. Front ends build one and pass it in; the core never reaches for widgets.
struct CoreContext {
    Gateway& gateway;
    Texts& texts;
    Prompter& prompter;
    FileChooser& files;
    EventPump& pump;
    DebugLog& log;
    WindowState& state;
    // The one-click run's recorder while one runs: lines and master data are written through it.
    RunRecorder* recorder = nullptr;
};

}  // namespace q9
