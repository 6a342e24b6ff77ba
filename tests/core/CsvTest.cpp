#include "data/Csv.h"

#include <gtest/gtest.h>

using kiro::parseCsv;

TEST(Csv, ParsesWhatSpreadsheetsWrite)
{
    struct Case {
        const char* text;
        QList<QStringList> rows;
    };
    const Case cases[] = {
        {"a,b,c\n1,2,3\n", {{"a", "b", "c"}, {"1", "2", "3"}}},
        {"a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}},
        {"x,\"say \"\"hi\"\"\",y", {{"x", "say \"hi\"", "y"}}},
        {"\"line 1\nline 2\",z\n", {{"line 1\nline 2", "z"}}},
        {"\"a,b\",,\n", {{"a,b", "", ""}}},
        {"a\n\nb\n", {{"a"}, {"b"}}},
        {"O'Brien,Ærø", {{"O'Brien", "Ærø"}}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseCsv(QString::fromUtf8(c.text)), c.rows) << c.text;
}

TEST(Csv, AnUnterminatedQuoteNamesItsLine)
{
    try {
        parseCsv(QStringLiteral("a,b\n1,\"open\n2,3\n"));
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
}
