#include "app/core/MsgFormat.h"

#include <gtest/gtest.h>

using kiro::FormatError;
using kiro::formatMessage;

TEST(MsgFormat, FillsPlaceholdersLikeAFormatRoutine)
{
    struct Case {
        const char* format;
        QVariantList args;
        const char* expected;
    };
    const Case cases[] = {
        {"Could not open table '%s'!", {QStringLiteral("Projects")}, "Could not open table 'Projects'!"},
        {"%d of %d", {3, 10}, "3 of 10"},
        {"100%% done", {}, "100% done"},
        {"[%5d|%-5d]", {42, 42}, "[   42|42   ]"},
        {"%.3d", {7}, "007"},
        {"%.2f", {3.14159}, "3.14"},
        {"%f", {2.5}, "2.50"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%x", {255}, "FF"},
        {"%1:s %0:s", {QStringLiteral("world"), QStringLiteral("hello")}, "hello world"},
        {"%.3s", {QStringLiteral("abcdef")}, "abc"},
        {"no placeholders", {QStringLiteral("extra")}, "no placeholders"},
        {"%s", {QStringLiteral("O'Brien \"quoted\"")}, "O'Brien \"quoted\""},
        {"%d", {qlonglong(-5)}, "-5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatMessage(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.expected)) << c.format;
}

TEST(MsgFormat, ArgumentsThatDoNotFitAreAnError)
{
    struct Case {
        const char* format;
        QVariantList args;
    };
    const Case cases[] = {
        {"%s", {}},
        {"%d and %d", {1}},
        {"%d", {QStringLiteral("12")}},
        {"%s", {12}},
        {"%f", {QStringLiteral("x")}},
        {"%q", {1}},
        {"trailing %", {}},
        {"%5", {1}},
    };
    for (const Case& c : cases)
        EXPECT_THROW(formatMessage(QString::fromUtf8(c.format), c.args), FormatError) << c.format;
}
