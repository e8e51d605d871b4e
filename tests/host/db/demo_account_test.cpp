#include "host/db/demo_account.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "embedded_account_fixture.h"
#include "host/error.h"

namespace q9 {
namespace {

using testing::EmbeddedAccount;

TEST(DemoAccount, RefusesAnExistingFileAndEnsureCreatesFolders) {
    EmbeddedAccount account;
    EXPECT_THROW(CreateDemoAccount(account.path(), {}), HostError);
    const auto folder = std::filesystem::path(account.path()).parent_path() / "a" / "b";
    const std::string path = (folder / "demo.db").string();
    EnsureDemoAccount(path);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    EnsureDemoAccount(path);  // second call leaves it alone
}

TEST(DemoAccount, SampleHoldsSwitchRowsMasterDataAndDefaults) {
    EmbeddedAccount account({0, 1, true, false});
    EXPECT_EQ(ToText(account.Scalar("SELECT FValue FROM t_SystemProfile WHERE FKey='BillDisCount' "
                                    "AND FCategory='IC'")),
              "1");
    EXPECT_EQ(ToText(account.Scalar("SELECT FValue FROM t_SystemProfile WHERE "
                                    "FKey='DisCountIncludeTax'")),
              "0");
    for (const char* table : {"t_ICItemMaterial", "t_Organization", "t_Supplier"}) {
        const std::string column =
            std::string(table) == "t_ICItemMaterial" ? "FTaxRate" : "FValueAddRate";
        for (int rate : {17, 11, 16}) {
            EXPECT_GE(account.Count("SELECT 1 FROM " + std::string(table) + " WHERE " + column +
                                    "=" + std::to_string(rate)),
                      1)
                << table << " " << rate;
        }
    }
    EXPECT_EQ(account.Count("SELECT 1 FROM t_ItemPropDesc WHERE FDefaultValue='17'"), 3);
    EXPECT_EQ(account.Count("SELECT DISTINCT FExchangeRate FROM t_RPContract"), 2);
}

TEST(DemoAccount, GeneratedAccountIsDeterministicConsistentAndSized) {
    EmbeddedAccount first({2000, 42, false, false}, "gen");
    EmbeddedAccount second({2000, 42, false, false}, "gen");
    const std::string fingerprint =
        "SELECT COUNT(*), SUM(FAuxQty*FAuxTaxPrice), SUM(FCess), SUM(FTaxRate), "
        "SUM(FReceiveAmountFor_Commit) FROM POOrderEntry";
    RecordsetPtr a = first.Query(fingerprint);
    RecordsetPtr b = second.Query(fingerprint);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Rows(), b->Rows());
    EXPECT_EQ(a->FieldAt(0), Value(int64_t{2000}));
    for (const char* table : {"SEOrderEntry"}) {
        EXPECT_EQ(first.Count(std::string("SELECT 1 FROM ") + table), 2000);
    }
    EXPECT_EQ(first.Count("SELECT 1 FROM t_RPContractEntry de INNER JOIN t_RPContract d ON "
                          "d.FContractID=de.FContractID WHERE d.FClassTypeID=1000020"),
              2000);
    // Amounts as an ERP writes them: total = amount + tax, total = R(Q*Pi*(1-d/100), 2).
    EXPECT_EQ(first.Count("SELECT 1 FROM POOrderEntry WHERE ABS(FAllAmount-FAmount-FTaxAmount) > "
                          "0.005 OR ABS(FAllAmount-ROUND(FAuxQty*FAuxTaxPrice*(1-FTaxRate/100),2)) "
                          "> 0.005"),
              0);
    // A realistic mix: most lines are candidates, but not all.
    const int candidates = first.Count(
        "SELECT 1 FROM POOrder d INNER JOIN POOrderEntry de ON d.FInterID=de.FInterID WHERE "
        "de.FQtyInvoice =0 AND d.FCancellation =0 AND (de.FCess=17 OR de.FCess=11) AND "
        "d.FDate<'2018-05-01'");
    EXPECT_GT(candidates, 1000);
    EXPECT_LT(candidates, 1900);
    EXPECT_GT(first.Count("SELECT 1 FROM POOrderEntry WHERE FTaxRate>0"), 100);
    EXPECT_GT(first.Count("SELECT 1 FROM POOrder WHERE FExchangeRate=6.5"), 20);
}

}  // namespace
}  // namespace q9
