#include "pngsave.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

bool save_png(const char *path, BITMAP *bmp, int scale, bool alpha, std::string &why) {
    FILE *f = fopen(path, "wb");
    if (!f) {
        why = strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    int w = bmp->w * scale, h = bmp->h * scale;
    std::vector<png_byte> row((size_t)w * 4);
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        why = "libpng cannot write it";
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    int mask = makecol32(255, 0, 255);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            int c = getpixel(bmp, x / scale, y / scale);
            png_byte *p = &row[(size_t)x * 4];
            p[0] = (png_byte)getr32(c);
            p[1] = (png_byte)getg32(c);
            p[2] = (png_byte)getb32(c);
            p[3] = (png_byte)(alpha ? geta32(c) : (c & 0xffffff) == (mask & 0xffffff) ? 0 : 255);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    if (fclose(f) != 0) {
        why = strerror(errno);
        return false;
    }
    return true;
}
