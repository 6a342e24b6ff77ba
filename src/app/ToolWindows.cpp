#include "app/ToolWindows.h"

namespace kiro {

namespace {
void setupToolWindow(QWidget& w, const char* name, const char* caption)
{
    w.setObjectName(QString::fromLatin1(name));
    w.setWindowTitle(QString::fromLatin1(caption));
    w.setWindowFlag(Qt::Tool, true);
}
} // namespace

TFormPartList::TFormPartList(QWidget* parent)
    : QWidget(parent)
{
    setupToolWindow(*this, "FormPartList", "Part list");
}

TdlgPDBSelInfo::TdlgPDBSelInfo(QWidget* parent)
    : QWidget(parent)
{
    setupToolWindow(*this, "dlgPDBSelInfo", "Selection information");
}

} // namespace kiro
