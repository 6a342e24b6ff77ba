#include "pages/DemoProject.h"

#include "tree/pages/DetailedPricePage.h"
#include "controls/ThmDBGrid.h"
#include "tree/pages/DocumentPages.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/ItemListPages.h"
#include "tree/pages/ProjectInfoPage.h"
#include "tree/pages/QuotationPage.h"

#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include <memory>

using namespace kiro;
using namespace kiro::test;

namespace {

class PageShots : public DemoProject {};

// Renders every page on the demonstration project into the folder named by
// KIRO_PAGE_SHOTS, for looking at the layouts; skipped without it.
TEST_F(PageShots, RenderEveryPage)
{
    const QString folder = qEnvironmentVariable("KIRO_PAGE_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set KIRO_PAGE_SHOTS to a folder to render the pages";
    ASSERT_TRUE(QDir().mkpath(folder));
    auto shoot = [&](QWidget& page, const char* file, QSize size = QSize(1180, 760)) {
        show(page, size);
        QApplication::processEvents();
        EXPECT_TRUE(page.grab().save(folder + QLatin1Char('/') + s(file))) << file;
    };
    {
        TQuotationPage page(m_data);
        shoot(page, "quotation.png");
        page.linePages()->setCurrentIndex(1);
        shoot(page, "quotation-addcosts.png");
    }
    {
        TDetailedPricePage page(m_data);
        shoot(page, "detailed-price-costs.png");
        page.pages()->setCurrentIndex(1);
        shoot(page, "detailed-price-sales.png");
    }
    {
        TProjectInfoPage page(m_data);
        shoot(page, "project-information.png", QSize(900, 520));
    }
    {
        TProductListPage page(m_data);
        shoot(page, "product-list.png", QSize(1000, 360));
    }
    {
        TAccessoryListPage page(m_data);
        shoot(page, "accessory-list.png", QSize(1000, 300));
    }
    {
        TProjDocsPage page(m_data);
        shoot(page, "project-documents.png", QSize(700, 260));
    }
    {
        // The technical-data drawing: the user's row, a row of the product
        // database and a row without a unit.
        addRow("TableProdTechData", {{s("Property"), s("Flow")}, {s("Value"), s("120")}, {s("Unit"), s("m3/h")},
                                     {s("User"), true}});
        addRow("TableProdTechData", {{s("Property"), s("CasingMaterial")}, {s("Value"), s("Cast iron")},
                                     {s("PDB"), true}});
        addRow("TableProdTechData", {{s("Property"), s("Head")}, {s("Value"), s("32")}, {s("Unit"), s("m")}});
        ThmDBGrid grid;
        grid.setColumns({CheckColumn(s("Show"), s("S")), PageColumn(s("_PROP"), s("Property"), true, 160),
                         PageColumn(s("Value"), QString(), false, 120), PageColumn(s("_UNIT"), s("Unit"), false, 80)});
        grid.setDataSource(&m_data.source(s("SourceProdTechData")));
        DrawTechDataGrid(grid);
        shoot(grid, "tech-data.png", QSize(460, 140));
    }
    {
        TProdDocsPage page(m_data);
        shoot(page, "product-documents.png", QSize(900, 260));
    }
}

} // namespace
