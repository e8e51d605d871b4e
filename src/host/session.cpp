#include "host/session.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>

#include "host/account_profile_memory.h"
#include "host/db/odbc_connection_string.h"
#include "host/error.h"
#include "host/recordset.h"

namespace q9 {

namespace {

// The names of the shared session, in the order they are read back.
constexpr const char* kSharedNames[] = {"NXLogin",   "UserName", "PropsString",
                                        "LogStatus", "AcctName", "AcctType",
                                        "Setuptype", "AcctID",   "UUID"};

std::string ProcessLoginName() {
    if (const char* user = std::getenv("USER"); user && *user) return user;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return "user";
}

std::string NewUuid() {
    std::random_device device;
    std::mt19937_64 generator(device());
    uint64_t high = generator();
    uint64_t low = generator();
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>((high & 0x0FFF) | 0x4000),
                  static_cast<unsigned>((low >> 48 & 0x3FFF) | 0x8000),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string AccountNameOf(const std::string& url) {
    // A connection string may hold a password, and the name is published with the session.
    std::string rest = odbc::MaskPasswords(url.substr(url.find(':') + 1));
    auto slash = rest.find_last_of('/');
    if (slash != std::string::npos) rest = rest.substr(slash + 1);
    auto dot = rest.find_last_of('.');
    if (dot != std::string::npos && dot > 0) rest = rest.substr(0, dot);
    return rest.size() > 60 ? rest.substr(0, 60) : rest;
}

struct AccountSection {
    Account account;
    RateProfileRequest rateProfile;
};

std::vector<AccountSection> ReadAccountSections(const std::string& path) {
    std::vector<AccountSection> accounts;
    std::ifstream in(path);
    std::string line;
    auto trim = [](std::string s) {
        size_t b = s.find_first_not_of(" \t\r");
        size_t e = s.find_last_not_of(" \t\r");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            accounts.push_back({{trim(line.substr(1, line.size() - 2)), ""}, {}});
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos || accounts.empty()) continue;
        const std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        RateProfileRequest& profile = accounts.back().rateProfile;
        if (EqualsIgnoringCase(key, "db")) accounts.back().account.url = value;
        if (EqualsIgnoringCase(key, "profile")) profile.name = value;
        if (EqualsIgnoringCase(key, "cutoff")) profile.cutoff = value;
        if (EqualsIgnoringCase(key, "changes")) {
            profile.changes.clear();
            for (size_t start = 0; start <= value.size();) {
                const size_t comma = std::min(value.find(',', start), value.size());
                profile.changes.push_back(trim(value.substr(start, comma - start)));
                start = comma + 1;
            }
        }
    }
    std::erase_if(accounts, [](const AccountSection& a) { return a.account.url.empty(); });
    return accounts;
}

// What the login prompt offers: the built-in profiles, the one in force, and each account's own
// unless the operator named one (a bad own one is not offered; the choice then replaces it).
RateProfileOffer OfferRateProfiles(const LoginOptions& options,
                                   const std::vector<AccountSection>& sections) {
    RateProfileOffer offer{BuiltInRateProfiles(), options.rateProfile, {}};
    auto offerAlso = [&offer](const RateProfile& profile) {
        const std::string description = DescribeRateProfile(profile);
        for (const RateProfile& offered : offer.profiles) {
            if (DescribeRateProfile(offered) == description) return;
        }
        offer.profiles.push_back(profile);
    };
    offerAlso(options.rateProfile);
    if (options.rateProfileSource == RateProfileSource::Given) return offer;
    for (const AccountSection& section : sections) {
        if (section.rateProfile.IsEmpty() || offer.owned.contains(section.account.name)) continue;
        const RateProfileResult own = ResolveRateProfile(section.rateProfile, "");
        if (!own.ok()) continue;
        offerAlso(own.profile);
        offer.owned.emplace(section.account.name, own.profile);
    }
    return offer;
}

}  // namespace

std::vector<Account> ReadAccountsFile(const std::string& path) {
    std::vector<Account> accounts;
    for (const AccountSection& section : ReadAccountSections(path)) {
        accounts.push_back(section.account);
    }
    return accounts;
}

RateProfileRequest ReadAccountRateProfile(const std::string& path, const Account& account) {
    for (const AccountSection& section : ReadAccountSections(path)) {
        if (section.account.name == account.name && section.account.url == account.url) {
            return section.rateProfile;
        }
    }
    return {};
}

HostLogin::HostLogin(LoginOptions options) : options_(std::move(options)) {}

Value HostLogin::Login(std::string& identifier, std::string& secondText, bool& flag) {
    (void)identifier;
    (void)secondText;
    (void)flag;
    std::string userName = options_.userName.empty() ? ProcessLoginName() : options_.userName;
    std::string url = options_.databaseUrl;
    std::string accountName;
    if (url.empty() && options_.prompt) {
        const std::vector<AccountSection> sections = ReadAccountSections(options_.accountsFile);
        std::vector<Account> accounts;
        for (const AccountSection& section : sections) accounts.push_back(section.account);
        auto choice =
            options_.prompt->AskLogin(accounts, userName, OfferRateProfiles(options_, sections));
        if (!choice) return Value(int64_t{0});
        const RateProfileRequest own = ReadAccountRateProfile(
            options_.accountsFile, Account{choice->accountName, choice->url});
        if (choice->rateProfile) {
            accountRateProfile_ = RateProfileResult{*choice->rateProfile, {}};
            // The demo account is no section of the accounts file.
            if (!choice->url.empty() && !choice->accountName.empty()) {
                rateProfileMemory_ = RememberAccountRateProfile(
                    options_.accountsFile, choice->accountName, RequestFor(*choice->rateProfile));
            }
        } else if (options_.rateProfileSource == RateProfileSource::Standard && !own.IsEmpty()) {
            accountRateProfile_ =
                ResolveRateProfile(own, "账套[" + choice->accountName + "]的税率方案");
        }
        url = choice->url;
        accountName = choice->accountName;
        if (!choice->userName.empty()) userName = choice->userName;
        if (!choice->password.empty() && url.starts_with("odbc:")) {
            if (accountName.empty()) accountName = AccountNameOf(url);
            url = "odbc:" + odbc::WithPassword(url.substr(5), choice->password);
        }
    }
    if (url.empty()) {
        url = "sqlite:" + options_.demoDatabasePath;
        accountName = "演示账套";
    }
    if (accountName.empty()) accountName = AccountNameOf(url);
    databaseUrl_ = url;
    accountName_ = accountName;
    userName_ = userName;
    uuid_ = NewUuid();
    loggedIn_ = true;
    return Value(int64_t{-1});
}

Value HostLogin::UserName() const {
    return Value(userName_);
}

Value HostLogin::PropsString() const {
    // The database address is not part of it: an ODBC connection string holds ";".
    return Value("USERNAME=" + userName_ + ";ACCTNAME=" + accountName_ +
                 ";LANGUAGE=" + options_.language + ";");
}

Value HostLogin::LogStatus() const {
    return Value(int64_t{loggedIn_ ? 1 : 0});
}
Value HostLogin::AcctName() const {
    return Value(accountName_);
}
Value HostLogin::AcctType() const {
    return Value(databaseUrl_.starts_with("odbc:") ? "SQLServer" : "Embedded");
}
Value HostLogin::SetupType() const {
    return Value(int64_t{0});
}
Value HostLogin::UUID() const {
    return Value(uuid_);
}

void SharedPropertyStore::AddProperty(int32_t& processId, const std::string& name,
                                      const Value& value) {
    properties_[processId][name] = value;
}

Value SharedPropertyStore::GetProperty(int32_t& processId, const std::string& name) const {
    auto process = properties_.find(processId);
    if (process != properties_.end()) {
        auto found = process->second.find(name);
        if (found != process->second.end()) return found->second;
    }
    throw HostError(CatalogError(error_number::kItemNotFound, "没有共享属性%1", {name}));
}

void SharedPropertyStore::Clear() {
    properties_.clear();
}

SharedPropertyStore& SharedPropertyStore::Instance() {
    static SharedPropertyStore store;
    return store;
}

int32_t CurrentProcessId() {
    return static_cast<int32_t>(getpid());
}

HostSession::HostSession(LoginFactory createLogin) : createLogin_(std::move(createLogin)) {}

bool HostSession::LoginToHost() {
    login_.reset();
    login_ = createLogin_();
    if (!login_) throw HostError(error_number::kCannotCreateObject, "不能创建登录组件");
    loginIdentifier_ = "vadel";
    std::optional<PropertyBag> shared = ReadSharedSession();
    bool flag = true;
    Value answer = login_->Login(loginIdentifier_, secondLoginText_, flag);
    int32_t result = 0;
    try {
        result = ToInt32(answer);
    } catch (const HostError&) {
        result = 0;  // an answer that is not a number is no new login
    }
    if (result == -1) {
        PublishSessionProperties();
        return true;
    }
    if (shared) {
        auto entry = shared->find("NXLogin");
        std::shared_ptr<HostLogin> taken;
        if (entry != shared->end() && entry->second.IsObject()) {
            taken = std::dynamic_pointer_cast<HostLogin>(entry->second.AsObject());
        }
        login_ = taken;
        RepublishSessionProperties(*shared);
        return true;
    }
    return false;
}

std::optional<HostSession::PropertyBag> HostSession::ReadSharedSession() {
    SharedPropertyStore& store = SharedPropertyStore::Instance();
    PropertyBag bag;
    for (const char* name : kSharedNames) {
        try {
            int32_t processId = CurrentProcessId();
            bag[name] = store.GetProperty(processId, name);
        } catch (...) {
            // an unreadable entry is left out
        }
    }
    if (bag.size() >= 9) return bag;
    return std::nullopt;
}

void HostSession::PublishSessionProperties() {
    SharedPropertyStore& store = SharedPropertyStore::Instance();
    int32_t processId = CurrentProcessId();
    store.AddProperty(processId, "UserName", login_->UserName());
    store.AddProperty(processId, "PropsString", login_->PropsString());
    store.AddProperty(processId, "LogStatus", login_->LogStatus());
    store.AddProperty(processId, "AcctName", login_->AcctName());
    store.AddProperty(processId, "NXLogin", Value(std::static_pointer_cast<HostObject>(login_)));
    store.AddProperty(processId, "AcctType", login_->AcctType());
    store.AddProperty(processId, "Setuptype", login_->SetupType());
    store.AddProperty(processId, "UUID", login_->UUID());
}

void HostSession::RepublishSessionProperties(const PropertyBag& bag) {
    SharedPropertyStore& store = SharedPropertyStore::Instance();
    int32_t processId = CurrentProcessId();
    for (const char* name : {"UserName", "PropsString", "LogStatus", "AcctName", "NXLogin",
                             "AcctType", "Setuptype", "AcctID", "UUID"}) {
        auto entry = bag.find(name);
        store.AddProperty(processId, name, entry == bag.end() ? Value() : entry->second);
    }
}

std::string HostSession::GetPropsString() {
    if (!login_) return ToText(GetSharedProperty("PropsString"));
    return ToText(login_->PropsString());
}

Value HostSession::GetSharedProperty(const std::string& name) {
    const SharedPropertyStore& store = SharedPropertyStore::Instance();
    int32_t processId = CurrentProcessId();
    return store.GetProperty(processId, name);
}

std::string HostSession::GetSessionProperty(const std::string& key) {
    std::string props;
    try {
        props = GetPropsString();
    } catch (...) {
        props.clear();
    }
    return ParseSessionProperty(props, key);
}

std::string HostSession::DatabaseUrl() const {
    return login_ ? login_->DatabaseUrl() : std::string();
}

std::string ParseSessionProperty(const std::string& propsString, const std::string& key) {
    std::string props = propsString;
    if (props.empty() || props.back() != ';') props.push_back(';');
    std::string search = key + "=";
    if (search.size() > props.size()) return {};
    for (size_t at = 0; at + search.size() <= props.size(); ++at) {
        if (EqualsIgnoringCase(std::string_view(props).substr(at, search.size()), search)) {
            std::string rest = props.substr(at);
            rest = rest.substr(0, rest.find(';'));
            return rest.substr(search.size());
        }
    }
    return {};
}

}  // namespace q9
