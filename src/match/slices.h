#ifndef KRAG_MATCH_SLICES_H
#define KRAG_MATCH_SLICES_H

#include <allegro.h>

// A row of n copies of a sprite, each one pixel right of the last (the HUD's bars), drawn
// with one library call. The copies are drawn once onto a see-through picture, kept
// until n or the sprite changes, and that picture is drawn: masked drawing shows the
// same pixels either way.
class cslices {
  public:
    void draw(BITMAP *dst, BITMAP *slice, int n, int x, int y);
    void drop(); // frees the kept pictures

  private:
    bool same_slice(BITMAP *slice);
    BITMAP *row = nullptr;  // the copies, on the mask colour
    BITMAP *seen = nullptr; // the sprite they were made from
    int count = -1;
};

#endif
