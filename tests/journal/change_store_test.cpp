#include "journal/change_store.h"

#include <gtest/gtest.h>

#include "support/change_rows.h"

namespace q9 {
namespace {

ChangeRow Row(std::string kind, std::string bill, std::string keys, std::string before,
              std::string after, std::string column = "FCess") {
    return {
        std::move(kind),
        std::move(bill),
        {"POOrderEntry", std::move(keys), std::move(column), std::move(before), std::move(after)}};
}

void ExpectSameRows(const std::vector<ChangeRow>& read, const std::vector<ChangeRow>& written,
                    const char* name) {
    ASSERT_EQ(read.size(), written.size()) << name;
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].kind, written[i].kind) << name << " " << i;
        EXPECT_EQ(read[i].billNo, written[i].billNo) << name << " " << i;
        EXPECT_EQ(read[i].value, written[i].value) << name << " " << i;
    }
}

// Rows come back as they went in and in their order, whatever their texts, also when a field
// equals, or differs only slightly from, the row before it, and when more rows follow a read.
TEST(ChangeStore, RowsComeBackAsWritten) {
    const std::string huge(200'000, 'x');  // beyond a flush, with a three-byte length
    const struct {
        const char* name;
        std::vector<ChangeRow> rows;
    } cases[] = {
        {"no rows", {}},
        {"empty fields", {Row("", "", "", "", "", ""), Row("", "", "", "", "", "")}},
        {"a field emptied and filled again",
         {Row("采购订单", "B1", "FInterID=1;FEntryID=1", "17", "16"),
          Row("采购订单", "", "FInterID=1;FEntryID=1", "", "16"),
          Row("采购订单", "B1", "FInterID=1;FEntryID=1", "17", "")}},
        {"separators and line ends",
         {Row("基础资料", "a|b", "FItemID=1", "N'x\r\ny'", "N'\"q\",|'"),
          Row("基础资料", "a|b|", "FItemID=1", "N'x\ny'", "N'\"q\",|'")}},
        {"long values",
         {Row("应付合同", "HT1", "FContractID=1;FEntryID=1", huge, "1"),
          Row("应付合同", "HT1", "FContractID=1;FEntryID=1", huge + "y", huge)}},
    };
    for (const auto& c : cases) {
        ChangeStore store;
        for (const ChangeRow& row : c.rows) store.Append(row);
        EXPECT_EQ(store.size(), c.rows.size()) << c.name;
        EXPECT_EQ(store.empty(), c.rows.empty()) << c.name;
        ExpectSameRows(testing::RowsOf(store), c.rows, c.name);

        std::vector<ChangeRow> twice = c.rows;
        for (const ChangeRow& row : c.rows) {
            store.Append(row);
            twice.push_back(row);
        }
        ExpectSameRows(testing::RowsOf(store), twice, c.name);
        EXPECT_FALSE(store.failure().IsSet()) << c.name;
    }
}

}  // namespace
}  // namespace q9
