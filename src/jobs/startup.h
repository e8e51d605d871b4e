#pragma once

#include <optional>

#include "host/error.h"
#include "host/failure.h"
#include "host/gateway.h"
#include "host/session.h"
#include "host/tool_session.h"
#include "host/window_state.h"

namespace q9 {

enum class StartupResult {
    Ready,
    LoginRefused,          // the four frames are disabled and the window closes after 500 ms
    SwitchesUnread,        // exports and adjustments refuse: they depend on the switches
    BackupTablesMissing,   // the backup batch was rejected: a line that needs its backup fails
    JournalTablesMissing,  // the journal's tables could not be made: runs convert, not undoable
};

struct StartupOutcome {
    StartupResult result = StartupResult::Ready;
    std::optional<Failure> failure{};  // shown as "number (description)" titled "澜石提示"
    // The rate changes chosen at login did not reach the accounts file; the session uses them
    // all the same. A front end that offers the choice shows it as kProfileNotRememberedText.
    std::optional<Failure> profileNotRemembered{};

    bool loginRefused() const { return result == StartupResult::LoginRefused; }
};

inline constexpr const char* kStartupErrorTitle = "澜石提示";
// Shown instead of exporting or adjusting when the start-up could not read the switches.
inline constexpr const char* kSwitchesUnreadText =
    "未能读取系统参数，不能引出或调整，请重新启动本工具";

// The notice for a profile choice the accounts file did not take; %1 is "number (description)".
inline constexpr const char* kProfileNotRememberedText = "所选税率调整方案未能记入账套文件：%1";

// Logs in, fixes the cut-off date, reads the two discount switches and creates the missing
// backup and journal tables. A failure is reported, not shown: both front ends show it in their box
// and carry on, since only what needs the switches or the backup tables refuses.
StartupOutcome RunStartupSequence(HostSession& session, Gateway& gateway, WindowState& state);
// The same against a tool session.
inline StartupOutcome RunStartupSequence(ToolSession& tool, WindowState& state) {
    return RunStartupSequence(tool.session(), tool.gateway(), state);
}

// The start-up failure box: "number (description)" titled "澜石提示".
void ShowStartupFailure(const Failure& failure, Texts& texts, Prompter& prompter);

// The window's load and the command line's start: the sequence, then its failure shown.
StartupOutcome StartUp(ToolSession& tool, WindowState& state, Prompter& prompter);

// The texts it sends, exactly.
std::string SwitchesQuery();
std::string BackupTablesBatch();

}  // namespace q9
