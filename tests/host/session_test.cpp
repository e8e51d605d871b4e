#include "host/session.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "jobs/startup.h"

namespace q9 {
namespace {

TEST(ParseSessionProperty, FindsTheValueOfAKeyIgnoringCase) {
    EXPECT_EQ(ParseSessionProperty("USERNAME=abc;LANGUAGE=chs", "LANGUAGE"), "chs");
    EXPECT_EQ(ParseSessionProperty("USERNAME=abc;LANGUAGE=chs", "language"), "chs");
    EXPECT_EQ(ParseSessionProperty("USERNAME=abc;LANGUAGE=chs;", "USERNAME"), "abc");
}

TEST(ParseSessionProperty, GivesEmptyTextWhenAbsentOrEmpty) {
    EXPECT_EQ(ParseSessionProperty("LANGUAGE=;X=1", "LANGUAGE"), "");
    EXPECT_EQ(ParseSessionProperty("USERNAME=abc", "LANGUAGE"), "");
    EXPECT_EQ(ParseSessionProperty("", "LANGUAGE"), "");
    EXPECT_EQ(ParseSessionProperty("LANGUAGE", "LANGUAGE"), "");
}

TEST(ParseSessionProperty, KeepsBlanksAroundTheValue) {
    EXPECT_EQ(ParseSessionProperty("LANGUAGE= chs ;", "LANGUAGE"), " chs ");
}

TEST(ParseSessionProperty, IsAPlainSubstringSearchSoALongerKeyCanMatchFirst) {
    EXPECT_EQ(ParseSessionProperty("SUBLANGUAGE=en;LANGUAGE=chs", "LANGUAGE"), "en");
}

TEST(ParseSessionProperty, CutsAValueAtItsFirstSemicolon) {
    EXPECT_EQ(ParseSessionProperty("K={a;b}", "K"), "{a");
}

// A login component whose answer the test chooses.
class ScriptedLogin : public HostLogin {
  public:
    explicit ScriptedLogin(Value answer, int* calls = nullptr)
        : HostLogin(LoginOptions{"sqlite:/tmp/scripted.db", "tester", "en", nullptr, "", ""}),
          answer_(std::move(answer)),
          calls_(calls) {}
    Value Login(std::string& identifier, std::string& second, bool& flag) override {
        if (calls_) ++*calls_;
        identifier_ = identifier;
        second_ = second;
        flag_ = flag;
        if (answer_ == Value(int64_t{-1})) HostLogin::Login(identifier, second, flag);
        return answer_;
    }
    std::string identifier_, second_;
    bool flag_ = false;

  private:
    Value answer_;
    int* calls_;
};

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override { SharedPropertyStore::Instance().Clear(); }
    void TearDown() override { SharedPropertyStore::Instance().Clear(); }

    static bool Stored(const std::string& name) {
        int32_t pid = CurrentProcessId();
        try {
            SharedPropertyStore::Instance().GetProperty(pid, name);
            return true;
        } catch (const HostError&) {
            return false;
        }
    }

    static void ShareCompleteSession(const std::shared_ptr<HostLogin>& login,
                                     bool withAcctId = true) {
        int32_t pid = CurrentProcessId();
        auto& store = SharedPropertyStore::Instance();
        store.AddProperty(pid, "NXLogin", Value(std::static_pointer_cast<HostObject>(login)));
        store.AddProperty(pid, "UserName", Value("shared-user"));
        store.AddProperty(pid, "PropsString", Value("USERNAME=shared-user;LANGUAGE=chs;"));
        store.AddProperty(pid, "LogStatus", Value(int64_t{1}));
        store.AddProperty(pid, "AcctName", Value("shared"));
        store.AddProperty(pid, "AcctType", Value("Embedded"));
        store.AddProperty(pid, "Setuptype", Value(int64_t{0}));
        if (withAcctId) store.AddProperty(pid, "AcctID", Value(int64_t{7}));
        store.AddProperty(pid, "UUID", Value("U"));
    }
};

TEST_F(SessionTest, NewLoginPublishesEightPropertiesWithoutAcctId) {
    auto login = std::make_shared<ScriptedLogin>(Value(int64_t{-1}));
    HostSession session([login] { return login; });
    ASSERT_TRUE(session.LoginToHost());
    EXPECT_EQ(login->identifier_, "vadel");
    EXPECT_EQ(login->second_, "");
    EXPECT_TRUE(login->flag_);
    for (const char* name : {"UserName", "PropsString", "LogStatus", "AcctName", "NXLogin",
                             "AcctType", "Setuptype", "UUID"}) {
        EXPECT_TRUE(Stored(name)) << name;
    }
    EXPECT_FALSE(Stored("AcctID"));
    EXPECT_FALSE(Stored("SetupType"));  // stored under "Setuptype"
    EXPECT_EQ(session.GetSessionProperty("LANGUAGE"), "en");
    EXPECT_EQ(session.GetSessionProperty("USERNAME"), "tester");
}

TEST_F(SessionTest, RefusedLoginTakesOverACompleteSharedSession) {
    auto shared = std::make_shared<ScriptedLogin>(Value(int64_t{-1}));
    std::string id, second;
    bool flag = true;
    shared->Login(id, second, flag);
    ShareCompleteSession(shared);
    HostSession session([] { return std::make_shared<ScriptedLogin>(Value(int64_t{0})); });
    ASSERT_TRUE(session.LoginToHost());
    EXPECT_EQ(session.login(), shared);
    EXPECT_TRUE(Stored("AcctID"));  // republished on the take-over path only
    EXPECT_EQ(session.DatabaseUrl(), "sqlite:/tmp/scripted.db");
}

TEST_F(SessionTest, EightSharedPropertiesAreNotASession) {
    auto shared = std::make_shared<ScriptedLogin>(Value(int64_t{-1}));
    ShareCompleteSession(shared, /*withAcctId=*/false);
    HostSession session([] { return std::make_shared<ScriptedLogin>(Value(int64_t{0})); });
    EXPECT_FALSE(session.LoginToHost());
}

TEST_F(SessionTest, OnlyMinusOneIsANewLogin) {
    for (const Value& answer : {Value(int64_t{1}), Value("True"), Value::Null(), Value(0.0)}) {
        HostSession session([answer] { return std::make_shared<ScriptedLogin>(answer); });
        EXPECT_FALSE(session.LoginToHost());
    }
    HostSession session([] { return std::make_shared<ScriptedLogin>(Value("-1")); });
    EXPECT_TRUE(session.LoginToHost());
}

TEST_F(SessionTest, SuccessfulLoginIsPublishedOverASharedSession) {
    auto shared = std::make_shared<ScriptedLogin>(Value(int64_t{-1}));
    ShareCompleteSession(shared);
    auto fresh = std::make_shared<ScriptedLogin>(Value(int64_t{-1}));
    HostSession session([fresh] { return fresh; });
    ASSERT_TRUE(session.LoginToHost());
    EXPECT_EQ(session.login(), fresh);
    EXPECT_EQ(ToText(session.GetSharedProperty("UserName")), "tester");
}

TEST_F(SessionTest, PropsStringComesFromTheStoreWhenNoLoginIsHeld) {
    ShareCompleteSession(std::make_shared<ScriptedLogin>(Value(int64_t{0})));
    HostSession session([] { return nullptr; });
    EXPECT_EQ(session.GetPropsString(), "USERNAME=shared-user;LANGUAGE=chs;");
    EXPECT_EQ(session.GetSessionProperty("LANGUAGE"), "chs");
    EXPECT_TRUE(session.GetSharedProperty("NXLogin").IsObject());
    EXPECT_THROW(session.LoginToHost(), HostError);  // no login component
}

TEST(HostLogin, ChoosesTheDemoAccountWhenNothingElseIsGiven) {
    HostLogin login(LoginOptions{"", "op", "chs", nullptr, "", "/tmp/q9-demo.db"});
    std::string id = "vadel", second;
    bool flag = true;
    EXPECT_EQ(login.Login(id, second, flag), Value(int64_t{-1}));
    EXPECT_EQ(login.DatabaseUrl(), "sqlite:/tmp/q9-demo.db");
    EXPECT_EQ(ParseSessionProperty(ToText(login.PropsString()), "USERNAME"), "op");
}

class CancellingPrompt : public LoginPrompt {
  public:
    std::optional<LoginChoice> AskLogin(const std::vector<Account>&, const std::string&,
                                        const RateProfileOffer&) override {
        return std::nullopt;
    }
};

TEST(HostLogin, CancelledPromptRefusesTheLogin) {
    CancellingPrompt prompt;
    HostLogin login(LoginOptions{"", "op", "chs", &prompt, "", "/tmp/q9-demo.db"});
    std::string id, second;
    bool flag = true;
    EXPECT_EQ(login.Login(id, second, flag), Value(int64_t{0}));
    EXPECT_FALSE(login.LoggedIn());
}

class ChoosingPrompt : public LoginPrompt {
  public:
    explicit ChoosingPrompt(LoginChoice choice) : choice_(std::move(choice)) {}
    std::optional<LoginChoice> AskLogin(const std::vector<Account>&, const std::string&,
                                        const RateProfileOffer&) override {
        return choice_;
    }

  private:
    LoginChoice choice_;
};

TEST(HostLogin, TypedPasswordReachesTheConnectionOnlyNeverTheSessionProperties) {
    struct Case {
        LoginChoice choice;
        std::string url;
    };
    const std::string server = "Driver=FreeTDS;Server=db;UID=sa";
    const Case cases[] = {
        {{"财务", "odbc:" + server, "op", "s3;cret", {}}, "odbc:PWD={s3;cret};" + server},
        {{"", "odbc:" + server, "op", "s3cret", {}},
         "odbc:PWD={s3cret};" + server},  // by its address
        {{"财务", "odbc:" + server, "op", "", {}}, "odbc:" + server},
        // Only a connection string takes one.
        {{"本地", "sqlite:/srv/a.db", "op", "s3cret", {}}, "sqlite:/srv/a.db"},
        // Given inside the address: the name published must not show it either.
        {{"", "odbc:" + server + ";PWD=s3cret", "op", "", {}}, "odbc:" + server + ";PWD=s3cret"},
    };
    for (const Case& c : cases) {
        ChoosingPrompt prompt(c.choice);
        HostLogin login(LoginOptions{"", "op", "chs", &prompt, "", "/tmp/q9-demo.db"});
        std::string id, second;
        bool flag = true;
        EXPECT_EQ(login.Login(id, second, flag), Value(int64_t{-1}));
        EXPECT_EQ(login.DatabaseUrl(), c.url);
        for (const Value& published : {login.PropsString(), login.AcctName(), login.UserName()}) {
            EXPECT_EQ(ToText(published).find("s3"), std::string::npos) << ToText(published);
        }
    }
}

}  // namespace
}  // namespace q9
