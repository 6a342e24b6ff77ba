#pragma once

#include <QString>
#include <QVariantList>

namespace kiro {

// The progress display of long operations. The main window owns the panel
// and installs itself; engine code reports through the free functions and
// never touches widgets. Main thread only.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay();
    virtual void showProgress(const QString& text, int position) = 0;
    virtual void hideProgress() = 0;
};

void setProgressDisplay(ProgressDisplay* display);

// Shows the translated, filled-in text at position 0..99; 100 or more hides
// the display. Without a display both do nothing.
void ShowProgress(const QString& format, const QVariantList& args, int position);
void HideProgress();

} // namespace kiro
