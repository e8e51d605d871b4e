// Files from outside that are not what they claim: each must end in a clear workbook error.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "host/error.h"
#include "workbook/sheet_reader.h"

namespace q9 {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(Q9_TEST_DATA) + "/reader/" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class DamagedWorkbookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("q9-reader-damage-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // A package with the usual workbook parts around `sheetXml`; `filler` bytes of blanks are
    // streamed into the sheet before its end.
    std::string WriteXlsx(const std::string& sheetXml, size_t filler = 0,
                          std::vector<std::pair<std::string, std::string>> extra = {}) {
        const auto path = (dir_ / "book.xlsx").string();
        zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        EXPECT_NE(zip, nullptr);
        std::vector<std::pair<std::string, std::string>> parts = {
            {"xl/workbook.xml",
             R"(<workbook xmlns:r="r"><sheets><sheet name="采购订单" r:id="rId1"/></sheets></workbook>)"},
            {"xl/_rels/workbook.xml.rels",
             R"(<Relationships><Relationship Id="rId1" Type="t/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"}};
        for (auto& part : extra) parts.push_back(std::move(part));
        for (const auto& [name, content] : parts) {
            zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1);
            zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
            zipCloseFileInZip(zip);
        }
        zipOpenNewFileInZip64(zip, "xl/worksheets/sheet1.xml", nullptr, nullptr, 0, nullptr, 0,
                              nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, 1);
        const std::string head = sheetXml.substr(0, sheetXml.rfind('<'));
        const std::string tail = sheetXml.substr(head.size());
        zipWriteInFileInZip(zip, head.data(), static_cast<unsigned>(head.size()));
        const std::string blanks(1 << 20, ' ');
        for (size_t written = 0; written < filler; written += blanks.size()) {
            zipWriteInFileInZip(zip, blanks.data(), static_cast<unsigned>(blanks.size()));
        }
        zipWriteInFileInZip(zip, tail.data(), static_cast<unsigned>(tail.size()));
        zipCloseFileInZip(zip);
        zipClose(zip, nullptr);
        return path;
    }

    static std::string FailureOf(const std::string& path) {
        try {
            ReadSheet(path, "采购订单");
        } catch (const HostError& error) {
            EXPECT_EQ(error.error().number, error_number::kWorkbook);
            return error.error().description;
        }
        ADD_FAILURE() << "read without failure: " << path;
        return {};
    }

    std::filesystem::path dir_;
};

TEST_F(DamagedWorkbookTest, TruncatedFilesOfEachFormat) {
    for (const char* name : {"xlwt_biff8.xls", "gnumeric_biff5.xls", "openpyxl.xlsx"}) {
        const std::string bytes = ReadBytes(Fixture(name));
        for (size_t keep : {size_t{8}, size_t{600}, bytes.size() / 2, bytes.size() - 30}) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(keep));
            EXPECT_FALSE(FailureOf(Write(name, bytes.substr(0, keep))).empty());
        }
    }
}

TEST_F(DamagedWorkbookTest, CompoundFileWhoseAllocationTableLoops) {
    std::string bytes = ReadBytes(Fixture("xlwt_biff8.xls"));
    // The first sector of the allocation table points every chain at itself.
    const size_t fatStart = 512 * (1 + static_cast<uint8_t>(bytes[0x4C]));
    for (size_t i = 0; i < 128; ++i) {
        const auto self = static_cast<uint32_t>(i);
        for (int b = 0; b < 4; ++b)
            bytes[fatStart + i * 4 + b] = static_cast<char>(self >> (8 * b));
    }
    EXPECT_FALSE(FailureOf(Write("loop.xls", bytes)).empty());
}

TEST_F(DamagedWorkbookTest, ZipBombStopsEarly) {
    const std::string path =
        WriteXlsx("<worksheet><sheetData></sheetData></worksheet>", size_t{64} << 20);
    EXPECT_LT(std::filesystem::file_size(path), size_t{1} << 20);
    EXPECT_NE(FailureOf(path).find("大小不合理"), std::string::npos);
}

TEST_F(DamagedWorkbookTest, MalformedXml) {
    EXPECT_NE(FailureOf(WriteXlsx("<worksheet><sheetData><row></sheetData></worksheet>"))
                  .find("sheet1.xml"),
              std::string::npos);
}

TEST_F(DamagedWorkbookTest, DocumentTypesAreRefused) {
    const std::string laughs =
        R"(<?xml version="1.0"?><!DOCTYPE w [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>)"
        R"(<worksheet><sheetData><row><c t="inlineStr"><is><t>&b;</t></is></c></row></sheetData></worksheet>)";
    EXPECT_NE(FailureOf(WriteXlsx(laughs)).find("文档类型"), std::string::npos);
}

TEST_F(DamagedWorkbookTest, CellsBeyondTheSheetsLimits) {
    EXPECT_FALSE(
        FailureOf(
            WriteXlsx(
                R"(<worksheet><sheetData><row r="1048577"><c><v>1</v></c></row></sheetData></worksheet>)"))
            .empty());
    EXPECT_FALSE(
        FailureOf(
            WriteXlsx(
                R"(<worksheet><sheetData><row><c r="XFE1"><v>1</v></c></row></sheetData></worksheet>)"))
            .empty());
    EXPECT_FALSE(
        FailureOf(
            WriteXlsx(
                R"(<worksheet><sheetData><row><c r="1A"><v>1</v></c></row></sheetData></worksheet>)"))
            .empty());
    // Two far corners alone would make a table of billions of cells.
    EXPECT_NE(
        FailureOf(
            WriteXlsx(
                R"(<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></c></row>)"
                R"(<row r="1048576"><c r="XFD1048576"><v>1</v></c></row></sheetData></worksheet>)"))
            .find("太大"),
        std::string::npos);
}

TEST_F(DamagedWorkbookTest, MissingPartsAndDanglingReferences) {
    EXPECT_NE(
        FailureOf(
            WriteXlsx(
                R"(<worksheet><sheetData><row><c t="s"><v>3</v></c></row></sheetData></worksheet>)"))
            .find("共享字符串"),
        std::string::npos);
    // A package without the workbook part at all.
    const auto path = (dir_ / "bare.xlsx").string();
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    zipOpenNewFileInZip64(zip, "readme.txt", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                          Z_DEFAULT_COMPRESSION, 0);
    zipWriteInFileInZip(zip, "x", 1);
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
    EXPECT_NE(FailureOf(path).find("缺少部件"), std::string::npos);
}

}  // namespace
}  // namespace q9
