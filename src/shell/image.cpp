#include "shell/image.h"

#include <allegro.h>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shell/files.h"

// The largest file worth reading: the widest 32-bit picture plus headers and palette.
static const size_t BMP_MAX_BYTES = (size_t)IMAGE_MAX_SIDE * IMAGE_MAX_SIDE * 4 + 64 * 1024;

static uint32_t le16(const unsigned char *p) { return p[0] | p[1] << 8; }
static uint32_t le32(const unsigned char *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

static std::string format(const char *fmt, long a, long b = 0, long c = 0, long d = 0) {
    char buf[128];
    snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

// The depth and compression pairs the library's loader reads.
static bool supported(bool os2, int bpp, uint32_t comp) {
    bool plain = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
    if (os2) return plain;
    if (comp == 0) return plain || bpp == 16 || bpp == 32;
    if (comp == 1) return bpp == 8;               // run-length, 8 bits
    if (comp == 2) return bpp == 4;               // run-length, 4 bits
    if (comp == 3) return bpp == 16 || bpp == 32; // bit fields
    return false;
}

// Run-length rows have no fixed length: the codes are followed to the end-of-picture
// mark, which must come before the bytes end, without a row or a run leaving the picture.
static std::string rle_problem(const unsigned char *p, size_t n, size_t at, long w, long h,
                               bool eight) {
    long x = 0, y = 0;
    for (;;) {
        if (at + 2 > n) return "truncated: the run-length pixels end before the picture does";
        unsigned a = p[at], b = p[at + 1];
        at += 2;
        if (a > 0) { // a run of a pixels
            x += a;
        } else if (b == 0) { // end of a row
            x = 0;
            y++;
        } else if (b == 1) { // end of the picture
            return "";
        } else if (b == 2) { // a jump right and up
            if (at + 2 > n) return "truncated: the run-length pixels end before the picture does";
            x += p[at];
            y += p[at + 1];
            at += 2;
        } else { // b pixels as they are, padded to a whole word
            size_t bytes = eight ? b : (b + 1) / 2;
            at += (bytes + 1) / 2 * 2;
            x += b;
            if (at > n) return "truncated: the run-length pixels end before the picture does";
        }
        if (x > w || y > h || (y == h && x > 0)) return "run-length pixels outside the picture";
    }
}

std::string bmp_problem(const unsigned char *p, size_t n, int want_w, int want_h) {
    if (n < 2 || p[0] != 'B' || p[1] != 'M') return "not a BMP file";
    if (n < 18) return "truncated BMP header";
    uint32_t header = le32(p + 14);
    if (header == 108) return "unsupported BMP header (V4), save as 24-bit BMP3";
    if (header == 124) return "unsupported BMP header (V5), save as 24-bit BMP3";
    if (header != 12 && header != 40)
        return format("unsupported BMP header (%ld bytes), save as 24-bit BMP3", (long)header);
    bool os2 = header == 12;
    if (n < 14 + header) return "truncated BMP header";

    long w, h;
    int bpp;
    uint32_t comp = 0;
    if (os2) {
        w = le16(p + 18);
        h = le16(p + 20);
        bpp = (int)le16(p + 24);
    } else {
        w = (int32_t)le32(p + 18);
        h = (int32_t)le32(p + 22);
        bpp = (int)le16(p + 28);
        comp = le32(p + 30);
    }
    if (h < 0) return "top-down BMP (negative height), save as 24-bit BMP3";
    if (want_w > 0 && want_h > 0 && (w != want_w || h != want_h))
        return format("%ldx%ld, expected %ldx%ld", w, h, want_w, want_h);
    if (w < 1 || h < 1 || w > IMAGE_MAX_SIDE || h > IMAGE_MAX_SIDE)
        return format("%ldx%ld, outside 1x1-%ldx%ld", w, h, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
    if (!supported(os2, bpp, comp)) {
        if (comp == 0 || os2) return format("unsupported bit depth %ld", bpp);
        return format("unsupported compression %ld at %ld bits", (long)comp, bpp);
    }

    uint32_t offset = le32(p + 10);
    if (offset > n)
        return format("truncated: %ld bytes, the pixels start at byte %ld", (long)n, (long)offset);
    if (comp == 1 || comp == 2) return rle_problem(p, n, offset, w, h, comp == 1);
    size_t row = ((size_t)w * bpp + 31) / 32 * 4;
    size_t need = (size_t)offset + row * (size_t)h;
    if (n < need) return format("truncated: %ld bytes, the pixels need %ld", (long)n, (long)need);
    return "";
}

// A read-only pack file over a block of memory, so the loader reads exactly the bytes
// that were checked.
struct memory_file {
    const unsigned char *data;
    long size, at;
};

static int mem_fclose(void *u) {
    delete (memory_file *)u;
    return 0;
}
static int mem_getc(void *u) {
    memory_file *m = (memory_file *)u;
    return m->at < m->size ? m->data[m->at++] : EOF;
}
static int mem_ungetc(int c, void *u) {
    memory_file *m = (memory_file *)u;
    if (m->at > 0) m->at--;
    return c;
}
static long mem_fread(void *out, long n, void *u) {
    memory_file *m = (memory_file *)u;
    long left = m->size - m->at;
    if (n > left) n = left;
    if (n <= 0) return 0;
    memcpy(out, m->data + m->at, (size_t)n);
    m->at += n;
    return n;
}
static int mem_putc(int, void *) { return EOF; }
static long mem_fwrite(AL_CONST void *, long, void *) { return 0; }
static int mem_fseek(void *u, int offset) {
    memory_file *m = (memory_file *)u;
    if (offset < 0 || offset > m->size - m->at) return -1;
    m->at += offset;
    return 0;
}
static int mem_feof(void *u) {
    memory_file *m = (memory_file *)u;
    return m->at >= m->size;
}
static int mem_ferror(void *) { return 0; }

static PACKFILE_VTABLE memory_vtable = {mem_fclose, mem_getc,  mem_ungetc, mem_fread, mem_putc,
                                        mem_fwrite, mem_fseek, mem_feof,   mem_ferror};

PACKFILE *open_memory_packfile(const std::string &bytes) {
    memory_file *m = new memory_file{(const unsigned char *)bytes.data(), (long)bytes.size(), 0};
    PACKFILE *f = pack_fopen_vtable(&memory_vtable, m);
    if (!f) delete m;
    return f;
}

BITMAP *load_checked_bmp(const char *path, int want_w, int want_h, std::string &why) {
    std::string bytes;
    if (!read_regular_file(path, BMP_MAX_BYTES, bytes, why)) return nullptr;
    const unsigned char *data = (const unsigned char *)bytes.data();
    why = bmp_problem(data, bytes.size(), want_w, want_h);
    if (!why.empty()) return nullptr;

    PACKFILE *f = open_memory_packfile(bytes);
    if (!f) {
        why = "cannot be loaded (out of memory)";
        return nullptr;
    }
    BITMAP *b = load_bmp_pf(f, nullptr);
    pack_fclose(f);
    if (!b) why = "cannot be loaded";
    return b;
}

std::string tile_problem(const std::string &dir, const char *name) {
    std::string why;
    BITMAP *b = load_checked_bmp((dir + name).c_str(), 0, 0, why);
    if (b) destroy_bitmap(b);
    return why;
}

std::string tile_problem_in_bmp_folder(const char *name) { return tile_problem("bmp/", name); }
