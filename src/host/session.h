#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/value.h"
#include "rates/rate_profile.h"

namespace q9 {

// An account of the accounts file ($XDG_CONFIG_HOME/q9taxrate/accounts.ini).
struct Account {
    std::string name;
    std::string url;  // sqlite:PATH or odbc:CONNECTION-STRING
};

struct LoginChoice {
    std::string accountName;
    std::string url;
    std::string userName;
    // Asked for an ODBC account that has no other source of one; it goes into the connection
    // and nowhere else.
    std::string password;
    // The rate changes chosen for the session; none when the prompt offers no choice.
    std::optional<RateProfile> rateProfile;
};

// The rate-change profiles a prompt may offer, and the one it first shows for each account.
struct RateProfileOffer {
    std::vector<RateProfile> profiles;         // the built-in ones, then any other in force
    RateProfile standing;                      // for an account without a profile of its own
    std::map<std::string, RateProfile> owned;  // by account name: the account's remembered one
};

// Asks the operator which account to log in to; nullopt means Cancel.
class LoginPrompt {
  public:
    virtual ~LoginPrompt() = default;
    virtual std::optional<LoginChoice> AskLogin(const std::vector<Account>& accounts,
                                                const std::string& defaultUserName,
                                                const RateProfileOffer& profiles) = 0;
};

enum class RateProfileSource { Standard, Given };

struct LoginOptions {
    std::string databaseUrl;  // --db; empty: ask the prompt, else the demo account
    std::string userName;     // empty: the login name of the process
    std::string language = "chs";
    LoginPrompt* prompt = nullptr;
    std::string accountsFile;      // the accounts file offered by the prompt
    std::string demoDatabasePath;  // the embedded demo account, used when nothing else is chosen
    RateProfile rateProfile = StandardRateProfile();  // the rate changes the session makes
    // Given: the operator named the profile, and an account's own profile does not replace it.
    RateProfileSource rateProfileSource = RateProfileSource::Standard;
};

// Accounts of an accounts file: one [section] per account with db=URL.
std::vector<Account> ReadAccountsFile(const std::string& path);

// The rate changes an account's section names (profile=NAME, or changes=OLD:NEW,OLD:NEW with
// cutoff=DATE); empty when it names none or the file has no such account.
RateProfileRequest ReadAccountRateProfile(const std::string& path, const Account& account);

// The host's login component: picks the session's account database and describes the session.
class HostLogin : public HostObject {
  public:
    explicit HostLogin(LoginOptions options);

    // -1 when a session is open, 0 when the operator cancelled.
    virtual Value Login(std::string& identifier, std::string& secondText, bool& flag);

    Value UserName() const;
    Value PropsString() const;  // USERNAME, ACCTNAME, LANGUAGE, DB at least
    Value LogStatus() const;
    Value AcctName() const;
    Value AcctType() const;
    Value SetupType() const;
    Value UUID() const;

    bool LoggedIn() const { return loggedIn_; }
    // The profile chosen in the prompt; else the chosen account's own, resolved, when it has one
    // and the options named none.
    const std::optional<RateProfileResult>& AccountRateProfile() const {
        return accountRateProfile_;
    }
    const std::string& DatabaseUrl() const { return databaseUrl_; }
    // Whether the profile chosen in the prompt was remembered for the account; a failure costs
    // the operator one choice next time.
    const Outcome& RateProfileMemory() const { return rateProfileMemory_; }

  private:
    LoginOptions options_;
    bool loggedIn_ = false;
    std::string databaseUrl_;
    std::string accountName_;
    std::string userName_;
    std::string uuid_;
    std::optional<RateProfileResult> accountRateProfile_;
    Outcome rateProfileMemory_;
};

// The shared property store: per process id, name → value or object reference.
class SharedPropertyStore {
  public:
    // Throws HostError when nothing is stored under that name for that process.
    void AddProperty(int32_t& processId, const std::string& name, const Value& value);
    Value GetProperty(int32_t& processId, const std::string& name) const;
    void Clear();  // for tests

    static SharedPropertyStore& Instance();

  private:
    std::map<int32_t, std::map<std::string, Value>> properties_;
};

int32_t CurrentProcessId();

// The tool's host session: login, publishing and take-over of the shared session properties.
class HostSession {
  public:
    using LoginFactory = std::function<std::shared_ptr<HostLogin>()>;

    explicit HostSession(LoginFactory createLogin);

    // True when the tool holds a usable session. Throws HostError when a component fails.
    bool LoginToHost();
    std::string GetPropsString();
    Value GetSharedProperty(const std::string& name);
    // The value of one key of the session property string; empty when absent.
    std::string GetSessionProperty(const std::string& key);

    // The login object held (new or taken over); may be null before LoginToHost.
    std::shared_ptr<HostLogin> login() const { return login_; }
    // The session's account database ("" when none).
    std::string DatabaseUrl() const;

  private:
    using PropertyBag = std::map<std::string, Value>;

    std::optional<PropertyBag> ReadSharedSession();
    void PublishSessionProperties();
    void RepublishSessionProperties(const PropertyBag& bag);

    LoginFactory createLogin_;
    std::shared_ptr<HostLogin> login_;
    std::string loginIdentifier_;
    std::string secondLoginText_;
};

// The value of `key` in a session property string (substring search of key + "=", case
// ignored, cut at the first ";").
std::string ParseSessionProperty(const std::string& propsString, const std::string& key);

}  // namespace q9
