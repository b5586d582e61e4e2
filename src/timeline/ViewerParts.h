// What the viewer's three parts share: the controller (Viewer.cpp) records
// trails and redraws the layers through the overlays (ViewerOverlays.cpp) and
// the status text (ViewerStatus.cpp).
#pragma once

#include "timeline/Viewer.h"

namespace timeline {

// The trails' ring and the path previews' scratch, for the world as it is made.
void sizeForWorld(Viewer& viewer);
// The live bullets' positions after the frame the world stands on.
void recordTrail(Viewer& viewer);
void drawTrails(Viewer& viewer);
// Simulates ahead on the viewer's copy of the world and plots where it goes.
void drawPaths(Viewer& viewer);
// The reachable positions at the frame shown, and the difficulty strip.
void drawFairness(Viewer& viewer);
void drawStrip(Viewer& viewer);
void writeStatus(Viewer& viewer);
// The strip's first line for a shooter: after the frame's line, and the
// ship's when there is one.
inline int32_t firstShooterLine(const Viewer& viewer) { return viewer.timeline.world.ship.present ? 2 : 1; }

}  // namespace timeline
