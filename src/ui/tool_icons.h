// ImageList1: the nine 16 x 16 pictures of the tool buttons, indices 0 to 8,
// drawn from the SVG files in icons/ (0 open OBJ file, 1 section, 2 section
// to DXF, 3 mesh to DXF, 4 series of sections, 5 measuring, 6 and 7 not
// used by any button, 8 crease edges).
#pragma once

#include <QIcon>
#include <vector>

inline constexpr int kImageCount = 9;

// Each picture rendered at 16 x 16 (and 32 x 32 for high-density screens).
std::vector<QIcon> MakeImageList1();

// A picture of a tool button that is not in ImageList1, by its name among
// the icons ("hoehenlinien", "volumenkurve", "alles_zeigen",
// "plan_speichern"), rendered as above.
QIcon MakeToolIcon(const QString& name);
