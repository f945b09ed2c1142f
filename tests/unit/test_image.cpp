// Image and data-file checks: what may reach the library's BMP loader, and files that
// are not regular files.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/files.h"
#include "shell/image.h"
#include "support.h"

namespace {

void put16(std::string &s, size_t at, uint32_t v) {
    s[at] = (char)(v & 255);
    s[at + 1] = (char)(v >> 8 & 255);
}
void put32(std::string &s, size_t at, uint32_t v) {
    put16(s, at, v & 0xffff);
    put16(s, at + 2, v >> 16);
}

// A Windows BMP with the given header size; pixels zero, as many bytes as promised
// unless `pixels` says otherwise.
std::string bmp(int32_t w, int32_t h, int bpp = 24, uint32_t comp = 0, uint32_t header = 40,
                long pixels = -1) {
    if (pixels < 0) pixels = (long)(((long)w * bpp + 31) / 32 * 4) * (h < 0 ? -h : h);
    std::string s(14 + header, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, (uint32_t)(s.size() + pixels));
    put32(s, 10, (uint32_t)s.size());
    put32(s, 14, header);
    put32(s, 18, (uint32_t)w);
    put32(s, 22, (uint32_t)h);
    put16(s, 26, 1);
    put16(s, 28, (uint32_t)bpp);
    put32(s, 30, comp);
    s.append((size_t)pixels, '\0');
    return s;
}

std::string problem(const std::string &s, int w = 0, int h = 0) {
    return bmp_problem((const unsigned char *)s.data(), s.size(), w, h);
}

struct scratch {
    char dir[64] = "/tmp/krag-image-XXXXXX";
    scratch() { EXPECT_TRUE(mkdtemp(dir)); }
    ~scratch() { EXPECT_EQ(0, system((std::string("rm -rf ") + dir).c_str())); }
    std::string path(const char *name) { return std::string(dir) + "/" + name; }
    std::string write(const char *name, const std::string &bytes) {
        std::string p = path(name);
        FILE *f = fopen(p.c_str(), "wb");
        EXPECT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return p;
    }
};

} // namespace

TEST(image_test, HeadersTheLoaderCannotTakeAreRefusedWithTheirReason) {
    // The 70-byte file that used to crash the loader: 65536 x 65536 at 24 bits.
    std::string huge = bmp(65536, 65536, 24, 0, 40, 16);
    ASSERT_EQ(70u, huge.size());
    EXPECT_EQ("65536x65536, outside 1x1-4096x4096", problem(huge));
    EXPECT_EQ("65536x65536, expected 640x480", problem(huge, 640, 480));

    EXPECT_EQ("", problem(bmp(16, 16)));
    EXPECT_EQ("1x1, expected 16x16", problem(bmp(1, 1), 16, 16));
    EXPECT_EQ("0x16, outside 1x1-4096x4096", problem(bmp(0, 16)));
    EXPECT_EQ("4097x1, outside 1x1-4096x4096", problem(bmp(4097, 1)));
    EXPECT_EQ("top-down BMP (negative height), save as 24-bit BMP3", problem(bmp(16, -16)));
    EXPECT_EQ("unsupported BMP header (V4), save as 24-bit BMP3", problem(bmp(16, 16, 16, 3, 108)));
    EXPECT_EQ("unsupported BMP header (V5), save as 24-bit BMP3", problem(bmp(16, 16, 32, 3, 124)));
    EXPECT_EQ("unsupported BMP header (64 bytes), save as 24-bit BMP3",
              problem(bmp(4, 4, 24, 0, 64)));
    EXPECT_EQ("unsupported bit depth 2", problem(bmp(16, 16, 2)));
    EXPECT_EQ("unsupported compression 4 at 24 bits", problem(bmp(16, 16, 24, 4)));
    EXPECT_EQ("not a BMP file", problem("GIF89a"));
    EXPECT_EQ("not a BMP file", problem(""));
    EXPECT_EQ("truncated BMP header", problem(bmp(16, 16).substr(0, 40)));

    // Kinds the loader reads: palettes, 16 and 32 bits plain or with bit fields, run-length.
    for (int bpp : {1, 4, 8, 16, 24, 32})
        EXPECT_EQ("", problem(bmp(5, 3, bpp))) << bpp;
    EXPECT_EQ("", problem(bmp(5, 3, 16, 3)));
    // Run-length: three rows of five, then the end mark; 5x3 at 4 bits the same way.
    const std::string rows("\5\0\0\0\5\0\0\0\3\1\2\7\0\1", 14);
    for (int bpp : {8, 4}) {
        std::string rle = bmp(5, 3, bpp, bpp == 8 ? 1 : 2, 40, 0);
        EXPECT_EQ("", problem(rle + rows)) << bpp;
        EXPECT_EQ("truncated: the run-length pixels end before the picture does",
                  problem(rle + rows.substr(0, 12)))
            << bpp;
        EXPECT_EQ("run-length pixels outside the picture", problem(rle + std::string("\6\0\0\1", 4))) << bpp;
    }

    // One byte short of the last row: the loader would draw it from nothing.
    std::string cut = bmp(16, 16);
    cut.pop_back();
    EXPECT_EQ("truncated: 821 bytes, the pixels need 822", problem(cut));
    std::string far = bmp(16, 16);
    put32(far, 10, 5000); // pixels said to start past the end
    EXPECT_EQ("truncated: 822 bytes, the pixels start at byte 5000", problem(far));
}

TEST(image_test, CheckedLoadReadsTheSamePicturesAndNeverWaitsOnAFifo) {
    headless();
    scratch s;
    BITMAP *rock = create_bitmap(16, 16);
    clear_to_color(rock, makecol(200, 100, 50));
    putpixel(rock, 3, 5, makecol(255, 0, 255));
    std::string good = s.path("rock.bmp");
    save_bitmap(good.c_str(), rock, nullptr);

    std::string why;
    BITMAP *b = load_checked_bmp(good.c_str(), 16, 16, why);
    ASSERT_TRUE(b) << why;
    EXPECT_EQ(makecol(200, 100, 50), getpixel(b, 0, 0));
    EXPECT_EQ(makecol(255, 0, 255), getpixel(b, 3, 5));
    destroy_bitmap(b);
    destroy_bitmap(rock);
    EXPECT_EQ("", tile_problem(std::string(s.dir) + "/", "rock.bmp"));
    EXPECT_EQ("16x16, expected 8x8", [&] {
        EXPECT_FALSE(load_checked_bmp(good.c_str(), 8, 8, why));
        return why;
    }());

    // The crash file through the whole path: refused before the loader sees it.
    std::string huge = s.write("huge.bmp", bmp(65536, 65536, 24, 0, 40, 16));
    EXPECT_FALSE(load_checked_bmp(huge.c_str(), 0, 0, why));
    EXPECT_EQ("65536x65536, outside 1x1-4096x4096", why);

    std::string fifo = s.path("fifo.bmp");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    EXPECT_FALSE(load_checked_bmp(fifo.c_str(), 16, 16, why));
    EXPECT_EQ("not a regular file", why);
    EXPECT_EQ("not a regular file", file_problem(fifo.c_str()));
    EXPECT_EQ("is a directory", file_problem(s.dir));
    EXPECT_EQ("not found", file_problem(s.path("none").c_str()));
    EXPECT_EQ("", file_problem(good.c_str()));
    if (geteuid() != 0) { // root reads anything
        ASSERT_EQ(0, chmod(good.c_str(), 0));
        EXPECT_EQ("permission denied", file_problem(good.c_str()));
    }

    std::string bytes;
    EXPECT_FALSE(read_regular_file(huge.c_str(), 10, bytes, why));
    EXPECT_EQ("larger than 10 bytes", why);
}
