#pragma once

#include <optional>

#include "host/error.h"
#include "host/gateway.h"
#include "host/session.h"
#include "host/tool_session.h"
#include "host/window_state.h"

namespace q9 {

struct StartupResult {
    bool refused = false;        // login refused: disable the four frames, close after 500 ms
    std::optional<Error> error;  // show "number (description)" titled "澜石提示"
};

inline constexpr const char* kStartupErrorTitle = "澜石提示";
// Shown instead of exporting or adjusting when the start-up could not read the switches.
inline constexpr const char* kSwitchesUnreadText =
    "未能读取系统参数，不能引出或调整，请重新启动本工具";

// Logs in, fixes the cut-off date, reads the two discount switches and creates the missing
// backup tables.
StartupResult RunStartupSequence(HostSession& session, Gateway& gateway, WindowState& state);
// The same against a tool session.
inline StartupResult RunStartupSequence(ToolSession& tool, WindowState& state) {
    return RunStartupSequence(tool.session(), tool.gateway(), state);
}

// The texts it sends, exactly.
std::string SwitchesQuery();
std::string BackupTablesBatch();

}  // namespace q9
