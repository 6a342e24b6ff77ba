#include "data/Schema.h"

#include "db/DatabaseError.h"

#include <QHash>

#include <functional>

namespace kiro::schema {

namespace {

using F = db::FieldDef;
using db::IndexDef;
using db::TableDef;

// Defaults are written the way the engine reads them back from a file, so
// that a table read back compares equal to its declaration.
const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");
const QString kZero = QStringLiteral("0");
const QString kOne = QStringLiteral("1");

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// --- field kinds that recur -------------------------------------------------

F dbVer()
{
    return F::text(s("DBVer"), 10).withDefault(schemaVersion());
}

// Row identifier of a project table. The generated value has 33 characters;
// the stored width is 50, and every field that points at an ID has the same
// width so that an identifier is never cut on its way into a link.
F id()
{
    return F::text(s("ID"), 50).asRequired();
}
F idLink(const char* name)
{
    return F::text(s(name), 50);
}

F text(const char* name, int width)
{
    return F::text(s(name), width);
}
F key(const char* name, int width)
{
    return F::text(s(name), width).asRequired();
}
F memo(const char* name)
{
    return F::memo(s(name));
}
F integer(const char* name)
{
    return F::integer(s(name));
}
F dateTime(const char* name)
{
    return F::dateTime(s(name));
}
F binary(const char* name)
{
    return F::binary(s(name));
}
F bytes(const char* name, int size)
{
    return F::bytes(s(name), size);
}

// A flag starts off: a new row is nothing special until something says so.
F flag(const char* name)
{
    return F::boolean(s(name)).withDefault(kFalse);
}
// A row the user adds by hand is printed unless he hides it.
F shown(const char* name = "Show")
{
    return F::boolean(s(name)).withDefault(kTrue);
}
// Amounts and percentages start at 0, so that sums over fresh rows are
// numbers (an empty amount would make every SQL sum above it empty).
F amount(const char* name)
{
    return F::floating(s(name)).withDefault(kZero);
}
// A currency factor starts at 1 (same currency): a row that was never
// recalculated converts nothing away.
F currFact(const char* name)
{
    return F::floating(s(name)).withDefault(kOne);
}
// A quantity starts at 1: a new item or price row counts once.
F qty(const char* name = "Qty")
{
    return F::integer(s(name)).withDefault(kOne);
}

QList<F> numbered(const char* prefix, int count, const std::function<F(const QString&)>& make)
{
    QList<F> fields;
    for (int i = 1; i <= count; ++i) {
        fields << make(s(prefix) + QString::number(i));
    }
    return fields;
}

IndexDef idx(const char* name, const QStringList& fields)
{
    return {s(name), fields, false, false};
}
// Orders names as a user reads them: letter case does not matter.
IndexDef byName(const char* name, const QStringList& fields)
{
    return {s(name), fields, false, true};
}

IndexDef projectIndex()
{
    return idx("Project", {s("ProjectID")});
}
IndexDef productIndex()
{
    return idx("Product", {s("ProductID")});
}
IndexDef accessoryIndex()
{
    return idx("Accessory", {s("AccessoryID")});
}
IndexDef parentIndex()
{
    return idx("Parent", {s("ParentID")});
}
IndexDef orderIndex()
{
    return idx("Order", {s("OrderID")});
}

TableDef makeTable(const char* name, const QList<F>& fields, const QStringList& primaryKey,
                   const QList<IndexDef>& indexes = {})
{
    return {s(name), fields, primaryKey, indexes};
}

TableDef renamed(TableDef def, const char* name)
{
    def.name = s(name);
    return def;
}

// --- system database ---------------------------------------------------------

// Currencies and ProjCurrencies: a currency is worth 1 of the base until its
// rate is entered, so that a forgotten rate never turns prices into 0 or
// divides by 0.
QList<F> currencyFields()
{
    return {
        text("Name", 5),
        F::shortInt(s("Factor")).withDefault(kOne),
        F::floating(s("Rate")).withDefault(kOne),
        F::floating(s("OneToOne")).withDefault(kOne), // Rate / Factor of the defaults
        dbVer(),
    };
}

QList<F> discMargFields()
{
    return {
        key("Series", 2),
        amount("DiscLevel1"),
        amount("DiscLevel2"),
        amount("DiscLevel3"),
        amount("DiscLevel4"),
        amount("Margin"),
        dbVer(),
    };
}

TableDef currencies()
{
    QList<F> fields = currencyFields();
    fields[0] = fields[0].asRequired();
    return makeTable("Currencies", fields, {s("Name")});
}

TableDef discMarg()
{
    return makeTable("DiscMarg", discMargFields(), {s("Series")});
}

// Users: the logon name (upper case, matched exactly) as key; the full name
// is 40 wide because it is copied into the 40-wide "handled by" fields of
// quotations and orders; CompanyID is the key of a Sales row.
TableDef users()
{
    return makeTable("Users",
                     {
                         key("ID", 50),
                         text("Name", 40),
                         text("CompanyID", 10),
                         text("Tel1", 30),
                         text("Fax1", 30),
                         text("Mobile1", 30),
                         text("EMail1", 50),
                         dbVer(),
                     },
                     {s("ID")});
}

// Series: the series identifier is the table's second field (the series
// tables are kept in step by reading that field); the name before it is what
// the discount grids show for a series.
TableDef series()
{
    return makeTable("Series",
                     {
                         text("Name", 50),
                         key("ID", 2),
                         dbVer(),
                     },
                     {s("ID")});
}

// One row per series; an empty template column means the default template.
TableDef printSeries()
{
    return makeTable("PrintSeries",
                     {
                         text("Name", 30),
                         key("Series", 2),
                         text("DetQuot", 255),
                         text("CustOrder", 255),
                         text("PurchOrder", 255),
                         text("TechData", 255),
                         text("Curve", 255),
                         dbVer(),
                     },
                     {s("Series")});
}

// Units: one row per unit of a unit type. A unit name may occur in two types
// (metres of head and of length), so the key is the pair. The unit is 10
// wide because technical-data rows store it (and the unit they convert from)
// in 10-wide fields; a longer name could never be found again. SI and US mark
// the standard unit of each system; the formulas convert a value x to and
// from the type's base unit.
TableDef units()
{
    return makeTable("Units",
                     {
                         key("Unit", 10),
                         key("UnitType", 20),
                         flag("SI"),
                         flag("US"),
                         text("ToBaseCalc", 100),
                         text("FromBaseCalc", 100),
                         dbVer(),
                     },
                     {s("UnitType"), s("Unit")});
}

TableDef unitTypes()
{
    return makeTable("UnitTypes",
                     {
                         key("Property", 40),
                         text("Type", 20),
                         text("Unit", 20),
                         text("UnitTORVA", 20),
                         shown(), // a property is shown unless it is switched off
                         text("Format", 20),
                         dbVer(),
                     },
                     {s("Property")});
}

// TechData: the technical properties of each series. PDB is the position in
// the article code whose value gives the property (0 or empty: none).
TableDef techData()
{
    return makeTable("TechData",
                     {
                         key("Series", 2),
                         key("Property", 40),
                         integer("PDB"),
                         dbVer(),
                     },
                     {s("Series"), s("Property")});
}

// DOV: the index from document name to file. Two files may share a name, so
// there is no key; names are looked up ignoring case.
TableDef dov()
{
    return makeTable("DOV",
                     {
                         text("Name", 255),
                         text("Path", 255),
                         dbVer(),
                     },
                     {}, {byName("Name", {s("Name")})});
}

// PDBOverride: rules forcing a character of a code delivered by TORVA.
// Selection is the code position (1..16); Result's first character is
// forced there; PDB and the condition columns hold ";"-separated accepted
// values, empty meaning any. M_ID and M_U are the conditions in use; an
// installation may add further condition columns named after keys of the
// TORVA data file. Later matching rows win, so there is no key: rows keep the
// order in which they were entered.
TableDef pdbOverride()
{
    return makeTable("PDBOverride",
                     {
                         text("Series", 2),
                         integer("Selection"),
                         text("Result", 5),
                         text("PDB", 100),
                         text("M_ID", 100),
                         text("M_U", 100),
                         dbVer(),
                     },
                     {}, {idx("Series", {s("Series")})});
}

// Access: what grants champion access. Hash is the SHA-256 of Salt followed
// by the password (UTF-8), both as lower-case hexadecimal; the password
// itself is never stored.
TableDef access()
{
    return makeTable("Access",
                     {
                         key("Name", 20),
                         text("Salt", 32),
                         text("Hash", 64),
                         dbVer(),
                     },
                     {s("Name")});
}

// --- language database ---------------------------------------------------------

// Interface tables: one row per language, keyed by its identifier; one
// translation column per component, added by the language data.
TableDef interfaceTable(const char* name, const QList<F>& fixedColumns = {})
{
    QList<F> fields{key("ID", 10)};
    fields << fixedColumns << dbVer();
    return makeTable(name, fields, {s("ID")});
}

// Keyword tables: one row per keyword, one translation column per language.
// Keywords are matched exactly; 40 holds every keyword field of the project
// tables.
TableDef keywordTable(const char* name, const char* keyColumn = "Keyword", int keyWidth = 40)
{
    return makeTable(name, {key(keyColumn, keyWidth), translationField(s("UK")), dbVer()}, {s(keyColumn)});
}

QList<TableDef> buildLanguageTables()
{
    return {
        keywordTable("LangTechData"),
        interfaceTable("LangMain",
                       {
                           text("Language", 40),
                           translationField(s("TreeProjectProducts")),
                           translationField(s("TreeProjectDocuments")),
                           translationField(s("TreeProjectAccessories")),
                       }),
        interfaceTable("LangMenus"),
        interfaceTable("LangDialogs"),
        interfaceTable("LangToolButtons"),
        // Message keys are the program's own texts, English sentences among them.
        keywordTable("LangMsg", "KeyWord", 255),
        keywordTable("LangStatQuotation"),
        keywordTable("LangStatCustOrder"),
        keywordTable("LangStatPurchOrder"),
        keywordTable("LangStatMark"),
        keywordTable("LangStatAppl"),
        keywordTable("LangStatLiq"),
        // The list of languages: identifier and display name; nothing reads it yet.
        makeTable("LangLanguages", {key("ID", 10), text("Language", 40), dbVer()}, {s("ID")}),
        keywordTable("LangTermsPayment"),
        keywordTable("LangTermsDelivery"),
        keywordTable("LangModeDelivery"),
    };
}

// --- address database ------------------------------------------------------------

// Customers, Suppliers and Sales. IDs are 10 wide like every field that
// refers to an address (QuotCustID, CustomerID, SalesID, CompanyID). Name
// and Reference have the widths of the project fields they are copied into
// (QuotCustName, QuotCustAttention). The address list sorts by each of its
// four columns, hence an index per column.
TableDef addressTable(const char* name, const QList<F>& extra)
{
    QList<F> fields{
        key("ID", 10),   text("Name", 50), text("Reference", 40), text("Country", 30),
        memo("Address"), text("Tel1", 30), text("Fax1", 30),      text("EMail1", 50),
    };
    fields << extra << dbVer();
    return makeTable(
        name, fields, {s("ID")},
        {byName("Name", {s("Name")}), byName("Reference", {s("Reference")}), byName("Country", {s("Country")})});
}

QList<F> termsFields()
{
    return {text("Currency", 5), text("TermsPayment", 40), text("TermsDelivery", 40), text("ModeDelivery", 40)};
}

TableDef customers()
{
    return addressTable("Customers",
                        {amount("Commission"), text("Currency", 5), text("Agent", 40), text("TermsPayment", 40),
                         text("TermsDelivery", 40), text("ModeDelivery", 40), amount("Discount")});
}

// --- catalogues --------------------------------------------------------------------

// ExternalProducts and Spares: the article name is the key (imports merge by it).
TableDef catalogueTable(const char* name)
{
    return makeTable(name,
                     {
                         key("Name", 20),
                         text("Description", 50),
                         text("Group", 20),
                         text("Segment", 20),
                         amount("Price"),
                         text("Currency", 5),
                         text("Supplier", 20),
                         flag("24h"),
                         dbVer(),
                     },
                     {s("Name")});
}

// --- project database --------------------------------------------------------------

TableDef projectsTable()
{
    return makeTable("Projects",
                     {
                         id(),
                         text("Name", 50),
                         F::integer(s("Revision")).withDefault(kOne), // a new project is its first revision
                         integer("RevisionFor"),
                         F::boolean(s("Latest")).withDefault(kTrue), // a new project is the latest revision of its name
                         text("ProjectStatus", 1).withDefault(kOne), // a new project is a quotation
                         dateTime("ProjectStatusDateQuot"),
                         dateTime("ProjectCreated"),
                         text("ProjectCreatedBy", 50),
                         dateTime("ProjectModified"),
                         text("ProjectModifiedBy", 50),
                         text("QuotNumber", 20),
                         dateTime("QuotDate"),
                         dateTime("QuotValidDate"),
                         text("QuotHandledBy", 40),
                         text("QuotCustID", 10),
                         text("QuotCustName", 50),
                         memo("QuotCustAddress"),
                         text("QuotCustAttention", 40),
                         text("QuotCustReference", 40),
                         text("QuotStatus", 40).withDefault(s("10")), // the first quotation status
                         memo("QuotComments"),
                         memo("QuotCommentsInternal"),
                         amount("ProjPriceProducts"),
                         amount("ProjPriceProductsNLLC"),
                         amount("ProjPriceAddCost"),
                         amount("ProjPriceAddCostNLLC"),
                         amount("ProjPricePackTrans"),
                         amount("ProjPricePackTransNLLC"),
                         text("ProjCurrency", 5),
                         amount("PriceManual"), // 0: no manual total
                         amount("Commission"),
                         dbVer(),
                     },
                     {s("ID")},
                     // The tree sorts projects by name or by customer.
                     {byName("Name", {s("Name")}), byName("QuotCustName", {s("QuotCustName")})});
}

// The configurator's columns shared by products and accessories, in their
// stored order from Header1 on.
QList<F> configuratorTail()
{
    QList<F> fields;
    fields << numbered("Header", 16, [](const QString& n) { return F::text(n, 50); });
    fields << numbered("Selection", 16, [](const QString& n) { return F::text(n, 50); });
    fields << text("SelectionTypes", 30) << memo("SelectionInfo") << bytes("SelectionOkValues1to5", 160)
           << bytes("SelectionOkValues6to10", 160) << bytes("SelectionOkValues11to16", 192);
    fields << numbered("Group", 16, [](const QString& n) { return F::integer(n); });
    fields << text("PDBPath", 50) << text("PDBVer", 10) << dbVer();
    return fields;
}

TableDef products()
{
    QList<F> fields{
        id(),
        idLink("ProjectID"),
        integer("Order"),
        text("ProjCurrency", 5),
        shown(),
        text("Tag", 20),
        text("Name", 50),
        text("Description", 100),
        text("ProdCurrency", 5),
        text("TotalCurrency", 5),
        qty(),
        amount("TotalProdPrice"),
        // Commission and factors A and B are percentages on top of the cost:
        // 0 is neutral, unlike the currency factor.
        amount("TotalPriceComm"),
        amount("TotalPriceFactorA"),
        amount("TotalPriceFactorB"),
        currFact("TotalPriceCurrFact"),
        amount("TotalPriceQuotPrice"),
        amount("TotalPriceQuotRounded"), // 0: no rounded price
        amount("TotalPriceQuotPriceSum"),
        amount("TotalPriceQuotNLLC"),
        text("ProductSeries", 2),
        currFact("ProjCurrFact"),
        text("ProductCode", 30),
        text("ProductCodeValid", 30),
        memo("Selections"),
        memo("Headers"),
        text("Class", 2),
        text("SelectionClasses", 30),
        bytes("GroupCodes", 208),
        text("UserLocks", 30),
        flag("TORVA"),
        flag("PDB"),
        flag("External"),
        flag("Spare"),
        flag("Complex"),
        flag("Alternate"),
        idLink("AlternateFor"),
        flag("AddOption"),
        amount("ProdPrice"),
        amount("TotalPrice"),
        amount("NetPrice"),
        amount("TotalNetPrice"),
        amount("TotalProdPriceNLLC"),
        amount("TotalPriceNLLC"),
        amount("TotalAddCost"),
        amount("TotalAddCostNLLC"),
        amount("TotalAddCostComm"),
        amount("TotalAddCostFactorA"),
        amount("TotalAddCostFactorB"),
        currFact("TotalAddCostCurrFact"),
        amount("TotalAddCostQuotPrice"),
        amount("TotalPackTrans"),
        amount("TotalPackTransNLLC"),
        amount("TotalPackTransComm"),
        amount("TotalPackTransFactorA"),
        amount("TotalPackTransFactorB"),
        currFact("TotalPackTransCurrFact"),
        amount("TotalPackTransQuotPrice"),
        text("TechDataProductCentre", 20),
        text("TechDataPCOrderNumber", 20),
        text("TechDataPCSerialNumber", 20),
        text("TechDataMarkSeg", 20),
        text("TechDataApplication", 20),
        text("TechDataPumpLiq", 20),
        text("TechDataPumpLiqOther", 50),
        text("TechDataProdCode", 20),
        memo("TechDataSelComm"),
        memo("TechDataUserComm"),
        memo("TORVA_CEF"),
        binary("TORVA_WMF"),
        text("TORVA_WMF_ID", 20),
        text("TORVA_WMF_Comment", 40),
        binary("TORVA_MOT"),
        text("TORVA_MOT_ID", 20),
        text("TORVA_MOT_Comment", 40),
        text("TORVA_Locks", 30),
        memo("PRINTOUT_TECHDATA"),
        memo("PRINTOUT_SELECTION"),
        memo("PRINTOUT_PRODDOCS"),
        memo("PRINTOUT_PARTLIST"),
        memo("PRINTOUT_PRICES"),
    };
    fields << configuratorTail();
    fields << binary("TORVA_ZEK"); // stored after DBVer
    return makeTable("Products", fields, {s("ID")}, {idx("ProjectOrder", {s("ProjectID"), s("Order")})});
}

TableDef accessories()
{
    QList<F> fields{
        id(),
        idLink("ProductID"),
        integer("Order"),
        text("Name", 50),
        text("Tag", 20),
        text("Description", 100),
        text("ProductSeries", 2),
        text("ProductCode", 30),
        text("ProductCodeValid", 30),
        text("UserLocks", 30),
        bytes("GroupCodes", 208),
        text("DependentFilterCode", 30),
        memo("Selections"),
        memo("Headers"),
        text("TechDataProductCentre", 20),
        text("TechDataPCOrderNumber", 20),
        text("TechDataPCSerialNumber", 20),
        text("TechDataProdCode", 20),
        memo("TechDataSelComm"),
        memo("TechDataUserComm"),
        text("Class", 2),
        text("SelectionClasses", 30),
        // Copied into the accessory's price rows: a new accessory counts once.
        F::shortInt(s("Qty")).withDefault(kOne),
        flag("PDB"),
        flag("External"),
        flag("Spare"),
        flag("Alternate"),
        idLink("AlternateFor"),
        flag("AddOption"),
        amount("ProdPrice"),
        memo("PRINTOUT_SELECTION"),
        memo("PRINTOUT_PARTLIST"),
    };
    fields << configuratorTail();
    return makeTable("Accessories", fields, {s("ID")}, {idx("ProductOrder", {s("ProductID"), s("Order")})});
}

TableDef detailPrices()
{
    return makeTable("DetailPrices",
                     {
                         id(),
                         idLink("ProductID"),
                         idLink("AccessoryID"),
                         text("Series", 5),
                         text("Keyword", 30),
                         text("Level", 2),
                         shown(),
                         flag("Alternate"),
                         flag("AddOption"),
                         text("Description", 30),
                         text("ListPrice", 30),
                         text("ListCurrency", 5),
                         text("ManualPrice", 30),
                         amount("Discount"),
                         amount("NetPrice"),
                         text("NetCurrency", 5),
                         currFact("NetCurrFact"),
                         amount("FreightFactor"),
                         amount("NLLC"),
                         // No operation writes Qty of a product's own price rows:
                         // without 1 here they would add nothing to the totals.
                         qty(),
                         amount("SumNLLC"),
                         amount("Contribution"),
                         amount("BasePrice"),
                         amount("LocalListPrice"), // 0: the base price applies
                         amount("Discount2"),
                         amount("QuotPrice"),
                         text("QuotCurrency", 5),
                         currFact("QuotCurrFact"),
                         amount("SumQuotPrice"),
                         dbVer(),
                     },
                     {s("ID")}, {productIndex(), idx("Accessory", {s("AccessoryID"), s("ProductID")})});
}

TableDef detailAddCosts()
{
    return makeTable("DetailAddCosts",
                     {
                         id(),
                         idLink("ProductID"),
                         text("Type", 2),
                         shown(),
                         text("Description", 30),
                         text("ListPrice", 10),
                         text("ListCurrency", 5),
                         amount("Discount"),
                         amount("NetPrice"),
                         text("NetCurrency", 5),
                         currFact("NetCurrFact"),
                         amount("FreightFactor"),
                         amount("NLLC"),
                         amount("Contribution"),
                         amount("BasePrice"),
                         amount("LocalListPrice"),
                         amount("Discount2"),
                         amount("QuotPrice"),
                         text("QuotCurrency", 5),
                         currFact("QuotCurrFact"),
                         text("Comment", 30),
                         dbVer(),
                     },
                     {s("ID")}, {productIndex()});
}

// ProjAddCosts and ProjPackTrans: quotation lines of the project's own costs.
TableDef projectCostLines(const char* name)
{
    return makeTable(name,
                     {
                         id(),
                         idLink("ProjectID"),
                         text("ProjCurrency", 5),
                         shown(),
                         text("Tag", 20),
                         text("Name", 50),
                         text("Description", 20),
                         text("ProdCurrency", 5),
                         text("TotalCurrency", 5),
                         qty(),
                         amount("TotalProdPrice"),
                         amount("TotalProdPriceSum"),
                         amount("TotalPriceComm"),
                         amount("TotalPriceFactorA"),
                         amount("TotalPriceFactorB"),
                         currFact("TotalPriceCurrFact"),
                         amount("TotalPriceQuotPrice"),
                         amount("TotalPriceQuotRounded"),
                         amount("TotalPriceQuotPriceSum"),
                         dbVer(),
                     },
                     {s("ID")}, {projectIndex()});
}

TableDef projCurrencies()
{
    QList<F> fields{id(), idLink("ProjectID")};
    fields << currencyFields();
    return makeTable("ProjCurrencies", fields, {s("ID")}, {projectIndex()});
}

TableDef projDiscMarg()
{
    QList<F> fields{id(), idLink("ProjectID")};
    fields << discMargFields();
    return makeTable("ProjDiscMarg", fields, {s("ID")}, {projectIndex()});
}

// ProdTechData and AccTechData. A row the user adds is printed like the rows
// the system adds with Show set.
TableDef techDataRows(const char* name, const char* ownerColumn, bool withTorva)
{
    QList<F> fields{id(), idLink(ownerColumn), shown(), flag("User"), text("Property", 40)};
    if (withTorva) {
        fields << flag("TORVA") << text("TORVAValue", 40);
    }
    fields << flag("PDB") << text("PDBValue", 40) << text("Value", 40) << text("Unit", 10) << text("OldUnit", 10)
           << dbVer();
    const IndexDef owner = withTorva ? productIndex() : accessoryIndex();
    return makeTable(name, fields, {s("ID")}, {owner});
}

TableDef prodDocuments()
{
    return makeTable("ProdDocuments",
                     {
                         id(),
                         idLink("ProductID"),
                         text("Name", 255),
                         text("Description", 50),
                         flag("External"),
                         text("Author", 50),
                         dateTime("Date"),
                         text("Version", 5),
                         dbVer(),
                     },
                     {s("ID")}, {productIndex()});
}

// Documents of a project: only a file path and whether it is external.
TableDef documents()
{
    return makeTable("Documents", {id(), idLink("ProjectID"), text("Name", 255), flag("External"), dbVer()}, {s("ID")},
                     {projectIndex()});
}

// ProjLog, ProdLog and AccLog. Date has no declared default: a constant
// cannot be "now", so the data module stamps it when the entry is created.
TableDef logTable(const char* name)
{
    return makeTable(name,
                     {
                         id(),
                         idLink("ParentID"),
                         dateTime("Date"),
                         text("Source", 10),
                         text("Name", 20),
                         text("Severity", 20),
                         text("Description", 50),
                         text("User", 50),
                         text("Comment", 50),
                         dbVer(),
                     },
                     {s("ID")}, {parentIndex()});
}

// ProdParts and AccParts; AccParts spells its marker column "Xpart".
TableDef partsTable(const char* name, const char* markerColumn)
{
    return makeTable(name,
                     {
                         id(),
                         idLink("ParentID"),
                         text("Name", 40),
                         text("ItemNumber", 40),
                         text("Class", 2),
                         text("Comment", 100),
                         text("PartNo", 2),
                         text(markerColumn, 1),
                         text("Added", 1),
                         dbVer(),
                     },
                     {s("ID")}, {parentIndex()});
}

TableDef selCommTable(const char* name)
{
    return makeTable(name, {id(), idLink("ParentID"), text("Comment", 50), dbVer()}, {s("ID")}, {parentIndex()});
}

// CustomerOrders and PurchaseOrders share their columns; a customer order
// names its customer where a purchase order names the sales company and the
// supplier.
TableDef orderTable(bool purchase)
{
    QList<F> fields{
        id(),
        idLink("ProjectID"),
        text("Status", 40),
        dateTime("StatusDate"),
        text("Name", 40),
        text("OrderNumber", 40),
        dateTime("OrderDate"),
        text("HandledBy", 40),
        text("CustomerOrderNumber", 40),
    };
    if (purchase) {
        fields << text("SalesID", 10);
    } else {
        fields << text("CustomerID", 10);
    }
    fields << memo("InvoiceAddress") << memo("DeliveryAddress");
    if (purchase) {
        fields << text("Supplier", 40) << memo("SupplierAddress");
    }
    fields << text("DeliveryTime", 40) << text("Language", 40) << text("Marking", 40) << text("TermsPayment", 40)
           << text("TermsDelivery", 40) << text("ModeDelivery", 40) << memo("Comments") << amount("OrderSum")
           << text("OrderCurrency", 5) << dbVer();
    return makeTable(purchase ? "PurchaseOrders" : "CustomerOrders", fields, {s("ID")}, {projectIndex()});
}

// Order rows; only purchase order rows carry the supplier they are split by.
// Select starts off: the user picks the products an order takes.
TableDef orderRowTable(bool purchase)
{
    QList<F> fields{
        id(),
        idLink("OrderID"),
        idLink("ProductID"),
        flag("Select"),
        text("Tag", 20),
        text("Name", 50),
        text("Description", 20),
        amount("Price"),
        text("Currency", 5),
        qty(),
        amount("TotalPrice"),
    };
    if (purchase) {
        fields << text("Supplier", 20);
    }
    fields << dbVer();
    return makeTable(purchase ? "PurchaseOrderRows" : "CustomerOrderRows", fields, {s("ID")}, {orderIndex()});
}

// --- the registry ------------------------------------------------------------------

struct Registry {
    QList<TableDef> system;
    QList<TableDef> systemOnDemand;
    QList<TableDef> language;
    QList<TableDef> address;
    QList<TableDef> projects;
    QList<TableDef> external;
    QList<TableDef> spares;
    TableDef itemList;
    QList<TableDef> all;
    QHash<QString, qsizetype> byName; // lower-case name -> position in `all`

    Registry()
    {
        system = {currencies(), discMarg(), users(), series(), printSeries(), units(), unitTypes(), techData(), dov()};
        systemOnDemand = {pdbOverride(), access()};
        language = buildLanguageTables();
        address = {addressTable("Suppliers", termsFields()), customers(), addressTable("Sales", {})};
        projects = {
            projectsTable(),
            logTable("ProjLog"),
            projCurrencies(),
            projDiscMarg(),
            products(),
            logTable("ProdLog"),
            documents(),
            accessories(),
            logTable("AccLog"),
            detailPrices(),
            detailAddCosts(),
            prodDocuments(),
            partsTable("ProdParts", "XPart"),
            partsTable("AccParts", "Xpart"),
            selCommTable("ProdSelComm"),
            selCommTable("AccSelComm"),
            orderTable(false),
            orderRowTable(false),
            orderTable(true),
            orderRowTable(true),
            projectCostLines("ProjAddCosts"),
            projectCostLines("ProjPackTrans"),
            techDataRows("ProdTechData", "ProductID", true),
            techDataRows("AccTechData", "AccessoryID", false),
        };
        external = {catalogueTable("ExternalProducts")};
        spares = {catalogueTable("Spares")};

        itemList = renamed(partsTable("ProdParts", "XPart"), "ItemList");
        itemList.primaryKey.clear();
        itemList.indexes.clear();
        for (F& f : itemList.fields) {
            f.required = false;
        }

        all << system << language << address << projects << external << spares << systemOnDemand << itemList;
        for (qsizetype i = 0; i < all.size(); ++i) {
            byName.insert(all.at(i).name.toLower(), i);
        }
    }
};

const Registry& registry()
{
    static const Registry r;
    return r;
}

} // namespace

QString schemaVersion()
{
    return QStringLiteral("1.4");
}

db::FieldDef translationField(const QString& columnName)
{
    return db::FieldDef::memo(columnName);
}

QList<db::TableDef> systemTables()
{
    return registry().system;
}
QList<db::TableDef> languageTables()
{
    return registry().language;
}
QList<db::TableDef> addressTables()
{
    return registry().address;
}
QList<db::TableDef> projectTables()
{
    return registry().projects;
}
QList<db::TableDef> externalTables()
{
    return registry().external;
}
QList<db::TableDef> sparesTables()
{
    return registry().spares;
}
QList<db::TableDef> systemOnDemandTables()
{
    return registry().systemOnDemand;
}
db::TableDef itemListTable()
{
    return registry().itemList;
}
QList<db::TableDef> allTables()
{
    return registry().all;
}

QList<db::TableDef> databaseTables(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::System: return registry().system + registry().systemOnDemand;
    case DatabaseKind::Language: return registry().language;
    case DatabaseKind::Address: return registry().address;
    case DatabaseKind::Projects: return registry().projects;
    case DatabaseKind::External: return registry().external;
    case DatabaseKind::Spares: return registry().spares;
    }
    return {};
}

const db::TableDef& table(const QString& name)
{
    const Registry& r = registry();
    const auto it = r.byName.constFind(name.toLower());
    if (it == r.byName.constEnd()) {
        throw db::DatabaseError(QStringLiteral("No table '%1' is declared").arg(name));
    }
    return r.all.at(*it);
}

} // namespace kiro::schema
