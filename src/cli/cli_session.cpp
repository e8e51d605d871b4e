#include "cli_session.h"

#include "db_password.h"
#include "jobs/startup.h"

namespace q9::cli {

namespace {

LoginOptions LoginOptionsOf(const GlobalOptions& options, Terminal& terminal, LoginPrompt& prompt) {
    LoginOptions login;
    login.databaseUrl = WithOperatorPassword(options.db, terminal);
    login.userName = options.user;
    login.language = options.language;
    login.prompt = &prompt;
    login.rateProfile = options.rateProfile;
    if (!options.profileRequest.IsEmpty()) login.rateProfileSource = RateProfileSource::Given;
    return login;
}

}  // namespace

CliSession::CliSession(const GlobalOptions& options, Terminal& terminal, RunOutcome& outcome,
                       const std::string& reportPath)
    : terminal_(terminal),
      outcome_(outcome),
      notifier_(terminal),
      prompter_(terminal),
      pump_(terminal),
      displays_(terminal, outcome, reportPath),
      loginPrompt_(DemoDatabasePath()),
      tool_(LoginOptionsOf(options, terminal, loginPrompt_), notifier_),
      context_{tool_.gateway(), tool_.texts(), prompter_, files_, pump_, log_, state_} {
    state_.rateProfile = options.rateProfile;
}

bool CliSession::Start() {
    const StartupOutcome startup = StartUp(tool_, state_, prompter_);
    outcome_.Include(startup);
    // As in the window, after a rejected backup batch only what needs the backup tables
    // refuses, and without the journal only undo. Without the switches everything would:
    // there is nothing to go on with.
    return startup.result == StartupResult::Ready ||
           startup.result == StartupResult::BackupTablesMissing ||
           startup.result == StartupResult::JournalTablesMissing;
}

}  // namespace q9::cli
