#pragma once

#include <QString>

#include <functional>

namespace kiro {

// The desktop's "open" verb: shows a file in the application the desktop
// associates with it. Returns whether the desktop accepted the request.
bool ShellOpen(const QString& path);

// Who opens the files; tests install a recorder so that no program starts.
// An empty opener restores the desktop's. Main thread only.
using ShellOpener = std::function<bool(const QString& path)>;
void setShellOpener(ShellOpener opener);

} // namespace kiro
