#include "match/hearing.h"

#include <algorithm>

#include "shell/options.h"
#include "world/map.h"

chearing hear_at(float x, float y, int loud, int distant) {
    bool seen = map.in_view(x, y);
    if (!options.stereo) return chearing{seen ? loud : distant, 128};
    float left = (float)map.get_xs(), top = (float)map.get_ys();
    int pan = (int)((x - left) * 255.0f / 640.0f);
    pan = std::max(0, std::min(255, pan));
    if (seen) return chearing{loud, pan};
    // How far the source lies outside the view rectangle.
    float dx = std::max({left - x, x - (left + 640), 0.0f});
    float dy = std::max({top - y, y - (top + 480), 0.0f});
    float d = std::max(dx, dy);
    int volume = (int)(loud * HEARING_FADE / (HEARING_FADE + d));
    return chearing{std::max(volume, distant / 2), pan};
}
