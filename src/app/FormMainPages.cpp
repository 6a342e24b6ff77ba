// The detail pages inside the tab sheets of the main window. The pages own
// their controls; the window only places them and answers what they ask of
// it (select a node, open options).

#include "app/FormMain.h"

#include "data/FormData.h"
#include "dialogs/OptDiscMarg.h"
#include "tree/NodeInfo.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"
#include "tree/pages/DetailedPricePage.h"
#include "tree/pages/DocumentPages.h"
#include "tree/pages/ItemListPages.h"
#include "tree/pages/ProjectInfoPage.h"
#include "tree/pages/QuotationPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kiro {

namespace {

QVBoxLayout* sheetLayout(QWidget* sheet)
{
    auto* layout = qobject_cast<QVBoxLayout*>(sheet->layout());
    if (!layout) {
        layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    return layout;
}

} // namespace

void TFormMain::buildPages()
{
    if (!m_data || m_quotationPage)
        return;
    m_quotationPage = new TQuotationPage(*m_data, m_tabs.value(QStringLiteral("TabQuotation")));
    sheetLayout(m_tabs.value(QStringLiteral("TabQuotation")))->addWidget(m_quotationPage);
    connect(m_quotationPage, &TQuotationPage::productActivated, this, [this](const QString& productID) {
        selectNodeOfKind(NodeKindProduct, productID);
        if (tabShown(QStringLiteral("TabDetailedPrice")))
            activateTab(QStringLiteral("TabDetailedPrice"));
    });
    connect(m_quotationPage, &TQuotationPage::findCustomerRequested, this,
            [this] { commandComesLater(QStringLiteral("The address book")); });

    auto place = [this](const char* tab, QWidget* page) {
        QWidget* sheet = m_tabs.value(QString::fromLatin1(tab));
        page->setParent(sheet);
        sheetLayout(sheet)->addWidget(page);
    };
    place("TabProjectInformation", new TProjectInfoPage(*m_data));
    place("TabProdList", new TProductListPage(*m_data));
    place("TabAccList", new TAccessoryListPage(*m_data));
    place("TabProjDocs", new TProjDocsPage(*m_data));
    auto* prodDocs = new TProdDocsPage(*m_data);
    place("TabProdDocs", prodDocs);
    connect(prodDocs, &TProdDocsPage::documentDeleted, this, [this](const QString&, const QString& documentID) {
        if (QTreeWidgetItem* node = FindNodeByKindAndID(*m_treeProject, NodeKindProdDoc, documentID)) {
            m_suspendChangeCheck = true;
            delete node;
            m_suspendChangeCheck = false;
        }
    });
    m_detailedPricePage = new TDetailedPricePage(*m_data);
    place("TabDetailedPrice", m_detailedPricePage);

    // The pages of the configurator, the technical data, the orders and the
    // curves are filled by the functions that own those data; until then
    // they say what they will hold.
    buildPDBTab();
    const char* frames[][2] = {
        {"TabPDB", "The product configurator"},
        {"TabTechProd", "Technical data of the product"},
        {"TabTechAcc", "Technical data of the accessory"},
        {"TabCustomerOrder", "Customer orders of the project"},
        {"TabPurchaseOrder", "Purchase orders of the project"},
        {"TabCurve", "Pump and motor curves"},
    };
    for (const auto& frame : frames) {
        QWidget* sheet = m_tabs.value(QString::fromLatin1(frame[0]));
        if (!sheet->findChildren<QWidget*>().isEmpty())
            continue;
        auto* label = new QLabel(QStringLiteral("<p style='font-size:large'>%1</p><p>This page is not available in this "
                                                "version.</p>")
                                     .arg(QString::fromLatin1(frame[1])),
                                 sheet);
        label->setObjectName(QString::fromLatin1(frame[0]) + QStringLiteral("Frame"));
        label->setAlignment(Qt::AlignCenter);
        label->setEnabled(false);
        sheetLayout(sheet)->addWidget(label);
    }
}

} // namespace kiro
