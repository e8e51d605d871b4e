#include "host/texts.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/core_doubles.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

using testing::RecordingNotifier;

class TextsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(dir_.File("Q9INDUSTRY.en.tsv")) << "# comment\n"
                                                      << "调整完成\tAdjustment complete\n"
                                                      << "b\tB translated\n"
                                                      << "文件：%1不存在\tFile %1 does not exist\n";
    }

    Texts Make(std::string language) {
        return Texts(
            [language, this] {
                ++languageQueries_;
                return language;
            },
            notifier_, dir_.path().string());
    }

    testing::TempFolder dir_{"q9-texts"};
    RecordingNotifier notifier_;
    int languageQueries_ = 0;
};

TEST_F(TextsTest, LoadTextTrimsBlanksAndTranslatesInTheSessionLanguage) {
    Texts texts = Make("en");
    EXPECT_EQ(texts.LoadText("  调整完成  "), "Adjustment complete");
    EXPECT_EQ(texts.LoadText("未翻译"), "未翻译");
    EXPECT_EQ(texts.SessionLanguage(), "en");
}

TEST_F(TextsTest, ChineseSessionNeedsNoCatalog) {
    Texts texts = Make("chs");
    EXPECT_EQ(texts.LoadText("调整完成"), "调整完成");
}

TEST_F(TextsTest, BlankKeyGivesEmptyText) {
    Texts texts = Make("en");
    EXPECT_EQ(texts.LoadText(""), "");
    EXPECT_EQ(texts.LoadText("   "), "");
}

TEST_F(TextsTest, EmptyLanguageIsAskedAgainUntilKnown) {
    Texts texts = Make("");
    texts.LoadText("a");
    texts.LoadText("b");
    EXPECT_EQ(languageQueries_, 2);
    Texts known = Make("en");
    int before = languageQueries_;
    known.LoadText("a");
    known.LoadText("b");
    EXPECT_EQ(languageQueries_, before + 1);
}

TEST_F(TextsTest, ComposeTextTranslatesOnlyMarkedPiecesInOrder) {
    Texts texts = Make("en");
    EXPECT_EQ(texts.ComposeText("a^|^~$~b^|^c"), "aB translatedc");
    EXPECT_EQ(texts.ComposeText("x^|^~$~^|^y"), "xy");
    EXPECT_EQ(texts.ComposeText("^|^^|^"), "");
    EXPECT_EQ(texts.LoadText(" a^|^~$~b "), "aB translated");
}

TEST_F(TextsTest, FormatTextFillsMarkersAndNullsAsEmpty) {
    Texts texts = Make("chs");
    EXPECT_EQ(texts.FormatText("%1|%2|", {Value("CG001 分录:3"), Value("原因")}),
              "CG001 分录:3|原因|");
    EXPECT_EQ(texts.FormatText("%1|%2|", {Value::Null(), Value(int64_t{2})}), "|2|");
    Texts english = Make("en");
    EXPECT_EQ(english.FormatText("文件：%1不存在", {Value("/tmp/x.xls")}),
              "File /tmp/x.xls does not exist");
}

// A failure as the operator reads it, in both languages, from the project's own catalogs.
TEST(DescribeFailure, NamesWhereItHappenedInTheSessionsLanguage) {
    const Error notWhole = CatalogError(error_number::kTypeMismatch, "不是整数：%1", {"12.5"});
    const Error database = DatabaseError(3604, "Invalid object name 't_Currency'.");
    const struct {
        const char* what;
        Failure failure;
        const char* chinese;
        const char* english;
    } cases[] = {
        {"a cell",
         {AtCell(notWhole, "采购订单", 12, "M"), {"/d/po.xls"}},
         "[/d/po.xls]采购订单 第12行 M列：不是整数：12.5",
         "[/d/po.xls]采购订单 row 12 column M: Not a whole number: 12.5"},
        {"a database's words",
         {AtRow(database, "应付合同", 3), {}},
         "应付合同 第3行：数据库报告：Invalid object name 't_Currency'.",
         "应付合同 row 3: The database reports: Invalid object name 't_Currency'."},
        {"a key without arguments",
         {Error{error_number::kPathNotFound, "路径不存在"}, {"/d/x"}},
         "[/d/x]路径不存在",
         "[/d/x]Path not found"},
        {"a translated argument",
         {CatalogError(3274, "工作簿已损坏：%1。", {"扇区链循环"}), {}},
         "工作簿已损坏：扇区链循环。",
         "The workbook is damaged: a chain of sectors loops."},
        {"a text outside the catalog",
         {Error{70, "Permission denied"}, {}},
         "Permission denied",
         "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* language : {"chs", "en"}) {
            RecordingNotifier notifier;
            Texts texts([language] { return std::string(language); }, notifier);
            EXPECT_EQ(texts.Describe(c.failure),
                      std::string(language) == "en" ? c.english : c.chinese);
        }
    }
}

TEST(FillTemplate, LeavesMarkersWithoutValuesAndOtherPercentSigns) {
    EXPECT_EQ(FillTemplate("%1-%3-%", {"a", "b"}), "a-%3-%");
    EXPECT_EQ(FillTemplate("100%", {"a"}), "100%");
    EXPECT_EQ(FillTemplate("%10", {"a"}), "%10");
    EXPECT_EQ(FillTemplate("%1%1", {"%2", "b"}), "%2%2");  // filled text is not filled again
}

TEST_F(TextsTest, ShowNoticeReachesTheNotifierUnchanged) {
    Texts texts = Make("en");
    texts.ShowNotice("调整完成");
    texts.Notice("调整完成");
    ASSERT_EQ(notifier_.notices.size(), 2u);
    EXPECT_EQ(notifier_.notices[0], "调整完成");
    EXPECT_EQ(notifier_.notices[1], "Adjustment complete");
}

}  // namespace
}  // namespace q9
