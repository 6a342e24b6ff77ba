#include "app/core/Progress.h"

#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"

namespace kiro {

ProgressDisplay::~ProgressDisplay() = default;

namespace {
ProgressDisplay* g_display = nullptr;
}

void setProgressDisplay(ProgressDisplay* display)
{
    g_display = display;
}

void ShowProgress(const QString& format, const QVariantList& args, int position)
{
    if (!g_display)
        return;
    if (position >= 100) {
        g_display->hideProgress();
        return;
    }
    g_display->showProgress(formatMessage(MsgText(format), args), position);
}

void HideProgress()
{
    if (g_display)
        g_display->hideProgress();
}

} // namespace kiro
