#pragma once

#include <QIcon>

namespace kiro {

// The program's window icon, drawn in code so that it stays sharp at every
// size the desktop asks for.
QIcon applicationIcon();

} // namespace kiro
