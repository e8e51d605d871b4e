#include "run_outcome.h"

namespace q9::cli {

int ExitStatusOf(const StartupOutcome& outcome) {
    if (outcome.failure) return kExitFailure;
    return outcome.loginRefused() ? kExitRefused : kExitDone;
}

int ExitStatusOf(const ExportOutcome& outcome) {
    switch (outcome.result) {
        case ExportResult::Written:
        case ExportResult::NoCandidates:
            return kExitDone;
        case ExportResult::OverwriteDeclined:
            return kExitRefused;
        case ExportResult::SwitchesUnread:
        case ExportResult::WholeBillDiscount:
        case ExportResult::QueryFailed:
        case ExportResult::NoFileChosen:
        case ExportResult::WriteFailed:
            break;
    }
    return kExitFailure;
}

int ExitStatusOf(const BatchOutcome& outcome) {
    if (outcome.result == BatchResult::Declined) return kExitRefused;
    return outcome.AnyFailure() ? kExitFailure : kExitDone;
}

}  // namespace q9::cli
