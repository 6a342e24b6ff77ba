#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace kiro {

// The 26 images of the project tree, 17 x 17 pixels, drawn in code. Even
// indexes are for the nodes of a project's latest revision, the odd index
// one above is the same picture drawn darker for an older revision. 24 and
// 25 are overlays, drawn onto a node's image: an alternate and an
// additional option. 22 and 23 are unused (empty).
namespace TreeImage {
enum : int {
    FolderClosed = 0,
    FolderOpen = 2,
    Product = 4,        // defined neither in TORVA nor in the PDB
    ProductTORVA = 6,
    ProductPDB = 8,
    ProductBoth = 10,   // TORVA and PDB
    External = 12,      // external product or accessory
    Spare = 14,         // spare product or accessory
    Document = 16,
    Accessory = 18,     // not defined in the PDB
    AccessoryPDB = 20,
    Unused = 22,
    OverlayAlternate = 24,
    OverlayAddOption = 25,
};
inline constexpr int Count = 26;
inline constexpr int Size = 17;
} // namespace TreeImage

// One image by index; an empty image for an index outside 0..25. Needs a
// QGuiApplication. Drawn once, then shared.
const QPixmap& TreeImagePixmap(int index);
// The icon of a node: the image with overlay 0 or 1 composited onto it
// (another overlay value: none), dimmed for a node in the Cut state. Cached.
QIcon TreeNodeIcon(int index, int overlay = -1, bool cut = false);

} // namespace kiro
