#include "dm/local/PgStatementText.h"

#include <gtest/gtest.h>

namespace vantrelis::dm::local {
namespace {

TEST(PgStatementTextTest, ParametersAndHexNumbersBecomeTheServersOwn) {
    struct Row {
        const char* sql;
        const char* text;
        int parameters;
        const char* keyword;
    };
    const Row rows[] = {
        {"SELECT A FROM T WHERE B = ?1 AND C = ?2", "SELECT A FROM T WHERE B = $1 AND C = $2", 2, "SELECT"},
        {"INSERT INTO T VALUES (?, ?, ?)", "INSERT INTO T VALUES ($1, $2, $3)", 3, "INSERT"},
        {"SELECT ?2, ?", "SELECT $2, $3", 3, "SELECT"},
        {"SELECT '?1', \"?2\" FROM T -- ?3\n", "SELECT '?1', \"?2\" FROM T -- ?3\n", 0, "SELECT"},
        {"SELECT 'it''s ?1' FROM T WHERE X = ?1", "SELECT 'it''s ?1' FROM T WHERE X = $1", 1, "SELECT"},
        {"select count(*) from sysobjects where sysstat & 0xf = 3",
         "select count(*) from sysobjects where sysstat & 15 = 3", 0, "SELECT"},
        {"SELECT 0X1F, A0x1F, '0x10' FROM T", "SELECT 31, A0x1F, '0x10' FROM T", 0, "SELECT"},
        {"SELECT 0xZ FROM T", "SELECT 0xZ FROM T", 0, "SELECT"},
        {"UPDATE T SET A = 1;", "UPDATE T SET A = 1", 0, "UPDATE"},
        {"  /* lead */ begin", "  /* lead */ begin", 0, "BEGIN"},
        {"SELECT 1; -- done", "SELECT 1", 0, "SELECT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sql);
        const PgStatementText text = PgStatementText::From(QString::fromUtf8(row.sql));
        EXPECT_EQ(text.text, QString::fromUtf8(row.text));
        EXPECT_EQ(text.parameters, row.parameters);
        EXPECT_EQ(text.firstKeyword, QString::fromUtf8(row.keyword));
        EXPECT_FALSE(text.several);
        EXPECT_FALSE(text.empty);
    }
}

TEST(PgStatementTextTest, TellsEmptyTextsAndSeveralStatements) {
    struct Row {
        const char* sql;
        bool empty;
        bool several;
    };
    const Row rows[] = {
        {"", true, false},
        {"  ;; ", true, false},
        {"-- only a comment", true, false},
        {"/* a */ ; /* b */", true, false},
        {"SELECT 1; SELECT 2", false, true},
        {"SELECT 1;; /* x */ ;", false, false},
        {"SELECT ';' FROM T", false, false},
        {"SELECT \";\" FROM T", false, false},
        {"SELECT 1 -- ; SELECT 2", false, false},
        {"DELETE FROM T; DROP TABLE T", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sql);
        const PgStatementText text = PgStatementText::From(QString::fromUtf8(row.sql));
        EXPECT_EQ(text.empty, row.empty);
        EXPECT_EQ(text.several, row.several);
    }
}

} // namespace
} // namespace vantrelis::dm::local
