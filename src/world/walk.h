#ifndef KRAG_WORLD_WALK_H
#define KRAG_WORLD_WALK_H

// One axis of the pixel-by-pixel movement everything loose in the world shares: `pos`
// walks toward `target` a pixel at a time (the last step lands on the target exactly)
// while it stays strictly between `lo` and `hi` and `open(dir)` says the pixel ahead is
// free (dir is +1 walking up the axis, -1 walking down it). A caller compares `pos` with
// `target` afterwards to learn whether something stopped it.
template <class Open> inline void walk(float &pos, float target, float lo, float hi, Open open) {
    if (target > pos) {
        while (pos < target && pos < hi && open(1))
            pos = target - pos <= 1 ? target : pos + 1;
    } else {
        while (pos > target && pos > lo && open(-1))
            pos = pos - target <= 1 ? target : pos - 1;
    }
}

#endif
