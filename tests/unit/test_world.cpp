// The map: building the list, reading and refusing map files, cells, relief, gradient,
// drawing around the camera and terrain hits.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <unistd.h>
#include <sys/stat.h>
#include <vector>

#include "effects/particle.h"
#include "shell/data.h"
#include "shell/options.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

// A map file's text: header fields then the grid rows.
struct maptext {
    std::string size = "640 480";
    std::string colours = "10 20 30 250 140 60";
    std::string relief = "0";
    std::string tiles = "1 rock.bmp";
    std::vector<std::string> rows;

    maptext() {
        rows.assign(30, std::string(40, '.'));
        rows[28][1] = 'A';
        rows[29] = std::string(40, 'a');
    }
    std::string str() const {
        std::string s = size + "\n" + colours + "\n" + relief + "\n" + tiles + "\n";
        for (const std::string &r : rows) s += r + "\n";
        return s;
    }
};

std::string no_rock(const char *name) { return strcmp(name, "rock.bmp") ? "" : "not found"; }
std::string any_tile(const char *) { return ""; }

maperror refusal(const std::string &text, tile_check_fn tiles = any_tile) {
    static mapfile mf;
    std::istringstream in(text);
    maperror err;
    EXPECT_FALSE(parse_map(in, mf, err, tiles)) << text.substr(0, 60);
    return err;
}

TEST(mapfile_test, EachBrokenRuleIsRefusedWithItsLine) {
    struct rule {
        maptext t;
        int line;
        const char *reason;
    };
    std::vector<rule> rules;
    auto add = [&](void (*edit)(maptext &), int line, const char *reason) {
        maptext t;
        edit(t);
        rules.push_back({t, line, reason});
    };
    add([](maptext &t) { t.size = "650 480"; }, 1, "width 650 is not a multiple of 16");
    add([](maptext &t) { t.size = "624 480"; }, 1, "width 624 is outside 640-2048");
    add([](maptext &t) { t.size = "-640 480"; }, 1, "width -640 is outside 640-2048");
    add([](maptext &t) { t.size = "640\n2064"; }, 2, "height 2064 is outside 480-2048");
    add([](maptext &t) { t.size = "640 490"; }, 1, "height 490 is not a multiple of 16");
    add([](maptext &t) { t.size = "99999999999 480"; }, 1, "width is out of range");
    add([](maptext &t) { t.size = "wide 480"; }, 1, "width is not a number");
    add([](maptext &t) { t.colours = "10 20 30 250 256 60"; }, 2, "bottom green 256 is outside 0-255");
    add([](maptext &t) { t.colours = "-1 20 30 250 140 60"; }, 2, "top red -1 is outside 0-255");
    add([](maptext &t) { t.colours = "10 20 x 250 140 60"; }, 2, "top blue is not a number");
    add([](maptext &t) { t.relief = "2"; }, 3, "relief flag 2 is not 0 or 1");
    add([](maptext &t) { t.tiles = "27"; }, 4, "tile count 27 is outside 0-26");
    add([](maptext &t) { t.tiles = "-1"; }, 4, "tile count -1 is outside 0-26");
    add([](maptext &t) { t.tiles = "1\nseventeen_chars.b"; }, 5,
        "tile name \"seventeen_chars.b\" is longer than 16 characters");
    add([](maptext &t) { t.tiles = "2 rock.bmp"; t.rows.clear(); }, 4, "file ends before tile name 2");
    add([](maptext &t) { t.tiles = "2 rock.bmp"; }, 5,
        "tile name \"........................................\" is longer than 16 characters");
    add([](maptext &t) { t.rows.resize(10); }, 14, "grid ends after 400 of 1200 cells");
    add([](maptext &t) { t.rows[29][39] = 'b'; }, 34, "letter 'b' has no tile");
    add([](maptext &t) { t.rows[28][1] = '.'; }, 34, "no spawn point");
    add([](maptext &t) {
        t.rows[3] = std::string(32, 'G') + "........"; // the 'A' on line 33 is the 33rd
    }, 33, "33 spawn points (at most 32)");
    for (const rule &r : rules) {
        maperror err = refusal(r.t.str());
        EXPECT_EQ(err.line, r.line) << r.reason;
        EXPECT_EQ(err.reason, r.reason);
    }

    maperror err = refusal(maptext().str(), no_rock);
    EXPECT_EQ(err.line, 4);
    EXPECT_EQ(err.reason, "tile \"rock.bmp\" not found in bmp/");
    err = refusal("");
    EXPECT_EQ(err.line, 1);
    EXPECT_EQ(err.reason, "file ends before width");
    static mapfile mf;
    EXPECT_FALSE(parse_map_file("no/such/file.krm", mf, err, any_tile));
    EXPECT_EQ(err.reason, "cannot open file: not found");
}

// Warnings as "LINE: reason" lines; the kit's map stands its spawn in the floor
// (line 33), so every case below also carries that one.
std::vector<std::string> warnings_of(const std::string &text) {
    static mapfile mf;
    maperror err;
    std::vector<maperror> warnings;
    std::istringstream in(text);
    EXPECT_TRUE(parse_map(in, mf, err, any_tile, &warnings)) << err.reason;
    std::vector<std::string> v;
    for (const maperror &w : warnings) v.push_back(std::to_string(w.line) + ": " + w.reason);
    return v;
}

TEST(mapfile_test, OdditiesThatDoNotStopPlayAreWarnings) {
    const std::string in_floor = "33: spawn point 'A' at column 2, row 29 stands inside a solid cell";
    EXPECT_EQ(warnings_of(maptext().str()), (std::vector<std::string>{in_floor}));

    maptext t;
    t.rows[3] += "..";     // line 8: two cells too many...
    t.rows[4].resize(38);  // ...made up on the next line, so the grid stays whole
    t.rows[20][5] = 'B';   // line 25: a second spawn, standing in a wall
    t.rows[21][5] = 'a';
    EXPECT_EQ(warnings_of(t.str()),
              (std::vector<std::string>{
                  "8: grid row longer than the width (40 cells)",
                  "25: spawn point 'B' at column 6, row 21 stands inside a solid cell", in_floor}));

    EXPECT_EQ(warnings_of(maptext().str() + "\ntrailing words\n"),
              (std::vector<std::string>{"36: content after the grid", in_floor}));
    t = maptext();
    t.rows[29] += "aa"; // the last row runs on
    EXPECT_EQ(warnings_of(t.str()),
              (std::vector<std::string>{"34: grid row longer than the width (40 cells)", in_floor}));
}

TEST(mapfile_test, FieldsAreWhitespaceSeparatedAndExtrasAreCountedNotRefused) {
    maptext t;
    t.rows[0] = std::string(33, '0') + std::string(7, '1');
    std::string text = t.str();
    // Any whitespace separates header fields, and grid characters may have blanks between.
    std::string spread = "640\r\n\t480 10\n20\n\n30 250\v140\f60 0\n1\n   rock.bmp";
    for (const std::string &r : t.rows) {
        spread += "\n";
        for (char c : r) spread += std::string(" ") + c;
    }
    static mapfile a, b;
    maperror err;
    std::istringstream in1(text), in2(spread);
    ASSERT_TRUE(parse_map(in1, a, err, any_tile)) << err.reason;
    ASSERT_TRUE(parse_map(in2, b, err, any_tile)) << err.line << ": " << err.reason;
    EXPECT_EQ(0, memcmp(&a, &b, sizeof(a)));
    EXPECT_EQ(a.nboxes, 33);
    EXPECT_EQ(a.nbarrels, 7);
    EXPECT_EQ(a.nsp, 1);
    EXPECT_EQ(a.grid[39][29], 'a');
}

// A scratch game folder with krm/ and bmp/; the test runs inside it.
class map_folder_test : public ::testing::Test {
  protected:
    char dir[64] = "/tmp/krag-world-XXXXXX";
    char home[4096] = {};

    void SetUp() override {
        headless();
        fresh_world();
        ASSERT_TRUE(getcwd(home, sizeof(home)));
        ASSERT_TRUE(mkdtemp(dir));
        ASSERT_EQ(chdir(dir), 0);
        mkdir_p("krm");
        mkdir_p("bmp");
        // rock.bmp: a 16x16 orange square with one transparent pixel at (15, 0).
        BITMAP *rock = create_bitmap(16, 16);
        clear_to_color(rock, makecol(200, 100, 50));
        putpixel(rock, 15, 0, makecol(255, 0, 255));
        save_bitmap("bmp/rock.bmp", rock, nullptr);
        destroy_bitmap(rock);
    }
    void TearDown() override {
        map.deinit();
        map.nm = 0;
        ASSERT_EQ(chdir(home), 0);
        std::string cmd = std::string("rm -rf ") + dir;
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    static void mkdir_p(const char *d) { ASSERT_EQ(system((std::string("mkdir -p ") + d).c_str()), 0); }
    static void write(const std::string &name, const std::string &text) {
        FILE *f = fopen(name.c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    std::vector<std::string> listed() {
        std::vector<std::string> v;
        for (int i = 0; i < map.get_nm(); i++) v.push_back(map.names[i]);
        return v;
    }
};

TEST_F(map_folder_test, ListHoldsThirtyTwoGoodMapsSortedAndNothingElse) {
    std::string good = maptext().str();
    for (int i = 0; i < 33; i++) {
        char name[32];
        snprintf(name, sizeof(name), "krm/m%02d.krm", 32 - i);
        write(name, good);
    }
    write("krm/elevenchars.krm", good); // 15 characters: never listed
    maptext broken;
    broken.size = "650 480";
    write("krm/aa.krm", broken.str());

    testing::internal::CaptureStderr();
    map.load();
    std::string said = testing::internal::GetCapturedStderr();

    ASSERT_EQ(map.get_nm(), 32); // the broken file took no slot
    EXPECT_EQ(map.get_nfound(), 35);
    std::vector<std::string> v = listed();
    for (int i = 0; i < 32; i++) {
        char want[16];
        snprintf(want, sizeof(want), "m%02d.krm", i);
        EXPECT_EQ(v[i], want) << "the first 32 by name, whatever the folder's order";
    }
    // Everything left out is named, with its reason.
    EXPECT_EQ(said, "krm/aa.krm:1: width 650 is not a multiple of 16\n"
                    "krm/elevenchars.krm: the name is too long (at most 10 letters before "
                    ".krm); left out\n"
                    "krm: 1 more map file left out: the map list is full (32 maps)\n");
}

TEST_F(map_folder_test, FilesThatAreNotMapsAreNamedAndSkippedWithoutWaiting) {
    ASSERT_EQ(0, mkfifo("krm/x.krm", 0600)); // opening it for reading would block
    mkdir_p("krm/dir.krm");
    write("krm/bom.krm", "\xEF\xBB\xBF" + maptext().str());

    testing::internal::CaptureStderr();
    map.load();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "krm/bom.krm:1: UTF-8 byte-order mark at the start; save the file without it\n"
              "krm/dir.krm:0: is a directory\n"
              "krm/x.krm:0: not a regular file\n");
    EXPECT_EQ(map.get_nm(), 0);
    EXPECT_EQ(map.get_nfound(), 3); // "3 map files found, all refused", not "none found"
}

TEST_F(map_folder_test, ListIsInByteOrderAndDisplayNamesAreUpperCase) {
    std::string good = maptext().str();
    write("krm/b.krm", good);
    write("krm/a.krm", good);
    write("krm/C.krm", good);
    maptext bad;
    bad.rows[28][1] = '.';
    write("krm/0bad.krm", bad.str());
    testing::internal::CaptureStderr();
    map.load();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "krm/0bad.krm:34: no spawn point\n");
    ASSERT_EQ(listed(), (std::vector<std::string>{"C.krm", "a.krm", "b.krm"}));
    char out[11];
    const char *want[] = {"C", "A", "B"};
    for (int i = 0; i < 3; i++) {
        map.get_name(i, out);
        EXPECT_STREQ(out, want[i]);
    }
    map.get_name(3, out); // past the list: empty, nothing read
    EXPECT_STREQ(out, "");
}

TEST_F(map_folder_test, GoodMapIsReadExactly) {
    maptext t;
    t.size = "800 528"; // 50 x 33 cells
    t.rows.assign(33, std::string(50, '.'));
    t.rows[32] = std::string(50, 'a');
    t.rows[31][3] = 'A';
    t.rows[31][49] = 'G';
    t.rows[5][7] = 'B'; // spawn and route mark at once
    t.rows[5][8] = 'H'; // route mark only
    t.rows[10] = std::string(33, '0') + "1" + std::string(16, '[');
    write("krm/good.krm", t.str());
    map.load();
    ASSERT_EQ(map.get_nm(), 1);
    options.level = 0;
    ASSERT_TRUE(map.init());

    EXPECT_EQ(map.get_width(), 800);
    EXPECT_EQ(map.get_height(), 528);
    ASSERT_EQ(map.get_nsp(), 3); // row by row from the top
    EXPECT_EQ(map.get_spx(0), 7 * 16);
    EXPECT_EQ(map.get_spy(0), 5 * 16);
    EXPECT_EQ(map.get_spx(1), 3 * 16);
    EXPECT_EQ(map.get_spy(2), 31 * 16);
    EXPECT_EQ(map.get_spx(2), 49 * 16);
    EXPECT_EQ(map.get_map(8 * 16 + 5, 5 * 16 + 15), 'H');
    EXPECT_EQ(map.get_map(799, 527), 'a');
    for (int i = 0; i < MAX_BOXES; i++) {
        EXPECT_TRUE(boxes[i].get_active());
        EXPECT_EQ(boxes[i].get_x(), 16 * i);
        EXPECT_EQ(boxes[i].get_y(), 160);
        EXPECT_EQ(boxes[i].health, 0); // waits to stand up
    }
    EXPECT_EQ(map.get_map(32 * 16, 160), '0'); // the 33rd box is ignored but stays in the grid
    EXPECT_TRUE(barrels[0].get_active());
    EXPECT_EQ(barrels[0].get_x(), 33 * 16);
    EXPECT_FALSE(barrels[1].get_active());
    EXPECT_EQ(map.get_xs(), 400 - 320);
    EXPECT_EQ(map.get_ys(), 264 - 240);
    ASSERT_TRUE(map.tiles[0]);
    EXPECT_EQ(map.tiles[0]->w, 16); // no relief: the image as loaded
    EXPECT_FALSE(map.tiles[1]);
}

TEST_F(map_folder_test, InitRefusesAFileThatBrokeOrATileThatWillNotLoad) {
    write("krm/m.krm", maptext().str());
    map.load();
    ASSERT_EQ(map.get_nm(), 1);
    options.level = 0;

    maptext t;
    t.rows[29][0] = 'z';
    write("krm/m.krm", t.str()); // changed after the list was built
    testing::internal::CaptureStderr();
    EXPECT_FALSE(map.init());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "krm/m.krm:34: letter 'z' has no tile\n");

    t = maptext();
    t.rows[0][0] = '0';
    t.rows[0][1] = '1';
    write("krm/m.krm", t.str());
    write("bmp/rock.bmp", ""); // there, but no image
    testing::internal::CaptureStderr();
    EXPECT_FALSE(map.init());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(map.problem, "tile \"rock.bmp\": not a BMP file"); // shown to the player
    EXPECT_FALSE(map.tiles[0]);
    EXPECT_FALSE(map.background);
    EXPECT_FALSE(boxes[0].get_active()); // nothing placed for a map that is not played
    EXPECT_FALSE(barrels[0].get_active());

    options.level = 1; // past the list
    EXPECT_FALSE(map.init());
    map.deinit(); // twice is harmless
    map.deinit();
}

TEST_F(map_folder_test, ReliefStacksFourDarkerCopiesAndGradientRunsTopToBottom) {
    maptext t;
    t.relief = "1";
    t.colours = "10 200 0 250 0 255";
    write("krm/m.krm", t.str());
    map.load();
    options.level = 0;
    ASSERT_TRUE(map.init());
    BITMAP *tile = map.tiles[0];
    ASSERT_TRUE(tile);
    ASSERT_EQ(tile->w, 20);
    ASSERT_EQ(tile->h, 20);
    int mask = makecol(255, 0, 255);
    EXPECT_EQ(getpixel(tile, 0, 4), makecol(200, 100, 50));    // the face, full colour
    EXPECT_EQ(getpixel(tile, 15, 19), makecol(200, 100, 50));
    EXPECT_EQ(getpixel(tile, 16, 4), makecol(100, 50, 25));    // 1/2, one step behind
    EXPECT_EQ(getpixel(tile, 19, 0), mask);                    // source pixel (15, 0) is clear
    EXPECT_EQ(getpixel(tile, 18, 0), makecol(40, 20, 10));     // 1/5, four steps behind
    EXPECT_EQ(getpixel(tile, 4, 0), makecol(40, 20, 10));
    EXPECT_EQ(getpixel(tile, 0, 0), mask);
    EXPECT_EQ(getpixel(tile, 16, 19), mask);

    BITMAP *bg = map.background;
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->w, 16);
    EXPECT_EQ(bg->h, 480);
    EXPECT_EQ(getpixel(bg, 0, 0), makecol(10, 200, 0));
    EXPECT_EQ(getpixel(bg, 15, 0), makecol(10, 200, 0));
    // steps of 0.5, -0.41666, 0.53125 per row: row 479 falls just short of the bottom
    EXPECT_EQ(getpixel(bg, 7, 479), makecol(249, 0, 254));
}

// Tile pictures need not be one cell in size: a big one is drawn whole from its cell's
// corner, with relief only its top-left 16x16 enters the relief, and a small one draws
// what it has (ASan sees any read outside it).
TEST_F(map_folder_test, TilePicturesOfAnySizeLoadAndDrawFromTheirCellsCorner) {
    int corner = makecol(200, 0, 0), rest = makecol(0, 0, 200), bottom = makecol(250, 140, 60);
    BITMAP *big = create_bitmap(32, 32), *small = create_bitmap(8, 8);
    clear_to_color(big, rest);
    rectfill(big, 0, 0, 15, 15, corner);
    clear_to_color(small, corner);
    save_bitmap("bmp/big.bmp", big, nullptr);
    save_bitmap("bmp/small.bmp", small, nullptr);
    destroy_bitmap(big);
    destroy_bitmap(small);
    maptext t;
    t.colours = "250 140 60 250 140 60";
    t.tiles = "2 big.bmp small.bmp";
    t.rows[29] = std::string(40, 'b');
    t.rows[10][5] = 'a'; // the big tile's corner at (80, 160)
    for (int relief = 0; relief <= 1; relief++) {
        t.relief = relief ? "1" : "0";
        write("krm/m.krm", t.str());
        map.load();
        ASSERT_EQ(map.get_nm(), 1);
        options.level = 0;
        ASSERT_TRUE(map.init()) << map.problem;
        map.set_screen(0, 0);
        clear_to_color(bbuffer, 0);
        map.draw();
        // The face sits on the cell with or without relief.
        EXPECT_EQ(corner, getpixel(bbuffer, 80, 160));
        EXPECT_EQ(corner, getpixel(bbuffer, 95, 175));
        EXPECT_EQ(relief ? bottom : rest, getpixel(bbuffer, 111, 191)) << "relief " << relief;
        EXPECT_EQ(relief ? bottom : rest, getpixel(bbuffer, 100, 170)) << "relief " << relief;
        // The small floor tile: its 8x8 at each cell's corner, the sky beside it.
        EXPECT_EQ(corner, getpixel(bbuffer, 16, 464));
        EXPECT_EQ(corner, getpixel(bbuffer, 23, 471));
        EXPECT_EQ(bottom, getpixel(bbuffer, 16 + 8 + relief * 4, 472));
        map.deinit();
    }
}

// Drawing a known grid: a fake tile of one colour and a fake background strip.
class map_draw_test : public ::testing::Test {
  protected:
    BITMAP *tile = nullptr, *bg = nullptr;
    int tile_col = 0, bg_col = 0;

    void SetUp() override {
        fresh_world();
        set_map(std::vector<std::string>(40, std::string(60, '.'))); // 960 x 640
        tile_col = makecol(0, 255, 0);
        bg_col = makecol(0, 0, 90);
        tile = create_bitmap(16, 16);
        clear_to_color(tile, tile_col);
        bg = create_bitmap(16, 640);
        clear_to_color(bg, bg_col);
        putpixel(bg, 3, 100, makecol(1, 2, 3)); // marks background row 100
        map.tiles[0] = tile;
        map.background = bg;
        map.relief = false;
        clear_to_color(bbuffer, 0);
    }
    void TearDown() override {
        map.deinit();
        map.relief = false;
    }
};

TEST_F(map_draw_test, CellsLandOnScreenMinusTheCamera) {
    map.grid[2][3] = 'a';
    map.set_screen(0, 0);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 32, 48), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 47, 63), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 48, 63), bg_col);
    EXPECT_EQ(getpixel(bbuffer, 32, 47), bg_col);
    EXPECT_EQ(getpixel(bbuffer, 3, 100), makecol(1, 2, 3)); // strip from row camera y
    EXPECT_EQ(getpixel(bbuffer, 35, 100), makecol(1, 2, 3)); // repeated every 16 pixels

    clear_to_color(bbuffer, 0);
    map.set_screen(5, 40);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 3, 60), makecol(1, 2, 3));
    EXPECT_EQ(getpixel(bbuffer, 27, 8), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 42, 23), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 26, 8), bg_col);
    EXPECT_EQ(getpixel(bbuffer, 27, 7), bg_col);
}

TEST_F(map_draw_test, FortyOneColumnsOnlyWhenTheCameraIsBetweenCells) {
    for (int r = 0; r < 40; r++) map.grid[42][r] = 'a'; // just right of the screen at x 32
    map.set_screen(32, 0);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 639, 100), bg_col);
    map.set_screen(33, 0);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 639, 100), tile_col); // 41st column, x 639
    EXPECT_EQ(getpixel(bbuffer, 638, 100), bg_col);

    for (int c = 0; c < 60; c++) map.grid[c][30] = 'a'; // row just below the screen at y 0
    map.set_screen(0, 0);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 100, 479), bg_col);
    map.set_screen(0, 1);
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 100, 479), tile_col);
}

TEST_F(map_draw_test, ReliefTilesSitFourPixelsHigherWithTheFaceOnTheCell) {
    BITMAP *relief = create_bitmap(20, 20);
    clear_to_color(relief, makecol(255, 0, 255));
    rectfill(relief, 4, 0, 19, 15, makecol(10, 10, 10));
    rectfill(relief, 0, 4, 15, 19, tile_col);
    map.tiles[0] = relief;
    destroy_bitmap(tile);
    map.relief = true;
    map.grid[2][3] = 'a';
    map.draw();
    EXPECT_EQ(getpixel(bbuffer, 32, 48), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 47, 63), tile_col);
    EXPECT_EQ(getpixel(bbuffer, 51, 44), makecol(10, 10, 10));
    EXPECT_EQ(getpixel(bbuffer, 32, 44), bg_col); // the mask shows the background
}

TEST(map_cells_test, OutsideTheMapIsZeroAndEveryEdgeCellIsReachable) {
    fresh_world();
    std::vector<std::string> rows(30, std::string(40, '.'));
    rows[0][0] = 'a';
    rows[0][39] = 'b';
    rows[29][0] = 'c';
    rows[29][39] = 'd';
    set_map(rows);
    EXPECT_EQ(map.get_map(0, 0), 'a');
    EXPECT_EQ(map.get_map(639, 0), 'b');
    EXPECT_EQ(map.get_map(0, 479), 'c');
    EXPECT_EQ(map.get_map(639, 479), 'd');
    EXPECT_EQ(map.get_map(-1, 0), 0);
    EXPECT_EQ(map.get_map(0, -1), 0);
    EXPECT_EQ(map.get_map(640, 0), 0);
    EXPECT_EQ(map.get_map(0, 480), 0);
    EXPECT_EQ(map.get_map(639, 480), 0);
    EXPECT_EQ(map.get_map(640, 479), 0);

    map.grid[5][5] = (char)200; // high bytes read back unsigned, and count as empty
    EXPECT_EQ(map.get_map(80, 80), 200);
    EXPECT_FALSE(sight_cell(map.get_map(80, 80)));
    EXPECT_TRUE(sight_cell('['));
    EXPECT_FALSE(solid_cell('['));
    EXPECT_TRUE(solid_cell('a'));
    EXPECT_TRUE(solid_cell(127));
}

TEST(map_cells_test, TerrainHitThrowsFiveParticlesIntoWhatIsFree) {
    fresh_world();
    for (int i = 0; i < MAX_PARTICLES; i++) particles[i].active = true;
    particles[10].active = particles[100].active = particles[255].active = false;
    map.damage(50, 60);
    for (int i : {10, 100, 255}) {
        EXPECT_TRUE(particles[i].get_active());
        EXPECT_FALSE(particles[i].floating);
    }
    EXPECT_EQ((int)particles[255].lifetime, 50);

    fresh_world();
    map.damage(50, 60);
    int n = 0;
    for (int i = 0; i < MAX_PARTICLES; i++) n += particles[i].get_active();
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(particles[4].get_active());
}

// The player's own maps join the list from a folder of theirs (here with a non-ASCII
// name): same checks, a shipped name is replaced in place, the list stays at 32.
TEST_F(map_folder_test, PlayersMapsJoinTheListAndReplaceShippedOnesByName) {
    std::string good = maptext().str();
    maptext wide;
    wide.size = "800 480";
    for (std::string &r : wide.rows) r += std::string(10, r[0] == 'a' ? 'a' : '.');
    write("krm/a.krm", good);
    write("krm/b.krm", good);
    std::string mine = std::string(dir) + "/us\xc3\xa9r/krm";
    mkdir_p(("'" + mine + "'").c_str());
    write(mine + "/b.krm", wide.str());
    write(mine + "/c.krm", good);
    write(mine + "/elevenchars.krm", good);
    maptext bad;
    bad.rows[28][1] = '.';
    write(mine + "/d.krm", bad.str());

    testing::internal::CaptureStderr();
    map.load(mine.c_str());
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(listed(), (std::vector<std::string>{"a.krm", "b.krm", "c.krm"}));
    EXPECT_FALSE(map.user[0]);
    EXPECT_TRUE(map.user[1]);
    EXPECT_TRUE(map.user[2]);
    EXPECT_NE(std::string::npos, said.find(mine + "/b.krm: used instead of the shipped map"))
        << said;
    EXPECT_NE(std::string::npos, said.find(mine + "/d.krm:34: no spawn point")) << said;
    EXPECT_NE(std::string::npos, said.find(mine + "/elevenchars.krm: the name is too long"))
        << said;
    EXPECT_EQ(mine + "/b.krm", map.path(1));
    EXPECT_EQ("krm/a.krm", map.path(0));
    options.level = 1;
    ASSERT_TRUE(map.init());
    EXPECT_EQ(800, map.get_width()) << "the player's b.krm is played";
    map.deinit();

    // A full list of shipped maps: the player's b still replaces its namesake, c is left out.
    for (int i = 0; i < 30; i++) write("krm/s" + std::to_string(10 + i) + ".krm", good);
    testing::internal::CaptureStderr();
    map.load(mine.c_str());
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(32, map.get_nm());
    EXPECT_NE(std::string::npos, said.find(mine + ": 2 more map files left out: the map list is full"))
        << said;
    EXPECT_EQ(mine + "/b.krm", map.path(1));
    map.load(); // without a folder of the player's: only the shipped maps
    EXPECT_EQ(32, map.get_nm());
    EXPECT_EQ("krm/b.krm", map.path(1));
}

// A map dropped into the player's folder shows up when the list is built again (each
// time the options screen opens), the chosen map stays chosen by name; a map file from
// anywhere (krag --map) is put into the list without disturbing it.
TEST_F(map_folder_test, ListIsBuiltAgainKeepingTheChoiceAndTakesAMapFromAnywhere) {
    std::string good = maptext().str();
    maptext wide;
    wide.size = "800 480";
    for (std::string &r : wide.rows) r += std::string(10, r[0] == 'a' ? 'a' : '.');
    std::string mine = std::string(dir) + "/mine";
    mkdir_p(mine.c_str());
    write("krm/a.krm", good);
    write("krm/c.krm", good);
    map.load(mine.c_str());
    options.level = 1; // c
    write(mine + "/b.krm", good);
    map.reload();
    ASSERT_EQ(listed(), (std::vector<std::string>{"a.krm", "b.krm", "c.krm"}));
    EXPECT_EQ(2, options.get_level()) << "still c";
    ASSERT_EQ(0, remove("krm/c.krm"));
    testing::internal::CaptureStderr();
    map.reload();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, options.get_level()) << "the chosen map is gone: the first one";

    std::string far = std::string(dir) + "/elsewhere";
    mkdir_p(far.c_str());
    write(far + "/a-very-long-name.krm", wide.str());
    int slot = map.add_file(far + "/a-very-long-name.krm");
    ASSERT_EQ(2, slot);
    EXPECT_STREQ("a-very-long-na", map.names[slot]) << "cut to the list's width";
    EXPECT_EQ(far + "/a-very-long-name.krm", map.path(slot));
    options.level = slot;
    ASSERT_TRUE(map.init());
    EXPECT_EQ(800, map.get_width());
    map.deinit();
    write(far + "/a.krm", wide.str());
    EXPECT_EQ(0, map.add_file(far + "/a.krm")) << "takes the place of its namesake";
    EXPECT_EQ(3, map.get_nm());
    EXPECT_EQ(mine + "/b.krm", map.path(1)) << "the others stay";

    maptext bad;
    bad.rows[28][1] = '.';
    write(far + "/bad.krm", bad.str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, map.add_file(far + "/bad.krm"));
    EXPECT_EQ("no spawn point", map.problem);
    EXPECT_EQ(-1, map.add_file(far + "/missing.krm"));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, map.problem.find("not found")) << map.problem;
    EXPECT_NE(std::string::npos, said.find(far + "/bad.krm:")) << said;
    EXPECT_EQ(3, map.get_nm()) << "a refused file takes no slot";
}

} // namespace
