#include "masterdata/master_data.h"

#include <gtest/gtest.h>

#include "support/recording_engine.h"

namespace q9 {
namespace {

using testing::RecordingHarness;

const char* const kMaterials16 =
    "UPDATE t_ICItemMaterial SET FTaxRate=16 WHERE FTaxRate=17 UPDATE t_ItemPropDesc SET "
    "FDefaultValue = '16' WHERE FItemClassID =4 and FSQLColumnName ='FTaxRate'";
const char* const kCustomers16 =
    "UPDATE t_Organization SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc SET "
    "FDefaultValue = '16' WHERE FItemClassID =1 and FSQLColumnName ='FValueAddRate'";
const char* const kSuppliers16 =
    "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc SET "
    "FDefaultValue = '16' WHERE FItemClassID =8 and FSQLColumnName ='FValueAddRate'";
const char* const kMaterials10 = "UPDATE t_ICItemMaterial SET FTaxRate=10 WHERE FTaxRate=11";
const char* const kCustomers10 =
    "UPDATE t_Organization SET FValueAddRate=10 WHERE FValueAddRate =11";
const char* const kSuppliers10 = "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11";

WindowState Boxes(CheckValue chk17, CheckValue chk11, CheckValue item, CheckValue cust,
                  CheckValue supply) {
    WindowState state;
    state.chk17 = chk17;
    state.chk11 = chk11;
    state.chkItem = item;
    state.chkCust = cust;
    state.chkSupply = supply;
    return state;
}

constexpr CheckValue kOn = CheckValue::Checked;
constexpr CheckValue kOff = CheckValue::Unchecked;
constexpr CheckValue kGrey = CheckValue::Grayed;

TEST(MasterDataBatch, EveryBoxTickedGivesSixLinesSeventeenFirst) {
    std::string expected = std::string(kMaterials16) + "\r\n" + kCustomers16 + "\r\n" +
                           kSuppliers16 + "\r\n" + kMaterials10 + "\r\n" + kCustomers10 + "\r\n" +
                           kSuppliers10 + "\r\n";
    EXPECT_EQ(MasterDataBatch(Boxes(kOn, kOn, kOn, kOn, kOn)), expected);
}

TEST(MasterDataBatch, SingleCombinations) {
    EXPECT_EQ(MasterDataBatch(Boxes(kOn, kOff, kOn, kOff, kOff)),
              std::string(kMaterials16) + "\r\n");
    EXPECT_EQ(MasterDataBatch(Boxes(kOff, kOn, kOff, kOn, kOff)),
              std::string(kCustomers10) + "\r\n");
    EXPECT_EQ(MasterDataBatch(Boxes(kOn, kOn, kOff, kOff, kOn)),
              std::string(kSuppliers16) + "\r\n" + kSuppliers10 + "\r\n");
    // No kind ticked, or no rate ticked: nothing to send.
    EXPECT_EQ(MasterDataBatch(Boxes(kOn, kOn, kOff, kOff, kOff)), "");
    EXPECT_EQ(MasterDataBatch(Boxes(kOff, kOff, kOn, kOn, kOn)), "");
    // A greyed box is no ticked box.
    EXPECT_EQ(MasterDataBatch(Boxes(kGrey, kOn, kOn, kGrey, kOn)),
              std::string(kMaterials10) + "\r\n" + kSuppliers10 + "\r\n");
}

// All 3^5 states of the five boxes against the rule: for each ticked rate (17 first), each
// ticked kind in the order materials, customers, suppliers, one line ending in CR LF.
TEST(MasterDataBatch, EveryStateOfTheFiveBoxes) {
    const CheckValue values[] = {kOff, kOn, kGrey};
    const char* const lines[2][3] = {{kMaterials16, kCustomers16, kSuppliers16},
                                     {kMaterials10, kCustomers10, kSuppliers10}};
    for (CheckValue c17 : values)
        for (CheckValue c11 : values)
            for (CheckValue item : values)
                for (CheckValue cust : values)
                    for (CheckValue supply : values) {
                        const bool rate[2] = {c17 == kOn, c11 == kOn};
                        const bool kind[3] = {item == kOn, cust == kOn, supply == kOn};
                        std::string expected;
                        for (int r = 0; r < 2; ++r)
                            for (int k = 0; k < 3; ++k)
                                if (rate[r] && kind[k])
                                    expected += std::string(lines[r][k]) + "\r\n";
                        EXPECT_EQ(MasterDataBatch(Boxes(c17, c11, item, cust, supply)), expected)
                            << static_cast<int>(c17) << static_cast<int>(c11)
                            << static_cast<int>(item) << static_cast<int>(cust)
                            << static_cast<int>(supply);
                    }
}

TEST(AdjustMasterData, SendsNothingWhenTheBatchIsEmpty) {
    RecordingHarness h;
    h.state = Boxes(kOn, kOn, kGrey, kOff, kOff);
    EXPECT_EQ(AdjustMasterData(h.context).result, MasterDataResult::NothingTicked);
    EXPECT_TRUE(h.events.empty());
}

TEST(AdjustMasterData, SendsTheBatchOnceAsOneAtomicUnit) {
    RecordingHarness h;
    h.state = Boxes(kOn, kOn, kOn, kOn, kOn);
    const MasterDataOutcome outcome = AdjustMasterData(h.context);
    EXPECT_EQ(outcome.result, MasterDataResult::Adjusted);
    EXPECT_FALSE(outcome.failure);
    ASSERT_EQ(h.engine->atomic.size(), 1u);
    ASSERT_EQ(h.engine->atomic[0].size(), 1u);
    EXPECT_EQ(h.engine->atomic[0][0], MasterDataBatch(h.state));
    EXPECT_TRUE(h.engine->executed.empty());
    EXPECT_EQ(h.events, (testing::Events{"atomic"}));  // and no notice
}

TEST(AdjustMasterData, ShowsTheDatabaseMessageWhenTheBatchFails) {
    RecordingHarness h;
    h.state = Boxes(kOn, kOff, kOn, kOff, kOn);
    h.engine->failOn = "t_Supplier";
    h.engine->failure = "no such table: t_Supplier";
    // Does not raise: the run goes on with the documents.
    const MasterDataOutcome outcome = AdjustMasterData(h.context);
    EXPECT_EQ(outcome.result, MasterDataResult::Failed);
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->error.description, "no such table: t_Supplier");
    EXPECT_EQ(h.events, (testing::Events{
                            "atomic", "notice 基础资料税率调整失败：no such table: t_Supplier"}));
}

}  // namespace
}  // namespace q9
