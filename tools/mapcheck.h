// krag-mapcheck's parts: the checker itself (mapcheck.cpp), the route tool
// (mapcheck_routes.cpp) and the automatic route marks (mapcheck_marks.cpp).
#ifndef TOOLS_MAPCHECK_H
#define TOOLS_MAPCHECK_H

#include <string>

#include "world/mapfile.h"

// Reads and checks a map as the game would, tiles included; prints its faults as
// "FILE:LINE: reason" and returns false when the game would refuse it.
bool read_checked_map(const char *file, mapfile &mf);

// --routes OUT.png FILE: plays seeded bot matches on the map and reports where the
// bots went. Exit status: 0, 1 (map refused or picture not written), 3 (bots stuck).
int routes_main(const char *picture, const char *file);

// --add-marks FILE: adds the route marks that turn bots round in front of walls they
// cannot climb. Exit status 0, or 1 when the map is refused or cannot be written.
int add_marks_main(const char *file);

// What a cell means to a walking bot (outside the grid is solid).
bool grid_solid(const mapfile &mf, int c, int r);

#endif
