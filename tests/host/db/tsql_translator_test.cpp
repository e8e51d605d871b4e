#include "host/db/tsql_translator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "host/db/tsql_tokens.h"
#include "host/error.h"

namespace q9::tsql {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string RefusalOf(const std::string& sql) {
    try {
        TranslateToText(sql);
    } catch (const HostError& e) {
        return e.error().description;
    }
    return "(translated)";
}

TEST(TsqlTranslator, SplitsBatchesWithoutSeparatorsAndKeepsInsertSelectTogether) {
    EXPECT_THAT(TranslateToText("UPDATE a SET x=1 WHERE y=2 UPDATE b SET z='16' WHERE k ='K'"),
                ElementsAre("UPDATE a SET x=1 WHERE y=2", "UPDATE b SET z='16' WHERE k ='K'"));
    EXPECT_THAT(
        TranslateToText("INSERT INTO B(a,b)\r\nSELECT a,b  FROM T te WHERE te.c=1+16.0\r\n"
                        "UPDATE T SET c=16.0"),
        ElementsAre("INSERT INTO B(a,b) SELECT a,b FROM T te WHERE te.c=q9_add(1,'16.0',12,1)",
                    "UPDATE T SET c='16.0'"));
    EXPECT_THAT(TranslateToText("SELECT 1 WHERE 1=2"), ElementsAre("SELECT 1 WHERE 1=2"));
    EXPECT_THAT(TranslateToText("SELECT a FROM t;SELECT CASE WHEN a=1 THEN 2 ELSE 3 END FROM t"),
                ElementsAre("SELECT a FROM t", "SELECT CASE WHEN a=1 THEN 2 ELSE 3 END FROM t"));
}

TEST(TsqlTranslator, GuardedCreateTableGetsExactDecimalsAndCaseInsensitiveText) {
    EXPECT_THAT(
        TranslateToText("IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='X' AND xtype='u')\r\n"
                        "CREATE TABLE X(FInterID INT,FCess DECIMAL(23,10),FNote VARCHAR(80),"
                        "FMoney MONEY,FWhen DATETIME NOT NULL)\r\n"),
        ElementsAre("IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='X' AND xtype='u') "
                    "CREATE TABLE X(FInterID INTEGER,FCess DECIMAL_TEXT(23,10),FNote TEXT COLLATE "
                    "NOCASE,FMoney DECIMAL_TEXT(19,4),FWhen TEXT NOT NULL)"));
}

TEST(TsqlTranslator, UpdateOfAnAliasWithJoinsTakesItsValuesFromACorrelatedSubquery) {
    const std::string sql =
        "UPDATE te SET te.FCess=16.0\r\n,te.FAmount=ROUND(FAuxQty*(100-te.FTaxRate)/(100+16.0),2),"
        "\r\nFPrice = Round(FAuxTaxPrice * t.FExchangeRate, ti.FPriceDecimal)\r\n"
        "  FROM POOrderEntry te\r\nINNER JOIN POOrder t ON te.FInterID = t.FInterID\r\n"
        "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID\r\n"
        "WHERE te.FCess=1+16.0 AND (te.FInterID= 501 AND te.FEntryID=2)";
    EXPECT_THAT(TranslateToText(sql),
                ElementsAre("UPDATE POOrderEntry AS te SET (FCess,FAmount,FPrice)=(SELECT "
                            "'16.0', ROUND(FAuxQty*(100-te.FTaxRate)/(q9_add(100,'16.0',12,1)),2), "
                            "Round(FAuxTaxPrice * t.FExchangeRate, ti.FPriceDecimal) "
                            "FROM POOrder AS t, t_ICItemMaterial AS ti "
                            "WHERE (te.FInterID = t.FInterID) AND (ti.FItemID = te.FItemID)) "
                            "WHERE EXISTS(SELECT 1 FROM POOrder AS t, t_ICItemMaterial AS ti "
                            "WHERE (te.FInterID = t.FInterID) AND (ti.FItemID = te.FItemID)) AND "
                            "(te.FCess=q9_add(1,'16.0',12,1)) AND ((te.FInterID= 501 AND "
                            "te.FEntryID=2))"));
    EXPECT_THAT(TranslateToText("UPDATE t_rpContract SET FTotal= (SELECT SUM(a) FROM e WHERE "
                                "FContractID=5) WHERE FContractID=5"),
                ElementsAre("UPDATE t_rpContract SET FTotal= (SELECT SUM(a) FROM e WHERE "
                            "FContractID=5) WHERE FContractID=5"));
}

TEST(TsqlTranslator, RefusesWhatItDoesNotHandleByName) {
    EXPECT_THAT(RefusalOf("DROP TABLE POOrderEntry"), HasSubstr("'DROP'"));
    EXPECT_THAT(RefusalOf("SELECT 1\r\nGO"), HasSubstr("'GO'"));
    EXPECT_THAT(RefusalOf("EXEC sp_who"), HasSubstr("'EXEC'"));
    EXPECT_THAT(RefusalOf("SET NOCOUNT ON"), HasSubstr("'SET'"));
    EXPECT_THAT(RefusalOf("SELECT TOP 1 a FROM t"), HasSubstr("'TOP'"));
    EXPECT_THAT(RefusalOf("SELECT GETDATE()"), HasSubstr("function 'GETDATE'"));
    EXPECT_THAT(RefusalOf("SELECT a INTO b FROM t"), HasSubstr("'INTO'"));
    EXPECT_THAT(RefusalOf("SELECT x = a FROM t"), HasSubstr("'x' = expression"));
    EXPECT_THAT(RefusalOf("SELECT a FROM t WHERE b=@p"), HasSubstr("'@'"));
    EXPECT_THAT(RefusalOf("SELECT a FROM #t"), HasSubstr("'#'"));
    EXPECT_THAT(RefusalOf("IF EXISTS(SELECT 1 FROM t) UPDATE t SET a=1"), HasSubstr("IF"));
    EXPECT_THAT(RefusalOf("IF NOT EXISTS(SELECT 1 FROM t)"), HasSubstr("without the statement"));
    EXPECT_THAT(RefusalOf("UPDATE x SET x.a=1 FROM t te INNER JOIN u ON u.k=te.k"),
                HasSubstr("does not name"));
    EXPECT_THAT(RefusalOf("UPDATE te SET a=1 FROM t te LEFT JOIN u ON u.k=te.k"),
                HasSubstr("'LEFT'"));
    EXPECT_THAT(RefusalOf("UPDATE te SET u.a=1 FROM t te INNER JOIN u ON u.k=te.k"),
                HasSubstr("another table 'u'"));
    EXPECT_THAT(RefusalOf("CREATE TABLE t(a XML)"), HasSubstr("'XML'"));
    EXPECT_THAT(RefusalOf("CREATE VIEW v AS SELECT 1"), HasSubstr("CREATE VIEW"));
    EXPECT_THAT(RefusalOf("SELECT 'open"), HasSubstr("unterminated"));
    EXPECT_THAT(RefusalOf("   "), HasSubstr("empty"));
    // A control character in a quoted name would pose as a literal mark of the translation.
    EXPECT_THAT(RefusalOf(std::string("SELECT [a\x01") + "0\x01] FROM t"),
                HasSubstr("control character"));
    EXPECT_THAT(RefusalOf(std::string("SELECT [a") + '\0' + "b] FROM t"),
                HasSubstr("control character"));
}

TEST(TsqlTranslator, TextsDifferingOnlyInLiteralsShareShapeAndTranslation) {
    const Shape a = ShapeOf(
        "SELECT 1 FROM T te WHERE te.FCess=1+16.0 AND (te.FInterID= 501) "
        "AND n='x'");
    const Shape b = ShapeOf(
        "SELECT 1 FROM T te WHERE te.FCess=1+10.0 AND (te.FInterID= 77) "
        "AND n='it''s'");
    EXPECT_EQ(a.key, b.key);
    ASSERT_EQ(b.literals.size(), 5u);
    EXPECT_EQ(b.literals[2].text, "10.0");
    EXPECT_EQ(b.literals[2].kind, Literal::Kind::Real);
    EXPECT_EQ(b.literals[3].kind, Literal::Kind::Integer);
    EXPECT_EQ(b.literals[4].text, "it's");

    TranslationCache cache;
    const auto first = cache.Get("SELECT 1 FROM T te WHERE te.FCess=1+16.0",
                                 ShapeOf("SELECT 1 FROM T te WHERE te.FCess=1+16.0"));
    const auto second = cache.Get("SELECT 1 FROM T te WHERE te.FCess=1+10.0",
                                  ShapeOf("SELECT 1 FROM T te WHERE te.FCess=1+10.0"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.hits(), 1u);
    EXPECT_EQ(cache.misses(), 1u);
    EXPECT_EQ(first->statements[0].sql, "SELECT ? FROM T te WHERE te.FCess=q9_add(?,?,12,1)");
    EXPECT_THAT(first->statements[0].parameters, ElementsAre(0, 1, 2));
    EXPECT_EQ(
        Render(first->statements[0], ShapeOf("SELECT 2 FROM T te WHERE te.FCess=1+10.0").literals),
        "SELECT 2 FROM T te WHERE te.FCess=q9_add(1,'10.0',12,1)");
}

TEST(TsqlTranslator, ShapesAreEqualExactlyWhenOnlyLiteralValuesDiffer) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"SELECT 1 FROM t WHERE n='x' -- ?", "SELECT 22 FROM t WHERE n=N'y''s' -- ?", true},
        {"SELECT a FROM t WHERE k=123456789", "SELECT a FROM t WHERE k=7", true},
        {"UPDATE t SET c=1+16.0", "UPDATE t SET c=1+10.0", true},
        // The translation types these otherwise.
        {"UPDATE t SET c=1+16.0", "UPDATE t SET c=1+16", false},
        {"UPDATE t SET c=16.0", "UPDATE t SET c=16.00", false},
        {"SELECT a*2 FROM t", "SELECT a*'2' FROM t", false},
        {"SELECT 'x', 5 FROM t", "SELECT 5, 'x' FROM t", false},
        {"SELECT 1e3 FROM t", "SELECT 1.3 FROM t", false},
        // Literals never hide in names, comments or quoted names.
        {"SELECT F1 FROM t", "SELECT F2 FROM t", false},
        {"SELECT [a 1] FROM t", "SELECT [a 2] FROM t", false},
        {"SELECT 1 /* 1 */ FROM t", "SELECT 1 /* 2 */ FROM t", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + "  |  " + c.b);
        EXPECT_EQ(ShapeOf(c.a).key == ShapeOf(c.b).key, c.same);
    }
}

TEST(TsqlTranslator, ShapesLiftTheLiteralsTheTranslationNumbers) {
    for (const char* sql : {
             "SELECT N'it''s', 'a''', 1.5e-3, .5, 12.50, 1234567890123456789012 FROM t",
             "SELECT F1, t1.x2, [q 3], \"w 4\" FROM t -- 5 '6\nWHERE a>=7 AND b<>8 AND c!=9",
             "UPDATE t SET c=ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal) /* 'x' */;",
             "SELECT a-1, b/2, t.5, xN'y', n'z', 2-3.0, c-- 4\n-5, d/* 6 */-.7 FROM t2",
             "SELECT [a]N'b', 'c'N'd', 'e'5, e$1, g1.5, h2 FROM t WHERE N'i'=j3",
         }) {
        SCOPED_TRACE(sql);
        std::vector<Literal> tokenized;
        Tokenize(sql, &tokenized);
        const std::vector<Literal> shaped = ShapeOf(sql).literals;
        ASSERT_EQ(shaped.size(), tokenized.size());
        for (size_t i = 0; i < shaped.size(); ++i) {
            EXPECT_EQ(shaped[i].kind, tokenized[i].kind) << i;
            EXPECT_EQ(shaped[i].text, tokenized[i].text) << i;
        }
    }
}

TEST(TsqlTranslator, RecentShapesAreTheShapesOfAFullScan) {
    // In this order: each text parts from an earlier one where a scan resumed too late or too
    // early would go wrong.
    std::vector<std::string> texts = {
        "UPDATE te SET c=ROUND(x*(100+16.0)/100,2) WHERE (te.FInterID= 501 AND te.FEntryID=1)",
        "UPDATE te SET c=ROUND(x*(100+16.0)/100,2) WHERE (te.FInterID= 502 AND te.FEntryID=1)",
        "UPDATE te SET c=ROUND(x*(100+16.0)/100,2) WHERE (te.FInterID= 5020 AND te.FEntryID=1)",
        "UPDATE te SET c=ROUND(x*(100+16.0)/100,2) WHERE (te.FInterID= 5020 AND te.FEntryID=1)",
        "UPDATE te SET c=ROUND(x*(100+16.0)/100,2) WHERE (te.FInterID= 50",
        "UPDATE te SET c=ROUND(x*(100+16.5e1)/100,2) WHERE (te.FInterID= 50)",
        "SELECT 1 FROM t WHERE n='ab' AND m=2",
        "SELECT 1 FROM t WHERE n='ab''c' AND m=2",
        "SELECT 1 FROM t WHERE n='ab' AND m=2 AND k=N'x'",
        "SELECT 1 FROM t WHERE n='ab' AND m=2 AND k=Nx",
        "SELECT 1 FROM t WHERE n='ab' AND m=2 AND k='open",
        "SELECT 1 FROM t WHERE n='ab' AND m=2 AND k=.5",
        "SELECT 1 FROM t WHERE n='ab' AND m=2 AND k=.x",
        "SELECT 1e5, 2 FROM t",
        "SELECT 1e+5, 2 FROM t",
        "SELECT 1e+x, 2 FROM t",
        "SELECT 1e-",
        "SELECT 12 FROM t",
        "SELECT 12a FROM t",
        "SELECT 12.5 FROM t",
        "SELECT 12'x' FROM t",
        "SELECT 12.5'x' FROM t",
        "SELECT 1'x' FROM t",
        "SELECT 1e5'x'",
        "SELECT 1 -- 2\n, 3 FROM t",
        "SELECT 1 /* 2\n, 3 FROM t */ FROM t",
        "SELECT 1 /* 2\n, 3 FROM t",
        "SELECT 1 FROM [a 2], t WHERE b=3",
        "SELECT 1 FROM [a 2, t WHERE b=3",
    };
    // More statements at a time than are remembered, each line with other keys.
    for (int line = 0; line < 3; ++line) {
        for (int statement = 0; statement < 11; ++statement) {
            texts.push_back("SELECT " + std::to_string(statement) + " FROM t WHERE k=" +
                            std::to_string(line * 7) + " AND v='" + std::to_string(line) + "'");
        }
    }
    RecentShapes recent;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        std::optional<Shape> full;
        try {
            full = ShapeOf(text);
        } catch (const HostError&) {
            EXPECT_THROW(recent.Of(text), HostError);
            continue;
        }
        const std::shared_ptr<const Shape> shape = recent.Of(text);
        EXPECT_EQ(shape->key, full->key);
        ASSERT_EQ(shape->literals.size(), full->literals.size());
        for (size_t i = 0; i < full->literals.size(); ++i) {
            EXPECT_EQ(shape->literals[i].kind, full->literals[i].kind) << i;
            EXPECT_EQ(shape->literals[i].text, full->literals[i].text) << i;
        }
    }
}

}  // namespace
}  // namespace q9::tsql
