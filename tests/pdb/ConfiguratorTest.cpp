// The rules of the configurator against small series written for each test.
#include "PdbFixture.h"
#include "pdb/ProductData.h"

#include <gtest/gtest.h>

namespace kiro::pdb {
namespace {

using test::PdbFixture;

const QString ES = QStringLiteral("ES");

// Series ES: 8 positions. 3 S (A, B, C), 4 Z (1, 2), 5 S with two groups
// (A and B in group 1, A in group 2), 6 M (three boxes), 7 S (1, 2, 3), 8 S (0, 5).
struct EsSeries : PdbFixture {
    EsSeries()
    {
        series(ES, 6, 2, false, 3);
        header(ES, 3, "S", "H_MAT");
        header(ES, 4, "Z");
        header(ES, 5, "S");
        header(ES, 6, "M");
        header(ES, 7, "S");
        header(ES, 8, "S");
        translate("LangPDBHeader", "H_MAT", "Material");
        value(ES, 3, "A", "Cast iron");
        value(ES, 3, "B", "Bronze");
        value(ES, 3, "C", "Steel");
        value(ES, 4, "1", "50 Hz");
        value(ES, 4, "2", "60 Hz");
        value(ES, 5, "A", "A one", 1);
        value(ES, 5, "B", "B one", 1);
        value(ES, 5, "A", "A two", 2);
        value(ES, 6, "1", "Seal", 1, "0", 1);
        value(ES, 6, "2", "Heater", 1, "0", 1);
        value(ES, 6, "4", "Sensor", 1);
        value(ES, 7, "1", "Small");
        value(ES, 7, "2", "Medium");
        value(ES, 7, "3", "Large");
        value(ES, 8, "0", "None");
        value(ES, 8, "5", "Five");
    }
};

TEST(CodeTextTest, NormalizationAndSeries)
{
    EsSeries f;
    PDBConfigurator& c = f.open();
    EXPECT_EQ(c.PDBNormalizeCode(QStringLiteral("ab-1.2#x")), QStringLiteral("AB12?X??????????"));
    EXPECT_TRUE(c.PDBNormalizeCode(QString()).isEmpty());
    EXPECT_EQ(c.PDBNormalizeCode(QStringLiteral("ESI")), QStringLiteral("ES??????????????"));
    EXPECT_EQ(f.messages.keys(), QStringList({"1014"}));
    f.messages.clear();
    EXPECT_TRUE(c.PDBNormalizeEnteredCode(QStringLiteral("ES-O1")).isEmpty()); // refused
    EXPECT_EQ(f.messages.keys(), QStringList({"1014"}));
    f.messages.clear();
    EXPECT_TRUE(PDBConfigurator::PDBValidateSeries(QStringLiteral("E")).isEmpty());
    EXPECT_EQ(f.messages.keys(), QStringList({"1013"}));
    EXPECT_EQ(PDBConfigurator::PDBSeriesFromCode(QStringLiteral(" e s1")), QStringLiteral("ES"));

    f.load(QStringLiteral("ESA1A0"));
    EXPECT_EQ(c.PDBFormatArtNr(QStringLiteral("ESABCDEF")), QStringLiteral("ESA.BCD-EF"));
    EXPECT_EQ(c.PDBFormatArtNr(QStringLiteral("ES!")), QStringLiteral("ES!"));
}

TEST(SelectionTest, DecodingPicksByTextThenGroupThenFirst)
{
    struct Case {
        const char* text;
        const char* group;
        int expected;
    };
    for (const Case& k : {Case{"A two", "1", 2}, Case{"", "2", 2}, Case{"", "1", 0}, Case{"other", "-1", 0}}) {
        EsSeries f;
        f.open();
        StoredItem item;
        item.series = ES;
        item.code = QStringLiteral("ESA1A0");
        item.selections = QStringList{"", "", "", "", QString::fromLatin1(k.text)};
        item.groups = QStringList{"", "", "", "", QString::fromLatin1(k.group)};
        f.cfg.PDBLoadItem(item, false); // restored: the stored texts and groups stand
        EXPECT_TRUE(f.cfg.restoredMode());
        EXPECT_EQ(f.cfg.PDBGetSelItemNoFromCode(5, QChar(u'A')), k.expected) << k.text << k.group;
    }
}

TEST(AllowedSetsTest, IntersectionOverRequiredTypesAndFreePositions)
{
    EsSeries f;
    f.partType(ES, 1, "Y");
    f.partType(ES, 2, "Y");
    f.partType(ES, 3, "Y");
    f.partType(ES, 4, "N"); // not required: never restricts
    // At 7 the first two required types leave nothing in common; the third
    // one's set then replaces the empty running set.
    f.part(ES, 1, "P1", ";;A;;;;12");
    f.part(ES, 1, "P1b", ";;B;;;;12");
    f.part(ES, 2, "P2", ";;;;;;3");
    f.part(ES, 3, "P3", ";;;;;;1");
    f.part(ES, 4, "P4", ";;;;;;2;5");
    PDBConfigurator& c = f.load(QStringLiteral("ESA"));
    EXPECT_EQ(f.offered(3), QStringLiteral("ABC")); // position 3 of a pump is never restricted
    EXPECT_EQ(f.offered(7), QStringLiteral("1"));
    EXPECT_EQ(f.offered(8), QStringLiteral("05")); // no condition: free
    EXPECT_EQ(f.offered(4), QStringLiteral("12"));
    EXPECT_EQ(c.row(4).type, QChar(u'Z'));
    EXPECT_FALSE(c.row(4).lockVisible);

    // A Z position with one value left takes it.
    f.part(ES, 1, "P1z", ";;C;2");
}

TEST(AllowedSetsTest, RequiredTypeWithoutPartsAllowsNothingAndZTakesTheOnlyValue)
{
    EsSeries f;
    f.partType(ES, 1, "Y");
    f.partType(ES, 2, "Y");
    f.part(ES, 1, "P1", ";;A;2");
    f.part(ES, 2, "P2", ";;A;;;;;5");
    PDBConfigurator& c = f.load(QStringLiteral("ESA"));
    EXPECT_EQ(f.offered(4), QStringLiteral("2"));
    EXPECT_EQ(c.code().at(3), QChar(u'2')); // Z: the only value is written into the code
    EXPECT_EQ(f.offered(8), QStringLiteral("5"));
    EXPECT_EQ(c.code().left(6), QStringLiteral("ESA2?0")); // M positions read "?" as "0"

    c.selectCode(3, QChar(u'B'));
    EXPECT_EQ(c.code().left(3), QStringLiteral("ESB"));
    // No part of type 1 fits B: the former choice at 4 stays visible, as an
    // invalid one, and the code marks it.
    ASSERT_EQ(c.row(4).entries.size(), 1u);
    EXPECT_TRUE(c.row(4).entries[0].invalid);
    EXPECT_EQ(c.code().at(3), QChar(u'#'));
    EXPECT_TRUE(f.offered(7).isEmpty());
    int state = 0;
    EXPECT_EQ(c.PDBCheckComplete(state), 1);
}

TEST(FilterTest, GroupsAreCheckedOnlyWithUseGroups)
{
    EsSeries f;
    f.part(ES, 1, "P1", ";;;;1,2:AB");
    f.load(QStringLiteral("ESA"));
    const SeriesData& data = *f.cfg.seriesData();
    ASSERT_TRUE(data.positions[5].multiGroup);
    FilterState st;
    st.code = QStringLiteral("ESA1A0??????????");
    st.positionCount = 8;
    st.currentGroup.fill(-1);
    st.currentGroup[5] = 3;
    st.useGroups = true;
    RecordFilter filter(data, st);
    EXPECT_FALSE(filter.acceptPartRecord(data.parts[0], 3, 8));
    st.useGroups = false;
    EXPECT_TRUE(filter.acceptPartRecord(data.parts[0], 3, 8));
    st.useGroups = true;
    st.currentGroup[5] = -1;
    EXPECT_TRUE(filter.acceptPartRecord(data.parts[0], 3, 8));
}

TEST(FilterTest, StrictFilterAndSpecialParts)
{
    EsSeries f;
    f.partType(ES, 1, "N");
    f.part(ES, 1, "Plain", "");
    f.part(ES, 1, "Special", "", "A", "SP_NOTE");
    f.partType(ES, 2, "LIST", "List price", 2);
    f.price(ES, 2, "PL", "100", ";;;;;;12");
    f.price(ES, 2, "PL", "200", ";;;;;;");
    f.translate("LangPDBPrices", "PL", "List price");
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    QStringList prices;
    ASSERT_TRUE(c.PDBGetProductPrices(prices));
    ASSERT_EQ(prices.size(), 10);
    EXPECT_EQ(prices[6], QStringLiteral("200")); // "?" at 7 rejects the record with a field there

    c.FillPartItems(false);
    ASSERT_EQ(c.partList().items().size(), 1u);
    EXPECT_EQ(c.partList().items()[0].number, QStringLiteral("Plain"));
    settings().pdb().Special = true;
    c.FillPartItems(false);
    EXPECT_EQ(c.partList().items().size(), 2u);
}

TEST(AccessoryTest, DependentSeriesWithoutSiblingsAcceptsNothingDependent)
{
    PdbFixture f;
    const QString AC = QStringLiteral("AC");
    f.series(AC, 3, 0, true, 0, true, true);
    f.header(AC, 3, "S");
    f.value(AC, 3, "A", "Frame");
    f.partType(AC, 1, "N");
    f.part(AC, 1, "Bolt", "", "A", QString(), "PDBParts", QStringLiteral("ES"), QString());
    StoredItem item;
    item.isAcc = true;
    item.series = AC;
    item.code = QStringLiteral("ACA");
    item.pumpCode = QStringLiteral("ESA1");
    item.pumpSeries = ES;
    f.open();
    f.cfg.PDBLoadItem(item, true);
    f.cfg.FillPartItems(false);
    EXPECT_TRUE(f.cfg.partList().isEmpty());

    item.accDepCodes = QStringList{QStringLiteral("BX12")};
    f.cfg.PDBLoadItem(item, true);
    f.cfg.FillPartItems(false);
    ASSERT_EQ(f.cfg.partList().items().size(), 1u); // the pump ES... fits, any sibling does

    item.pumpCode = QStringLiteral("VLA1");
    f.cfg.PDBLoadItem(item, true);
    f.cfg.FillPartItems(false);
    EXPECT_TRUE(f.cfg.partList().isEmpty());
}

TEST(PartListTest, OverflowExcludedMissingChoicesExtrasAndStoredParts)
{
    EsSeries f;
    f.partType(ES, 3, "N", "Impeller");
    f.partType(ES, 4, "X", "Hidden");
    f.partType(ES, 5, "Y", "Motor");
    f.partType(ES, 6, "N", "Seal");
    f.partType(ES, 7, "N", "Flange");
    for (int i = 1; i <= 12; ++i)
        f.part(ES, 3, QStringLiteral("IMP-%1").arg(i), ";;A");
    f.part(ES, 4, "HID-1", ";;A");
    f.part(ES, 6, "SEAL-1", ";;A");
    f.part(ES, 6, "SEAL-2", ";;A");
    f.part(ES, 6, "SEALX", ";;A", "A", QString(), "PDBPartsX");
    f.part(ES, 7, "FLX-1", ";;A", "B", QString(), "PDBPartsX");
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    c.FillPartItems(true);
    const auto& items = c.partList().items();
    QStringList numbers;
    for (const PartListItem& i : items)
        numbers << i.no + QLatin1Char('|') + i.number + QLatin1Char('|') + i.cls + i.extra + i.added;
    QStringList expected;
    for (int i = 1; i <= 10; ++i)
        expected << QStringLiteral("03|IMP-%1|A").arg(i);
    expected << QStringLiteral("03||") << "06|SEAL-1|A" << "06|SEAL-2|A" << "07|FLX-1|BX" << "05||EA";
    EXPECT_EQ(numbers, expected);
    EXPECT_TRUE(items[10].name.endsWith(MsgText(QStringLiteral("1021"))));
    EXPECT_EQ(items[10].name.at(0), QChar(0xA4));
    // Types with several items are radio groups nobody chose yet.
    EXPECT_TRUE(items[11].radio);
    EXPECT_FALSE(items[11].checked);
    EXPECT_TRUE(items[11].enabled);
    EXPECT_FALSE(items[13].radio);
    EXPECT_TRUE(items[13].checked);
    EXPECT_EQ(c.PDBPartListState(), 3); // choices to make, and the motor is missing
    EXPECT_FALSE(c.partList().SelectionOK());
    c.partList().tick(11, true);
    EXPECT_FALSE(c.partList().SelectionOK()); // type 3 is a radio group as well
    c.partList().tick(0, true);
    EXPECT_TRUE(c.partList().SelectionOK());
}

TEST(PartListTest, StoredPartsStayWhileTheCodeIsUnchanged)
{
    EsSeries f;
    f.partType(ES, 3, "N", "Impeller");
    f.part(ES, 3, "IMP-1", ";;A");
    f.part(ES, 3, "IMP-2", ";;A");
    f.open();
    StoredItem item;
    item.series = ES;
    item.code = QStringLiteral("ESA1A0");
    item.partNumbers = QStringList{"03", "Impeller", "A", "IMP-2", "", "", "", "09", "Old", "B", "GONE-1", "", "", ""};
    f.cfg.PDBLoadItem(item, true);
    f.cfg.FillPartItems(false);
    const auto& items = f.cfg.partList().items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(items[1].checked); // the stored choice is kept
    EXPECT_EQ(items[2].number, QStringLiteral("GONE-1"));
    EXPECT_EQ(items[2].added, QStringLiteral("A"));
    EXPECT_FALSE(items[0].enabled); // form mode

    f.cfg.selectCode(3, QChar(u'B'));
    f.cfg.FillPartItems(false);
    EXPECT_TRUE(f.cfg.partList().isEmpty());
}

TEST(ProductDataTest, PricesAmbiguityExtrasDollarAndPercentages)
{
    EsSeries f;
    const char* names[] = {"Base price", "Motor", "Surcharge", "Rounding", "Extra"};
    for (int i = 0; i < 5; ++i)
        f.partType(ES, i + 1, QString(), QString::fromLatin1(names[i]), 2);
    f.translate("LangPDBPrices", "PB", "Base price $ list");
    f.translate("LangPDBPrices", "PM", "Motor");
    f.translate("LangPDBPrices", "PS", "Surcharge");
    f.translate("LangPDBPrices", "PR", "Rounding");
    f.translate("LangPDBPrices", "PE", "Extra");
    f.price(ES, 1, "PB", "1250", ";;A", "PDBPrices", QString(), QString(), "D1");
    f.price(ES, 2, "PM", "300", ";;A");
    f.price(ES, 2, "PM", "310", ";;A;1", "PDBPrices", QString(), QString(), "D2");
    f.price(ES, 3, "PS", "0", ";;A", "PDBPrices", "12", "Base price");
    f.price(ES, 4, "PR", "0", ";;A", "PDBPrices", "15", "Base price");
    f.price(ES, 5, "PE", "77", ";;A", "PDBPricesX");
    f.price(ES, 1, "PB", "999", ";;A", "PDBPricesX");
    f.price(ES, 2, "PM", "1", ";;B"); // does not fit
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    QStringList list;
    ASSERT_TRUE(c.PDBGetProductPrices(list));
    ASSERT_EQ(list.size(), 50);
    auto type = [&](int i) { return list.mid(i * 10, 10); };
    EXPECT_EQ(type(0), QStringList({"Base price", "Base price", "DEM", "ES", "1", "EUR", "1250", "D1", "", ""}));
    EXPECT_EQ(type(1)[6], MsgText(QStringLiteral("1023")));
    EXPECT_EQ(type(1)[7], QString());
    EXPECT_EQ(type(2)[6], QStringLiteral("150"));
    EXPECT_EQ(type(3)[6], QStringLiteral("188")); // 187.5 to the even neighbour
    EXPECT_EQ(type(4)[6], QStringLiteral("77"));
    EXPECT_EQ(c.priceTypes()[0].matchCount, 2);

    const auto items = configuratorPriceItems(c);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 5);
    EXPECT_EQ(items->at(0).listPrice, QStringLiteral("1250"));
    EXPECT_EQ(items->at(0).level, QStringLiteral("D1"));
}

TEST(ProductDataTest, DocumentsBoundToPartsAndListedOnce)
{
    EsSeries f;
    f.partType(ES, 1, "N", "Pump");
    f.part(ES, 1, "PUMP-77", ";;A");
    f.rows("PDBDocs", {"PUMPSERIE", "SORTORDER", "FROMPARTS", "PARTNAME", "NAME", "DESCR", "CODES"},
           {{ES, "1", false, "", "ES.pdf", "D_ES", ";;A"},
            {ES, "2", true, "pump-77", "P77.pdf", "D_P", ""},
            {ES, "3", true, "PUMP-99", "P99.pdf", "D_P", ""}});
    f.rows("PDBDocsX", {"PUMPSERIE", "SORTORDER", "NAME", "DESCR", "CODES"},
           {{ES, "1", "ES.pdf", "D_X", ""}, {ES, "2", "X.pdf", "D_X", ""}});
    f.translate("LangPDBDocs", "D_ES", "Data sheet");
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    QStringList docs;
    ASSERT_TRUE(c.PDBGetProductDocuments(docs)); // no part list yet: part documents are left out
    EXPECT_EQ(docs, QStringList({"ES.pdf", "Data sheet", "X.pdf", "D_X"}));
    c.FillPartItems(false);
    ASSERT_TRUE(c.PDBGetProductDocuments(docs));
    EXPECT_EQ(docs, QStringList({"ES.pdf", "Data sheet", "P77.pdf", "D_P", "X.pdf", "D_X"}));
}

TEST(ActionsTest, FactoryDefaultsKeepLockedAndUnsetPositionsAndLockOthers)
{
    EsSeries f;
    QStringList cols = {"CODE01", "CODE02"};
    QVariantList vals = {"E", "S"};
    const char* codes[] = {"B", "2", "B", "0", "3", "?"};
    for (int p = 3; p <= 8; ++p) {
        cols << pdb::defaultColumn("CODE", p) << pdb::defaultColumn("GROUP", p) << pdb::defaultColumn("LOCK", p);
        vals << QString::fromLatin1(codes[p - 3]) << 1 << (p == 7);
    }
    f.rows("PDBFactDefault", cols, {vals});
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    ASSERT_EQ(c.code().left(8), QStringLiteral("ESA1A0??"));
    c.toggleLock(5, true);
    EXPECT_EQ(c.userLocks().at(4), QChar(u'T'));
    c.toggleLock(7, true); // nothing chosen at 7: refused
    EXPECT_EQ(f.messages.keys(), QStringList({"1010"}));
    EXPECT_FALSE(c.row(7).lockTicked);

    c.PDARavova(ActFactoryDefault);
    EXPECT_EQ(c.code().left(8), QStringLiteral("ESB2A03?")); // 5 locked, 8 "?" in the default
    EXPECT_EQ(c.userLocks().left(8), QStringLiteral("FFFFTFTF"));

    // Clear keeps the locked positions and the Z position; M becomes "0".
    c.selectCode(8, QChar(u'5'));
    c.PDARavova(ActClear);
    EXPECT_EQ(c.code().left(8), QStringLiteral("ES?2A03?"));

    // Choosing the series that is already current changes nothing.
    f.messages.clear();
    c.setSeriesListValue(ES);
    c.PDARavova(ActSeriesChanged);
    EXPECT_EQ(c.code().left(8), QStringLiteral("ES?2A03?"));
    EXPECT_TRUE(f.messages.keys().isEmpty());

    f.messages.clear();
    c.PDARavova(ActUserDefault);
    EXPECT_EQ(f.messages.keys(), QStringList({"1007"}));
}

TEST(ActionsTest, UserDefaultRoundTripAndOldDatabase)
{
    EsSeries f;
    PDBConfigurator& c = f.load(QStringLiteral("ESB2A5"));
    c.PDARavova(ActSetUserDefault);
    f.messages.answer(MsgCodeNo);
    c.PDARavova(ActSetUserDefault); // exists: asked, No keeps it
    EXPECT_EQ(f.messages.keys(), QStringList({"1019"}));
    EXPECT_EQ(c.PDBGetDefaultCode(QStringLiteral("PDBUserDefault"), ES).left(8), QStringLiteral("ESB2A5??"));
    EXPECT_EQ(c.PDBGetDefaultCode(QStringLiteral("PDBFactDefault"), ES), QStringLiteral("ES??????????????"));

    EsSeries old;
    old.current = false;
    PDBConfigurator& o = old.load(QStringLiteral("ESA1A0"));
    for (int p = 3; p <= 8; ++p) {
        EXPECT_TRUE(o.row(p).lockTicked) << p;
        EXPECT_FALSE(o.row(p).enabled) << p;
    }
    o.setArtNrText(QStringLiteral("ES-B2"));
    o.PDARavova(ActArticleNumber);
    EXPECT_EQ(o.code().left(4), QStringLiteral("ESB2"));
}

TEST(ActionsTest, MultipleChoiceCompletenessAndModifiedState)
{
    EsSeries f;
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    const RowView& m = c.row(6);
    ASSERT_EQ(m.boxes.size(), 3u);
    EXPECT_FALSE(m.complete); // a forced box must be ticked
    EXPECT_TRUE(m.redText);
    int state = 0;
    EXPECT_EQ(c.PDBCheckComplete(state), 1);
    EXPECT_FALSE(c.PDBIsModified());
    c.setBoxTicked(6, 1, true);
    c.setBoxTicked(6, 2, true);
    c.PDARavova(ActValueChanged, 6);
    EXPECT_EQ(c.code().at(5), QChar(u'6'));
    EXPECT_TRUE(c.row(6).complete);
    EXPECT_EQ(c.selectionText(6), QStringLiteral("Heater; Sensor"));
    EXPECT_TRUE(c.PDBIsModified());
    c.PDARavova(ActUndo);
    EXPECT_EQ(c.code().left(6), QStringLiteral("ESA1A0"));
    EXPECT_FALSE(c.PDBIsModified());
}

TEST(ClassTest, ClassesRunningMaximumAndLookAhead)
{
    EsSeries f;
    settings().pdb().Classes = true;
    f.partType(ES, 1, "Y");
    f.part(ES, 1, "S1", ";;;;;;1", "B");
    f.part(ES, 1, "S2", ";;;;;;2", "F");
    f.part(ES, 1, "S3", ";;;;;;3", "C");
    PDBConfigurator& c = f.load(QStringLiteral("ESA1A0"));
    c.PDARavova(ActGoLiveIfRestored, 7);
    c.PDBClassLookAhead(7);
    QStringList classes;
    for (const ListEntry& e : c.row(7).entries)
        classes << e.classText + (e.invalid ? "!" : "");
    EXPECT_EQ(classes, QStringList({"B", "F!", "C"}));

    c.selectCode(7, QChar(u'3'));
    EXPECT_EQ(c.selectionClasses().left(8), QStringLiteral("AABBBBCC"));
    EXPECT_EQ(c.totalClass(), QStringLiteral("C"));
    EXPECT_EQ(c.classLabel(7), QStringLiteral(" C"));
    EXPECT_EQ(c.classLabel(6), QStringLiteral(" B"));
}

} // namespace
} // namespace kiro::pdb
