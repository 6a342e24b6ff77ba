#include "pdb/Conditions.h"
#include "pdb/SelectionModel.h"

#include <gtest/gtest.h>

namespace kiro::pdb {
namespace {

struct FieldCase {
    const char* field;
    bool multiGroup;
    int singleGroup;
    bool zeroMultiple;
    const char* allowed;  // code characters accepted
    std::vector<int> groups;
};

class CodeFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CodeFieldTest, ReadsCharactersAndGroups)
{
    const FieldCase& c = GetParam();
    const CodeField f = readCodeField(parseRawField(QString::fromLatin1(c.field)), {c.multiGroup, c.singleGroup},
                                      c.zeroMultiple);
    EXPECT_EQ(maskToString(f.allowed), QString::fromLatin1(c.allowed)) << c.field;
    EXPECT_EQ(f.groups.members(), c.groups) << c.field;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CodeFieldTest,
    ::testing::Values(
        FieldCase{"3..12:AB", true, 1, false, "AB", {3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        // The lower bound is one character; ".15" is no number: the default group.
        FieldCase{"12..15:AB", true, 1, false, "AB", {0}},
        FieldCase{"12..15:AB", false, 4, false, "AB", {4}},
        FieldCase{":AB", false, 2, false, "AB", {2}},
        FieldCase{"AB", true, 1, false, "AB", {0}},
        FieldCase{"1,3,200:C", true, 1, false, "C", {1, 3}},
        FieldCase{"0,5:C", false, 7, false, "C", {5, 7}},
        FieldCase{"*:C", false, 120, false, "C", {1}},
        FieldCase{"05", false, 1, true, "5", {1}},
        FieldCase{"0", false, 1, true, "0", {1}},
        FieldCase{"*", false, 1, false, "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ", {1}},
        FieldCase{"", true, 1, false, "", {0}}));

TEST(ConditionTest, FieldsByPositionAndBadGroupItems)
{
    EXPECT_EQ(conditionFieldText(QStringLiteral("a;b;;d"), 2), QStringLiteral("b"));
    EXPECT_EQ(conditionFieldText(QStringLiteral("a;b;;d"), 3), QString());
    EXPECT_EQ(conditionFieldText(QStringLiteral("a;b"), 5), QString());

    GroupPool pool;
    ConditionCompiler compiler{{}, false, &pool};
    const Condition c = compiler.compile(QStringLiteral(";;AB;;x,2:C;1..5:D"));
    EXPECT_EQ(c.ownPosition, 6);
    EXPECT_FALSE(c.error.isEmpty()); // "x" is reported, the record stays readable
    EXPECT_TRUE(c.fields[5].hasCondition);
    EXPECT_FALSE(c.fields[4].hasCondition);
}

TEST(CodeAlphabetTest, MultipleChoiceEncodingAndClasses)
{
    EXPECT_EQ(encodeTicks(1u | 4u | 16u), QChar(u'M')); // boxes 0, 2 and 4: index 21
    EXPECT_EQ(decodeTicks(QChar(u'M')), 21u);
    EXPECT_EQ(encodeTicks(0), QChar(u'0'));
    EXPECT_EQ(encodeTicks(31), QChar(u'X'));
    EXPECT_EQ(decodeTicks(QChar(u'Y')), 0u); // outside "1".."X"
    EXPECT_EQ(decodeTicks(QChar(u'?')), 0u);
    EXPECT_EQ(codeIndex(QChar(u'I')), -1);
    EXPECT_EQ(codeIndex(QChar(u'O')), -1);
    EXPECT_EQ(classRank(QStringLiteral("F")), 6);
    EXPECT_EQ(classRank(QStringLiteral("G")), 0);
    EXPECT_EQ(classLetter(0), QChar(u'X'));
    EXPECT_EQ(classLetter(7), QChar(u'X'));

    const CodeMask m = maskFromString(QStringLiteral("AZ09"));
    const auto bytes = maskToCharBytes(m);
    EXPECT_EQ(bytes['A' / 8], 1 << ('A' % 8));
    EXPECT_EQ(maskFromCharBytes(bytes.data(), 32), m);
    GroupSet g;
    g.add(0);
    g.add(103);
    g.add(104); // not kept
    EXPECT_EQ(GroupSet::fromBytes(g.toBytes().data(), 13), g);
    EXPECT_EQ(g.count(), 2);
}

} // namespace
} // namespace kiro::pdb
