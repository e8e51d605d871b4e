#include "host/path_list.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

using Paths = std::vector<std::string>;

TEST(PathList, ReadsTheBoxAsTheOperatorWroteIt) {
    struct Case {
        std::string box;
        Paths paths;
    };
    const Case cases[] = {
        {"", {}},
        {";;", {}},
        {"  ;; ", {"  ", " "}},  // blanks are a path, as they were in a box of one
        {"/books/po.xls", {"/books/po.xls"}},
        {"/books/po.xls;/books/po1.xls", {"/books/po.xls", "/books/po1.xls"}},
        {"/books/po.xls;/books/po1.xls;", {"/books/po.xls", "/books/po1.xls"}},
        {"C:\\账套\\采购 订单.xls", {"C:\\账套\\采购 订单.xls"}},
        {"\"/books/a;b.xls\";/books/c.xls", {"/books/a;b.xls", "/books/c.xls"}},
        {" \"/books/a;b.xls\" ;c.xls", {"/books/a;b.xls", "c.xls"}},
        {"\"/books/say \"\"hi\"\".xls\"", {"/books/say \"hi\".xls"}},
        {"\" lead.xls \"", {" lead.xls "}},
        {"\"/books/a\"b.xls;c.xls", {"/books/ab.xls", "c.xls"}},
        {"\"/books/unclosed;x.xls", {"/books/unclosed;x.xls"}},
        {"\"\";x.xls", {"x.xls"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitPathList(c.box), c.paths) << c.box;
}

TEST(PathList, WritesWhatItReadsBack) {
    struct Case {
        Paths paths;
        std::string box;
    };
    const Case cases[] = {
        {{}, ""},
        {{"/books/po.xls"}, "/books/po.xls"},
        {{"/books/po.xls", "", "/books/po1.xls"}, "/books/po.xls;/books/po1.xls"},
        {{"/books/a;b.xls", "/books/c.xls"}, "\"/books/a;b.xls\";/books/c.xls"},
        {{"/books/say \"hi\".xls"}, "\"/books/say \"\"hi\"\".xls\""},
        {{" lead.xls", "trail.xls "}, " lead.xls;trail.xls "},
        {{"/采购 订单/po.xls"}, "/采购 订单/po.xls"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinPathList(c.paths), c.box);
        Paths kept;
        for (const std::string& path : c.paths)
            if (!path.empty()) kept.push_back(path);
        EXPECT_EQ(SplitPathList(c.box), kept) << c.box;
    }
}

}  // namespace
}  // namespace q9
