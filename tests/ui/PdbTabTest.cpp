#include "app/FormMain.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "controls/ThmCheckListBox.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "pdb/PDB.h"
#include "pdb/widgets/DlgOptPDB.h"
#include "pdb/widgets/FormPartList.h"
#include "pdb/widgets/FrmQuickProd.h"
#include "pdb/widgets/PDBController.h"
#include "pdb/widgets/TabPDB.h"
#include "support/WorkingMainWindow.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeImages.h"
#include "tree/TreeFunctions.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kiro::test {
namespace {

// The main window on the shipped databases with one new project, driven
// through the configurator tab's own widgets.
class PdbTabTest : public WorkingMainWindow {
protected:
    void SetUp() override
    {
        WorkingMainWindow::SetUp();
        if (HasFatalFailure())
            return;
        m_main->resize(1200, 800);
        ASSERT_NE(m_main->pdbController(), nullptr);
        m_script.expect(QStringLiteral("DlgInput"), [](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("Input"))->setText(QStringLiteral("Harbour pumps"));
            d.accept();
        });
        m_main->ProjectNewProject();
        ASSERT_EQ(NodeKindOf(m_main->treeProject()->currentItem()), int(NodeKindProject));
        m_projectID = NodeInfoAs<TProjInfo>(m_main->treeProject()->currentItem())->ID;
    }

    TTabPDB& tab() { return *m_main->pdbController()->tab(); }
    pdb::PDBConfigurator& cfg() { return m_main->pdbController()->configurator(); }
    template <class W>
    W* widget(const QString& name)
    {
        W* w = m_main->tabSheet(QStringLiteral("TabPDB"))->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    void chooseSeries(const QString& series)
    {
        auto* combo = widget<QComboBox>(QStringLiteral("TabPDBSelectionProducts"));
        const int i = combo->findData(series);
        ASSERT_GE(i, 0) << series.toStdString();
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    // The code characters a drop-down row offers.
    QString offered(int n)
    {
        QString codes;
        TPDBComboBox* combo = tab().comboSelection(n);
        for (int i = 0; i < combo->count(); ++i)
            codes += combo->itemData(i, TPDBComboBox::RoleCode).toString();
        return codes;
    }
    void choose(int n, QChar code)
    {
        TPDBComboBox* combo = tab().comboSelection(n);
        ASSERT_TRUE(combo->isVisible() && combo->isEnabled()) << "row " << n;
        const int i = offered(n).indexOf(code);
        ASSERT_GE(i, 0) << "row " << n << " offers " << offered(n).toStdString();
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    void tick(int n, int box)
    {
        ThmCheckListBox* list = tab().checkListBox(n);
        ASSERT_TRUE(list->isVisible());
        list->ToggleMark(box);
    }
    QString selectedID() const
    {
        auto* info = dynamic_cast<TItemInfo*>(NodeInfoOf(m_main->treeProject()->currentItem()));
        return info ? info->ID : QString();
    }
    QVariantList column(const QString& sql, const QVariant& id)
    {
        db::Query q(m_data.database(QStringLiteral("DatabaseProjects")), sql);
        q.bindValue(0, id);
        QVariantList out;
        for (q.open(); !q.eof(); q.next())
            out << q.field(0).value();
        return out;
    }
    QStringList texts(const QString& sql, const QVariant& id)
    {
        QStringList out;
        for (const QVariant& v : column(sql, id))
            out << v.toString();
        return out;
    }
    void selectProjectNode()
    {
        m_main->treeProject()->setCurrentItem(
            FindNodeByKindAndID(*m_main->treeProject(), NodeKindProject, m_projectID));
        QApplication::processEvents();
    }

    QString m_projectID;
};

// A new user's request: a project, a product from the configurator, a
// series and values, Update; then leaving with a change pending.
TEST_F(PdbTabTest, AConfiguredPumpReachesTheProjectAndLeavingWithAChangeAsks)
{
    m_main->ProjectNewProductPDB();
    ASSERT_EQ(NodeKindOf(m_main->treeProject()->currentItem()), int(NodeKindProduct));
    const QString productID = selectedID();
    EXPECT_EQ(m_main->activeTabName(), QStringLiteral("TabPDB"));
    EXPECT_FALSE(widget<QPushButton>(QStringLiteral("TabPDBBtnUpdate"))->isEnabled() && cfg().series().size());

    chooseSeries(QStringLiteral("ES"));
    EXPECT_EQ(cfg().positionCount(), 10);
    // Position 3 of a pump is never restricted; the others narrow as values are chosen.
    EXPECT_EQ(offered(3), QStringLiteral("1234"));
    choose(3, u'1');
    EXPECT_EQ(offered(4), QStringLiteral("AB")); // bearing frame 25: the diameters of group 1
    choose(4, u'A');
    choose(5, u'S');
    EXPECT_EQ(offered(6), QStringLiteral("S")); // a stainless casing takes a stainless impeller
    EXPECT_EQ(offered(7), QStringLiteral("12")); // and no gland packing
    choose(6, u'S');
    choose(7, u'1');
    EXPECT_EQ(offered(8), QStringLiteral("2")); // the motor follows size and diameter
    EXPECT_EQ(tab().comboSelection(8)->currentIndex(), 0);
    choose(9, u'A');
    tick(10, 2); // the heater
    EXPECT_TRUE(cfg().code().startsWith(QStringLiteral("ES1ASS12A4")));
    EXPECT_EQ(widget<QLineEdit>(QStringLiteral("TabPDBEditArtNrNoDots"))->text(), QStringLiteral("ES1ASS-12A4"));
    EXPECT_TRUE(widget<QPushButton>(QStringLiteral("TabPDBBtnUndo"))->isEnabled());
    EXPECT_FALSE(widget<QPushButton>(QStringLiteral("TabPDBBtnAccessories"))->isEnabled());

    // The notes of the code come in one box.
    m_script.expectMessage(QStringLiteral("Pump and motor are aligned at the factory."), MsgCodeOK);
    QTest::mouseClick(widget<QPushButton>(QStringLiteral("TabPDBBtnUpdate")), Qt::LeftButton);
    EXPECT_TRUE(m_script.done());
    EXPECT_FALSE(cfg().PDBIsModified());

    db::Dataset& products = m_data.table(QStringLiteral("TableProducts"));
    ASSERT_EQ(products.fieldByName(QStringLiteral("ID")).asString(), productID);
    EXPECT_TRUE(products.fieldByName(QStringLiteral("ProductCode")).asString().startsWith(QStringLiteral("ES1ASS12A4")));
    EXPECT_EQ(products.fieldByName(QStringLiteral("ProductCodeValid")).asString(), QStringLiteral("ES1.ASS-12A4"));
    EXPECT_EQ(products.fieldByName(QStringLiteral("ProductSeries")).asString(), QStringLiteral("ES"));
    EXPECT_TRUE(products.fieldByName(QStringLiteral("PDB")).asBoolean());
    EXPECT_EQ(texts(QStringLiteral("SELECT ItemNumber FROM ProdParts WHERE ParentID = ? ORDER BY rowid"), productID),
              (QStringList{"ES-CAS-1-S", "ES-IMP-1-S", "ES-SEAL-1", "ZM-3.0-2P", "ES-FLA-ANSI", "ES-HEAT-230"}));
    EXPECT_EQ(texts(QStringLiteral("SELECT Comment FROM ProdSelComm WHERE ParentID = ?"), productID),
              (QStringList{"ANSI flanges: delivery time plus two weeks."}));
    QStringList documents =
        texts(QStringLiteral("SELECT Name FROM ProdDocuments WHERE ProductID = ? AND NOT External"), productID);
    documents.sort();
    EXPECT_EQ(documents, (QStringList{"ES25_DS.pdf", "ES_IOM.pdf", "SS_PASS.pdf"}));
    EXPECT_FALSE(column(QStringLiteral("SELECT Value FROM ProdTechData WHERE ProductID = ? AND PDB"), productID).isEmpty());
    QList<double> prices;
    for (const QVariant& v : column(QStringLiteral("SELECT ListPrice FROM DetailPrices WHERE ProductID = ?"), productID))
        prices << v.toDouble();
    std::sort(prices.begin(), prices.end());
    EXPECT_EQ(prices, (QList<double>{45, 150, 160, 188, 420, 1250}));
    EXPECT_EQ(texts(QStringLiteral("SELECT Description FROM ProdLog WHERE ParentID = ?"), productID),
              (QStringList{"Changed"}));

    // The quotation line and the project totals follow the price rows.
    const double line = products.fieldByName(QStringLiteral("TotalPriceQuotPrice")).asFloat();
    EXPECT_GT(line, 0.0);
    const QVariantList total =
        column(QStringLiteral("SELECT ProjPriceProducts FROM Projects WHERE ID = ?"), m_projectID);
    ASSERT_EQ(total.size(), 1);
    EXPECT_GT(total.front().toDouble(), 0.0);

    // The tree shows the configured product.
    QTreeWidgetItem* node = m_main->treeProject()->currentItem();
    ASSERT_TRUE(NodeInfoAs<TProdInfo>(node)->PDB);
    EXPECT_EQ(TreeNodeOf(node)->imageIndex(), ImageForRevision(ProductImageIndex(*NodeInfoAs<TProdInfo>(node)), true));
    EXPECT_EQ(ProductImageIndex(*NodeInfoAs<TProdInfo>(node)), int(TreeImage::ProductPDB));

    // A pending change: Cancel keeps it and the tab; No undoes it and lets go.
    choose(9, u'P');
    ASSERT_TRUE(cfg().PDBIsModified());
    m_script.expectMessage(QStringLiteral("28"), MsgCodeCancel);
    m_main->activateTab(QStringLiteral("TabTechProd"));
    QApplication::processEvents();
    EXPECT_EQ(m_main->activeTabName(), QStringLiteral("TabPDB"));
    EXPECT_TRUE(cfg().PDBIsModified());
    EXPECT_EQ(cfg().code().at(8), QLatin1Char('P'));
    EXPECT_EQ(tab().comboSelection(9)->currentText(), cfg().row(9).chosenEntry()->text);

    m_script.expectMessage(QStringLiteral("28"), MsgCodeNo);
    selectProjectNode();
    EXPECT_EQ(selectedID(), m_projectID);
    EXPECT_FALSE(cfg().PDBIsModified());
    EXPECT_TRUE(m_script.done());
    const QStringList stored = texts(QStringLiteral("SELECT ProductCode FROM Products WHERE ID = ?"), productID);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored.front().startsWith(QStringLiteral("ES1ASS12A4")));
}

TEST_F(PdbTabTest, RowsFollowThePositionsOfTheSeries)
{
    m_main->ProjectNewProductPDB();
    chooseSeries(QStringLiteral("ES"));
    // ES has no selectable positions 1 and 2 (the series): their rows stay hidden.
    for (int n = 1; n <= TTabPDB::kRows; ++n) {
        const bool shown = n >= 3 && n <= 10;
        EXPECT_EQ(tab().rowLabel(n)->isVisible(), shown) << n;
        if (!shown)
            continue;
        QWidget* values = n == 10 ? static_cast<QWidget*>(tab().checkListBox(n)) : tab().comboSelection(n);
        if (n <= 2) {
            EXPECT_FALSE(values->isEnabled()) << n;
        }
    }
    EXPECT_TRUE(tab().comboSelection(3)->isEnabled());
    // An "M" row is its boxes times 13 pixels high, plus 4.
    EXPECT_EQ(tab().checkListBox(10)->height(), 3 * 13 + 4);
    EXPECT_EQ(tab().comboSelection(3)->height(), 21);
    EXPECT_FALSE(tab().lockBox(8)->isVisible()); // a "Z" row has no lock box

    // The article number typed and Enter: the code is taken and shown formatted.
    auto* edit = widget<QLineEdit>(QStringLiteral("TabPDBEditArtNrNoDots"));
    edit->setText(QStringLiteral("es3bcc24p3"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(cfg().code().startsWith(QStringLiteral("ES3BCC24P3")));
    EXPECT_EQ(edit->text(), QStringLiteral("ES3BCC-24P3"));
    EXPECT_EQ(offered(4), QStringLiteral("ABC"));

    // The selection as text for the copy commands.
    const QStringList lines = tab().GetPDBInfo(QLatin1Char('\t'), false).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 8);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("Drain plug, Gauge connections")) ||
                lines.last().split(QLatin1Char('\t')).value(1).contains(QStringLiteral(", ")))
        << lines.last().toStdString();

    // A narrow window keeps the value column at 100 pixels.
    m_main->resize(300, 600);
    QApplication::processEvents();
    EXPECT_GE(tab().comboSelection(3)->width(), TTabPDB::kMinValueColumn);

    // Closing the window with the change pending asks too.
    m_script.expectMessage(QStringLiteral("28"), MsgCodeNo);
}

TEST_F(PdbTabTest, APartChoiceIsMadeInThePartListDialogBeforeStoring)
{
    m_main->ProjectNewProductPDB();
    const QString productID = selectedID();
    auto* edit = widget<QLineEdit>(QStringLiteral("TabPDBEditArtNrNoDots"));
    chooseSeries(QStringLiteral("ES"));
    edit->setText(QStringLiteral("ES3BCC24P3"));
    QTest::keyClick(edit, Qt::Key_Return);

    bool okBefore = true;
    QString info;
    m_script.expect(QStringLiteral("FormPartList"), [&](QDialog& d) {
        auto& window = static_cast<TFormPartList&>(d);
        info = window.infoText();
        QPushButton* ok = d.findChild<QPushButton*>(QStringLiteral("FormPartListBtnOK"));
        okBefore = ok->isEnabled();
        ThmHeaderCheckListBox* list = window.listBox();
        for (int i = 0; i < list->count(); ++i)
            if (list->CellText(i, 3) == QLatin1String("SEALDK-2255")) {
                EXPECT_TRUE(list->Radio(i));
                list->list()->ToggleMark(i);
            }
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    m_script.expectMessage(QStringLiteral("Pump and motor are aligned at the factory."), MsgCodeOK);
    QTest::mouseClick(widget<QPushButton>(QStringLiteral("TabPDBBtnUpdate")), Qt::LeftButton);
    EXPECT_TRUE(m_script.done());
    EXPECT_FALSE(okBefore);
    EXPECT_TRUE(info.startsWith(QStringLiteral("PDB couldn't find unique items")));
    const QStringList parts =
        texts(QStringLiteral("SELECT ItemNumber FROM ProdParts WHERE ParentID = ? ORDER BY rowid"), productID);
    EXPECT_TRUE(parts.contains(QStringLiteral("SEALDK-2255")));
    EXPECT_FALSE(parts.contains(QStringLiteral("ES-SEAL-2")));

    // Cancelling the dialog stores nothing.
    choose(9, u'A');
    m_script.expect(QStringLiteral("FormPartList"), [](QDialog& d) { d.reject(); });
    QTest::mouseClick(widget<QPushButton>(QStringLiteral("TabPDBBtnUpdate")), Qt::LeftButton);
    EXPECT_TRUE(m_script.done());
    EXPECT_TRUE(cfg().PDBIsModified());
    EXPECT_TRUE(m_data.table(QStringLiteral("TableProducts"))
                    .fieldByName(QStringLiteral("ProductCode"))
                    .asString()
                    .startsWith(QStringLiteral("ES3BCC24P3")));
    m_script.expectMessage(QStringLiteral("28"), MsgCodeNo);
}

TEST_F(PdbTabTest, QuickProductsAreAddedInNameOrder)
{
    m_script.expect(QStringLiteral("frmQuickProd"), [](QDialog& d) {
        auto& quick = static_cast<TfrmQuickProd&>(d);
        // Picked in reverse name order, and one of them twice.
        QTableWidget* grid = quick.grid(TfrmQuickProd::PagePDB);
        QStringList names;
        for (int r = 0; r < grid->rowCount(); ++r)
            names << grid->item(r, 0)->text();
        ASSERT_GE(names.size(), 2);
        QStringList sorted = names;
        sorted.sort();
        for (const QString& name : {sorted[1], sorted[0], sorted[1]}) {
            grid->setCurrentCell(int(names.indexOf(name)), 0);
            quick.AddItem();
        }
        // A spare: no code.
        quick.pages()->setCurrentIndex(TfrmQuickProd::PageSpares);
        quick.searchEdit(TfrmQuickProd::PageSpares)->setText(QStringLiteral("zzz-no-such-spare"));
        EXPECT_TRUE(quick.search(TfrmQuickProd::PageSpares));
        EXPECT_EQ(quick.grid(TfrmQuickProd::PageSpares)->rowCount(), 0);
        quick.searchEdit(TfrmQuickProd::PageSpares)->setText(QStringLiteral("o'clock"));
        EXPECT_TRUE(quick.search(TfrmQuickProd::PageSpares)); // a quote is only a character
        quick.searchEdit(TfrmQuickProd::PageSpares)->setText(QStringLiteral("imp"));
        ASSERT_TRUE(quick.search(TfrmQuickProd::PageSpares));
        ASSERT_GT(quick.grid(TfrmQuickProd::PageSpares)->rowCount(), 0);
        quick.grid(TfrmQuickProd::PageSpares)->setCurrentCell(0, 0);
        quick.AddItem();
        d.findChild<QCheckBox*>(QStringLiteral("chkQuickProdDocuments"))->setChecked(true);
        d.accept();
    });
    m_main->QuickProd1Click();
    EXPECT_TRUE(m_script.done());

    db::Query q(m_data.database(QStringLiteral("DatabaseProjects")),
                QStringLiteral("SELECT Name, \"Order\", PDB, Spare, ProductCode, ID FROM Products WHERE ProjectID = ? "
                               "ORDER BY \"Order\""));
    q.bindValue(0, m_projectID);
    QStringList names;
    QList<int> orders;
    int spares = 0;
    QString pdbID;
    for (q.open(); !q.eof(); q.next()) {
        names << q.field(0).asString();
        orders << q.field(1).asInteger();
        if (q.field(3).asBoolean()) {
            ++spares;
            EXPECT_TRUE(q.field(4).asString().isEmpty());
        } else {
            EXPECT_FALSE(q.field(4).asString().isEmpty());
            // Stored at once, but not marked valid until it is updated on the tab.
            EXPECT_FALSE(q.field(2).asBoolean());
            pdbID = q.field(5).asString();
        }
    }
    ASSERT_EQ(names.size(), 4);
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(orders, (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(spares, 1);
    // The documents were asked for; the price is the dialog's.
    EXPECT_FALSE(texts(QStringLiteral("SELECT Name FROM ProdDocuments WHERE ProductID = ?"), pdbID).isEmpty());
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM DetailPrices WHERE ProductID = ?"), pdbID).value(0).toInt(), 1);
}

TEST(PdbOptions, ProductionCentreNamesConvertBothWays)
{
    const std::pair<const char*, const char*> toNames[] = {
        {"DEM,IEM,SEM,SEP,PXM", "SPLMR,SPIRL,SPSWE"},
        {"SEM", "SPSWE"},
        {"sep,dem", "SPLMR"},
        {"", ""},
    };
    for (const auto& [codes, names] : toNames)
        EXPECT_EQ(PDBCentreCodesToNames(QString::fromLatin1(codes)), QString::fromLatin1(names)) << codes;
    const std::pair<const char*, const char*> toCodes[] = {
        {"SPLMR", "DEM"}, {"SPIRL", "IEM"}, {"SPNML", "SEM"}, {"SPSWE", "SEM"}, {"OTHER", "OTHER"},
    };
    for (const auto& [name, code] : toCodes)
        EXPECT_EQ(PDBCentreNameToCode(QString::fromLatin1(name)), QString::fromLatin1(code)) << name;
}

TEST_F(PdbTabTest, TheOptionsDialogStoresTheTickedCentresAndNeedsOne)
{
    settings().pdb() = PDBSettings{};
    m_script.expect(QStringLiteral("DlgOptPDB"), [](QDialog& d) {
        auto& options = static_cast<TDlgOptPDB&>(d);
        ThmCheckListBox* list = options.suppliers();
        QStringList shown;
        for (int i = 0; i < list->count(); ++i) {
            shown << list->itemText(i);
            EXPECT_TRUE(list->Checked(i));
        }
        EXPECT_EQ(shown, (QStringList{"SPLMR", "SPIRL", "SPSWE"}));
        QPushButton* ok = d.findChild<QPushButton*>(QStringLiteral("DlgOptPDBBtnOK"));
        for (int i = 0; i < list->count(); ++i)
            list->ToggleMark(i);
        EXPECT_FALSE(ok->isEnabled());
        for (int i = 0; i < list->count(); ++i)
            list->ToggleMark(i);
        ok->click();
    });
    m_main->action(QStringLiteral("MenuOptionsPDB"))->trigger();
    EXPECT_TRUE(m_script.done());
    EXPECT_EQ(settings().pdb().SuppliersInc, QStringLiteral("DEM,IEM,SEM"));
    EXPECT_EQ(settings().pdb().SuppliersAll, QStringLiteral("DEM,IEM,SEM,SEP,PXM"));
}

} // namespace
} // namespace kiro::test
