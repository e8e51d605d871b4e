// What the operator sees, and what the converter gets, for each outcome of a read.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/workbook_reader.h"
#include "support/core_doubles.h"

namespace q9 {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(Q9_TEST_DATA) + "/reader/" + name;
}

class ReadWorkbookTest : public ::testing::Test {
  protected:
    RecordsetPtr Read(const std::string& path, const std::string& sheet = "采购订单") {
        last_ = ReadWorkbook(doubles_.context, path, sheet);
        lastPlace_ = Place{path, sheet, 0};
        return last_.rows;
    }
    // The box shown is the failure reported, with the workbook and sheet it happened in.
    void ExpectReadExcelBox() {
        ASSERT_EQ(doubles_.prompter.boxes.size(), 1u);
        const MessageBoxRequest& box = doubles_.prompter.boxes.front();
        EXPECT_EQ(box.title, "Read_Excel");
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        EXPECT_EQ(box.icon, MessageIcon::Exclamation);
        EXPECT_FALSE(box.text.empty());
        EXPECT_TRUE(doubles_.notifier.notices.empty());
        ASSERT_TRUE(last_.failure);
        // The failure, after the file it happened in.
        EXPECT_EQ("[" + last_.failure->where.file + "]" + last_.failure->error.description,
                  box.text);
        EXPECT_NE(last_.failure->error.number, 0);
        EXPECT_EQ(last_.failure->where, lastPlace_);
    }

    testing::CoreHarness<> doubles_;  // no database
    WorkbookRead last_;
    Place lastPlace_;
};

TEST_F(ReadWorkbookTest, LogsTheCountAndStandsOnTheTitleRow) {
    RecordsetPtr rs = Read(Fixture("gnumeric_biff5.xls"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 6);
    EXPECT_EQ(rs->Field("F1"), Value("单据编号"));
    EXPECT_EQ(doubles_.log.lines, std::vector<std::string>{"count:6"});
    EXPECT_TRUE(doubles_.prompter.boxes.empty());
    EXPECT_TRUE(doubles_.notifier.notices.empty());
}

TEST_F(ReadWorkbookTest, TitleOnlySheetGivesOneRecord) {
    RecordsetPtr rs = Read(Fixture("title_only.xls"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(doubles_.log.lines, std::vector<std::string>{"count:1"});
}

TEST_F(ReadWorkbookTest, EmptySheetGivesNoRecordButARecordset) {
    RecordsetPtr rs = Read(Fixture("empty_sheet.xlsx"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(doubles_.log.lines, std::vector<std::string>{"count:0"});
}

TEST_F(ReadWorkbookTest, FolderAndMovedFileAreMissingFiles) {
    const std::string folder = std::string(Q9_TEST_DATA) + "/reader";
    const std::string moved = Fixture("moved-away.xls");
    EXPECT_EQ(Read(folder), nullptr);
    EXPECT_EQ(Read(moved), nullptr);
    ASSERT_TRUE(last_.failure);
    EXPECT_EQ(last_.failure->error.number, error_number::kFileNotFound);
    EXPECT_EQ(last_.failure->where.file, moved);
    EXPECT_EQ(doubles_.notifier.notices, (std::vector<std::string>{"文件：" + folder + "不存在",
                                                                   "文件：" + moved + "不存在"}));
    EXPECT_TRUE(doubles_.prompter.boxes.empty());
    EXPECT_TRUE(doubles_.log.lines.empty());
}

TEST_F(ReadWorkbookTest, FileThatIsNoWorkbook) {
    EXPECT_EQ(Read(Fixture("not_a_workbook.xls")), nullptr);
    ExpectReadExcelBox();
    EXPECT_TRUE(doubles_.log.lines.empty());
}

TEST_F(ReadWorkbookTest, SheetRenamedByTheOperator) {
    EXPECT_EQ(Read(Fixture("renamed_sheet.xls")), nullptr);
    ExpectReadExcelBox();
    EXPECT_NE(doubles_.prompter.boxes.front().text.find("“采购订单”"), std::string::npos);
    EXPECT_NE(doubles_.prompter.boxes.front().text.find("“Sheet1”"), std::string::npos);
}

// Tests run as root, where file permissions do not stop reading; a file the system lists as
// regular but refuses to read stands in for a locked or forbidden one.
TEST_F(ReadWorkbookTest, UnreadableFile) {
    const std::string path = "/proc/self/mem";
    if (!std::filesystem::is_regular_file(path)) GTEST_SKIP() << "no " << path;
    EXPECT_EQ(Read(path), nullptr);
    ExpectReadExcelBox();
}

TEST_F(ReadWorkbookTest, FailureWhileLoggingStillHandsBackTheRows) {
    doubles_.log.failWith = Error{error_number::kPermissionDenied, "Permission denied"};
    RecordsetPtr rs = Read(Fixture("xlwt_biff8.xls"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 6);
    ExpectReadExcelBox();
    EXPECT_EQ(doubles_.prompter.boxes.front().text,
              "[" + Fixture("xlwt_biff8.xls") + "]Permission denied");
}

// Files from other programs that the reader must understand, or name for what they are, in the
// session's language.
struct ReaderItemCase {
    const char* fixture;
    const char* chineseBox;  // empty: the sheet is read
    const char* englishBox;
    std::vector<std::pair<const char*, std::string>> fields;  // of the first record
};

class ReaderItemTest : public ::testing::TestWithParam<ReaderItemCase> {};

TEST_P(ReaderItemTest, ReadsOrNamesTheFileInBothLanguages) {
    const ReaderItemCase& c = GetParam();
    for (const char* language : {"chs", "en"}) {
        SCOPED_TRACE(language);
        testing::CoreHarness<> doubles;
        Texts texts{[language] { return std::string(language); }, doubles.notifier};
        CoreContext context{doubles.gateway, texts,       doubles.prompter, doubles.files,
                            doubles.pump,    doubles.log, doubles.state};
        const RecordsetPtr rs = ReadWorkbook(context, Fixture(c.fixture), "采购订单").rows;
        const std::string box = std::string(language) == "chs" ? c.chineseBox : c.englishBox;
        if (box.empty()) {
            ASSERT_TRUE(rs);
            EXPECT_TRUE(doubles.prompter.boxes.empty());
            for (const auto& [name, text] : c.fields) EXPECT_EQ(rs->Field(name), Value(text));
        } else {
            EXPECT_EQ(rs, nullptr);
            ASSERT_EQ(doubles.prompter.boxes.size(), 1u);
            EXPECT_NE(doubles.prompter.boxes.front().text.find(box), std::string::npos)
                << doubles.prompter.boxes.front().text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, ReaderItemTest,
    ::testing::Values(ReaderItemCase{"escapes.xlsx",
                                     "",
                                     "",
                                     {{"F1", "POORD_x0041_"},
                                      {"F2", "华东\r\n供应商"},
                                      {"F3", "😀价"},
                                      {"F4", "café"},
                                      {"F5", "a_x00_b_x12345_"},
                                      {"F6", "\t"}}},
                      ReaderItemCase{
                          "encrypted.xlsx",
                          "工作簿设有打开密码（已加密），不能读取；请取消密码另存后再试。",
                          "The workbook is protected by a password (encrypted) and cannot be read",
                          {}},
                      ReaderItemCase{"biff4.xls", "早于Excel 5.0", "older than Excel 5.0", {}},
                      ReaderItemCase{"opendocument.xlsx",
                                     "该文件是其他格式的压缩包",
                                     "The file is a zip package of another format",
                                     {}}),
    [](const auto& param) {
        std::string name = param.param.fixture;
        for (char& c : name) {
            if (c == '.') c = '_';
        }
        return name;
    });

}  // namespace
}  // namespace q9
