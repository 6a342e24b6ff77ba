#include "app/Program.h"

#include "app/DialogService.h"
#include "app/DlgLogon.h"
#include "app/FormMain.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "pdb/DataPDB.h"
#include "pdb/widgets/DlgPDBSelInfo.h"
#include "pdb/widgets/FormPartList.h"
#include "tree/FormLegend.h"
#include "tree/ProjectTree.h"

namespace kiro {

ProgramParts::ProgramParts() = default;

ProgramParts::~ProgramParts()
{
    selInfo.reset();
    legend.reset();
    partList.reset();
    main.reset();
    pdb.reset();
    data.reset();
}

bool StartProgram(ProgramParts& parts)
{
    app().setApplicationTitle(QStringLiteral("ZEK - KIRO"));
    parts.main = std::make_unique<TFormMain>();

    bool loggedOn = false;
    QString password;
    {
        TDlgLogon logon;
        TranslateForm(logon);
        loggedOn = ExecDialog(logon) == QDialog::Accepted;
        password = logon.password();
    }
    if (!loggedOn) {
        parts.main.reset();
        // The settings were only read; closing the file writes nothing.
        settings().close();
        return false;
    }

    parts.data = std::make_unique<TFormData>();
    parts.data->FormDataCreate();
    parts.pdb = std::make_unique<TFormDataPDB>();
    parts.main->attachDataModules(parts.data.get(), parts.pdb.get());
    parts.main->setChampionPassword(password);
    parts.partList = std::make_unique<TFormPartList>(parts.main.get());
    parts.legend = std::make_unique<TFormLegend>(parts.main.get());
    if (TProjectTree* tree = parts.main->projectTree())
        tree->setLegendWindow(parts.legend.get());
    parts.selInfo = std::make_unique<TdlgPDBSelInfo>(parts.main.get());
    for (QWidget* form : {static_cast<QWidget*>(parts.partList.get()), static_cast<QWidget*>(parts.legend.get()),
                          static_cast<QWidget*>(parts.selInfo.get())})
        parts.main->registerForm(form);
    return true;
}

} // namespace kiro
