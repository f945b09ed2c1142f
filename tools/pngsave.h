// PNG pictures for the tools (the desktop icons, the tile pictures for the Tiled
// editor, the route tool's picture), written with libpng.
#ifndef TOOLS_PNGSAVE_H
#define TOOLS_PNGSAVE_H

#include <allegro.h>
#include <string>

// Writes a 32-bit bitmap as RGBA PNG, each pixel enlarged to scale x scale. Without
// `alpha` the mask colour (magenta) is transparent and everything else opaque; with it
// each pixel's top byte (makeacol32) is its opacity. False with `why` filled on failure.
bool save_png(const char *path, BITMAP *bmp, int scale, bool alpha, std::string &why);

#endif
