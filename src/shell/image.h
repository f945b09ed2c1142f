#ifndef KRAG_SHELL_IMAGE_H
#define KRAG_SHELL_IMAGE_H

#include <cstddef>
#include <string>

struct BITMAP;
struct PACKFILE;

const int IMAGE_MAX_SIDE = 4096; // widest or tallest picture the game reads

// Why a BMP held in memory should not reach the library's loader, empty when it may:
// the kind of header, width and height (1-IMAGE_MAX_SIDE, or exactly want_w x want_h
// when those are not 0), bit depth and compression, and a length that holds every
// pixel row the header promises.
std::string bmp_problem(const unsigned char *data, size_t size, int want_w, int want_h);

// A read-only pack file over bytes in memory (which must outlive it), so the library's
// loaders read exactly the bytes that were checked; null when out of memory.
PACKFILE *open_memory_packfile(const std::string &bytes);

// Reads, checks and loads a BMP (converted to the current colour depth). Null with
// `why` filled when the file is missing, not a regular file, or fails bmp_problem.
BITMAP *load_checked_bmp(const char *path, int want_w, int want_h, std::string &why);

// Why the map tile bmp/NAME cannot be used, as the game loads it; empty when it can.
// Any size the image checks accept will do. Fits the tile check of parse_map.
std::string tile_problem_in_bmp_folder(const char *name);

// The same for tiles in another folder (with its trailing slash).
std::string tile_problem(const std::string &dir, const char *name);

#endif
