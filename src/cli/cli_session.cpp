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
      notifier_(terminal, outcome),
      prompter_(terminal, outcome),
      pump_(terminal),
      displays_(terminal, outcome, reportPath),
      loginPrompt_(DemoDatabasePath()),
      tool_(LoginOptionsOf(options, terminal, loginPrompt_), notifier_),
      context_{tool_.gateway(), tool_.texts(), prompter_, files_, pump_, log_, state_} {
    state_.rateProfile = options.rateProfile;
}

bool CliSession::Start() {
    StartupResult result = RunStartupSequence(tool_, state_);
    if (result.error) {
        ShowStartupError(*result.error);
        return false;
    }
    if (result.refused) {
        outcome_.MarkRefused();
        return false;
    }
    return true;
}

void CliSession::ShowStartupError(const Error& error) {
    MessageBoxRequest box;
    box.text = error.NumberAndDescription();
    box.title = tool_.texts().LoadText(kStartupErrorTitle);
    box.buttons = MessageButtons::Ok;
    box.icon = MessageIcon::Critical;
    prompter_.Ask(box);
}

}  // namespace q9::cli
