#include "app/core/Settings.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/TreeFunctions.h"
#include "tree/TreeImages.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace kiro;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// --- caption templates ---------------------------------------------------------------

struct CaptionCase {
    const char* what;
    const char* nodeTemplate;
    const char* tag;
    const char* name;
    const char* description;
    int qty;
    int order;
    const char* expected;
};

class ItemCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(ItemCaption, ExpandsTheTemplate)
{
    const CaptionCase& c = GetParam();
    TProdInfo product;
    product.Tag = s(c.tag);
    product.Name = s(c.name);
    product.Description = s(c.description);
    product.Qty = c.qty;
    product.Order = c.order;
    EXPECT_EQ(ProductNodeText(product, s(c.nodeTemplate)).toStdString(), std::string(c.expected)) << c.what;

    // Accessories follow the same template rules.
    TAccInfo accessory;
    accessory.Tag = product.Tag;
    accessory.Name = product.Name;
    accessory.Description = product.Description;
    accessory.Qty = product.Qty;
    accessory.Order = product.Order;
    EXPECT_EQ(AccessoryNodeText(accessory, s(c.nodeTemplate)).toStdString(), std::string(c.expected)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ItemCaption,
    ::testing::Values(
        CaptionCase{"default", "@T - @N (@D)", "P1", "Booster", "Main pump", 1, 1, "P1 - Booster (Main pump)"},
        CaptionCase{"values trimmed", "@T - @N (@D)", " P1 ", "  Booster", "Main pump  ", 1, 1,
                    "P1 - Booster (Main pump)"},
        CaptionCase{"no tokens", "Item", "P1", "Booster", "x", 1, 1, "Item"},
        CaptionCase{"every occurrence", "@N/@N", "1", "A", "", 1, 1, "A/A"},
        CaptionCase{"name holding its own token is inserted once", "@N", "1", "x@Ny", "", 1, 1, "x@Ny"},
        CaptionCase{"a value holding a later token is replaced again", "@N", "1", "Pump @D", "main", 1, 1,
                    "Pump main"},
        CaptionCase{"a value holding an earlier token stays", "@D", "T9", "Booster", "see @T", 1, 1, "see @T"},
        CaptionCase{"tokens match case", "@n @t", "1", "A", "", 1, 1, "@n @t"},
        CaptionCase{"quantity and order in decimal", "@O. @Qx @N", "1", "Valve", "", 12, 3, "3. 12x Valve"},
        CaptionCase{"order not yet read", "@O", "1", "A", "", 1, -1, "-1"}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return "case" + std::to_string(info.index); });

TEST(ProjectCaption, NameRevisionAndCustomer)
{
    TProjInfo p;
    p.Name = s("Pump station");
    p.Revision = 2;
    p.QuotCustName = s(" Water Works ");
    EXPECT_EQ(ProjectNodeText(p, s("@N:@R")), s("Pump station:2"));
    EXPECT_EQ(ProjectNodeText(p, s("@N (@C) rev. @R")), s("Pump station (Water Works) rev. 2"));
    p.Name = s("@R-@C");
    EXPECT_EQ(ProjectNodeText(p, s("@N")), s("2-Water Works")) << "later tokens apply to inserted text";
}

// --- image rules ------------------------------------------------------------------------

struct ProductImageCase {
    bool torva, pdb, external, spare;
    int expected;
};

TEST(ImageRules, ProductFirstMatchingRuleWins)
{
    const ProductImageCase cases[] = {
        {false, false, false, false, 4}, {true, false, false, false, 6}, {false, true, false, false, 8},
        {true, true, false, false, 10},  {true, true, true, true, 10},   {true, false, true, true, 6},
        {false, false, true, false, 12}, {false, false, true, true, 12}, {false, false, false, true, 14},
        {false, true, false, true, 8},
    };
    for (const auto& c : cases) {
        TProdInfo p;
        p.TORVA = c.torva;
        p.PDB = c.pdb;
        p.External = c.external;
        p.Spare = c.spare;
        EXPECT_EQ(ProductImageIndex(p), c.expected)
            << "TORVA " << c.torva << " PDB " << c.pdb << " External " << c.external << " Spare " << c.spare;
    }
}

TEST(ImageRules, Accessory)
{
    const struct {
        bool pdb, external, spare;
        int expected;
    } cases[] = {
        {false, false, false, 18}, {true, false, false, 20}, {true, true, true, 20},
        {false, true, true, 12},   {false, false, true, 14},
    };
    for (const auto& c : cases) {
        TAccInfo a;
        a.PDB = c.pdb;
        a.External = c.external;
        a.Spare = c.spare;
        EXPECT_EQ(AccessoryImageIndex(a), c.expected) << c.pdb << c.external << c.spare;
    }
}

TEST(ImageRules, OverlayRevisionAndFolders)
{
    EXPECT_EQ(ItemOverlayIndex(true, true), 0) << "alternate wins over additional option";
    EXPECT_EQ(ItemOverlayIndex(true, false), 0);
    EXPECT_EQ(ItemOverlayIndex(false, true), 1);
    EXPECT_EQ(ItemOverlayIndex(false, false), TTreeNode::NoOverlay);

    const struct {
        int index;
        bool latest;
        int expected;
    } revision[] = {{4, true, 4}, {5, true, 4}, {4, false, 5}, {5, false, 5}, {0, false, 1},
                    {21, true, 20}, {16, false, 17}, {24, false, 24}, {25, true, 25}};
    for (const auto& c : revision)
        EXPECT_EQ(ImageForRevision(c.index, c.latest), c.expected) << c.index << " latest " << c.latest;

    EXPECT_EQ(ExpandedFolderImage(0), 2);
    EXPECT_EQ(ExpandedFolderImage(1), 3);
    EXPECT_EQ(ExpandedFolderImage(16), 16);
    EXPECT_EQ(CollapsedFolderImage(3), 1);
    EXPECT_EQ(CollapsedFolderImage(2), 0);
    EXPECT_EQ(CollapsedFolderImage(4), 4);
}

TEST(TreeImagesTest, TwentySixImagesOfSeventeenPixelsAndOlderTwinsDiffer)
{
    for (int i = 0; i < TreeImage::Count; ++i) {
        const QPixmap& pm = TreeImagePixmap(i);
        EXPECT_EQ(pm.size(), QSize(17, 17)) << i;
    }
    for (int i = 0; i < TreeImage::Unused; i += 2)
        EXPECT_NE(TreeImagePixmap(i).toImage(), TreeImagePixmap(i + 1).toImage()) << "pair " << i;
    EXPECT_NE(TreeNodeIcon(4, 0).pixmap(17).toImage(), TreeNodeIcon(4).pixmap(17).toImage())
        << "the overlay is composited onto the image";
}

// --- filter expressions -------------------------------------------------------------------

struct FilterCase {
    const char* what;
    TTreeViewState state;
    const char* expected;
};

TTreeViewState state(std::function<void(TTreeViewState&)> f)
{
    TTreeViewState v;
    f(v);
    return v;
}

TEST(ViewFilterTextTest, PartsInOrderJoinedByAnd)
{
    const FilterCase cases[] = {
        {"nothing", {}, ""},
        {"user", state([](auto& v) { v.FilterUser = s("Anna Berg"); }), "(QuotHandledBy = 'Anna Berg')"},
        {"apostrophe in the user name",
         state([](auto& v) { v.FilterUser = s("Seán O'Brien"); }), "(QuotHandledBy = 'Seán O''Brien')"},
        {"status", state([](auto& v) { v.FilterStatus = 2; }), "(ProjectStatus = 2)"},
        {"validity dates",
         state([](auto& v) {
             v.FilterValDate = true;
             v.FilterValDateFrom = QDate(2024, 1, 5);
             v.FilterValDateTo = QDate(2024, 12, 31);
         }),
         "((QuotValidDate >= '2024-01-05') AND (QuotValidDate <= '2024-12-31'))"},
        {"dates kept but not filtered",
         state([](auto& v) { v.FilterValDateFrom = QDate(2024, 1, 5); }), ""},
        {"customer with apostrophes",
         state([](auto& v) {
             v.FilterCustomer = true;
             v.FilterCustomerID = s("C'1'");
         }),
         "(QuotCustID = 'C''1''')"},
        {"current customer without a record", state([](auto& v) { v.FilterCustomer = true; }), "(QuotCustID = '')"},
        {"latest", state([](auto& v) { v.FilterRevisionLast = true; }), "(Latest)"},
        {"user and latest",
         state([](auto& v) {
             v.FilterUser = s("A");
             v.FilterRevisionLast = true;
         }),
         "(QuotHandledBy = 'A') AND (Latest)"},
        {"everything",
         state([](auto& v) {
             v.FilterRevisionLast = true;
             v.FilterCustomer = true;
             v.FilterCustomerID = s("K1");
             v.FilterValDate = true;
             v.FilterValDateFrom = QDate(2024, 2, 1);
             v.FilterValDateTo = QDate(2024, 2, 29);
             v.FilterStatus = 3;
             v.FilterUser = s("B");
         }),
         "(QuotHandledBy = 'B') AND (ProjectStatus = 3) AND ((QuotValidDate >= '2024-02-01') AND "
         "(QuotValidDate <= '2024-02-29')) AND (QuotCustID = 'K1') AND (Latest)"},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(ViewFilterText(c.state).toStdString(), std::string(c.expected)) << c.what;
}

TEST(ViewStateTest, DayZeroInTheSettingsIsNoBound)
{
    ProjectSettings p;
    p.FilterValDate = true;
    TTreeViewState v = TTreeViewState::fromSettings(p);
    v.FilterValDateTo = QDate(2024, 3, 1);
    EXPECT_EQ(ViewFilterText(v), s("((QuotValidDate >= '1899-12-30') AND (QuotValidDate <= '2024-03-01'))"));
    v.FilterValDateFrom = QDate();
    v.toSettings(p);
    EXPECT_EQ(p.FilterValDateFrom, IniFile::dayZero());
    EXPECT_EQ(p.FilterValDateTo, QDate(2024, 3, 1));
}

} // namespace
