// The configurator inside the main window: its tab, the pending-change
// check when the user leaves it, and the commands that create items with it.
// The work is the controller's; without the data modules there is none and
// the commands do nothing.

#include "app/FormMain.h"

#include "pdb/widgets/PDBController.h"

namespace kiro {

TPDBController* TFormMain::pdbController() const
{
    return findChild<TPDBController*>(QStringLiteral("PDBController"), Qt::FindDirectChildrenOnly);
}

bool TFormMain::TabPDBCheckUpdate()
{
    TPDBController* c = pdbController();
    return !c || c->TabPDBCheckUpdate();
}

void TFormMain::InitPDBTab(bool accessory)
{
    if (TPDBController* c = pdbController())
        c->InitPDBTab(accessory);
}

void TFormMain::ResetPDBTab()
{
    if (TPDBController* c = pdbController())
        c->ResetPDBTab();
}

void TFormMain::OptionsPDB()
{
    if (TPDBController* c = pdbController())
        c->OptionsPDB();
}

void TFormMain::buildPDBTab()
{
    if (!m_data || !m_pdb || pdbController())
        return;
    new TPDBController(*this, *m_data, *m_pdb);
}

void TFormMain::ProjectNewProductPDB()
{
    if (TPDBController* c = pdbController())
        c->ProjectNewProductPDB();
}

void TFormMain::ProjectNewAccPDB()
{
    if (TPDBController* c = pdbController())
        c->ProjectNewAccPDB();
}

void TFormMain::ProjectNewProductExtComplex()
{
    if (TPDBController* c = pdbController())
        c->ProjectNewProductExtComplex();
}

void TFormMain::QuickProd1Click()
{
    if (TPDBController* c = pdbController())
        c->QuickProd1Click();
}

} // namespace kiro
