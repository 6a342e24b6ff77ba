// The configurator inside the main window: its tab, the pending-change
// check when the user leaves it, and the commands that create items with it.

#include "app/FormMain.h"

namespace kiro {

bool TFormMain::TabPDBCheckUpdate()
{
    return true;
}

void TFormMain::InitPDBTab(bool accessory)
{
    Q_UNUSED(accessory);
}

void TFormMain::ResetPDBTab() {}

void TFormMain::OptionsPDB() {}

void TFormMain::buildPDBTab() {}

void TFormMain::ProjectNewProductPDB()
{
    commandComesLater(QStringLiteral("The product configurator"));
}

void TFormMain::ProjectNewAccPDB()
{
    commandComesLater(QStringLiteral("The product configurator"));
}

void TFormMain::ProjectNewProductExtComplex()
{
    commandComesLater(QStringLiteral("Getting external products"));
}

void TFormMain::QuickProd1Click()
{
    commandComesLater(QStringLiteral("Quick products"));
}

} // namespace kiro
