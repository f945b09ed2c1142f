#ifndef KRAG_SHELL_DATA_H
#define KRAG_SHELL_DATA_H

#include <allegro.h>
#include <string>
#include <vector>

// Every image and sound of the game, loaded at once by load_data().
extern BITMAP *bbuffer; // 640x480 back buffer
extern BITMAP *bammo, *bammo_bar, *barms[6], *bbarrel, *bblood[2], *bbody[3], *bbox, *bbullet[2],
    *bcontrols, *bcredits, *bcross, *bcrosshair, *bcursor, *bfire[2], *bflamethrower, *bflesh, *bgrenade1,
    *bgrenade2, *bgrenade_icon, *bgrenade_launcher, *bgun, *bhead[3], *bhealth, *bhealth_bar,
    *bindicator, *bkills, *bkills_bar, *blegs[12], *blobby, *blost, *bnetwork, *bmachine_gun, *bmenu, *bminigun[2],
    *boptions, *bparticle[2], *bpaused, *bplank, *bpowerup[5], *breplays, *brocket[2], *brocket_launcher,
    *bshell[2], *bshotgun, *bsniper_rifle, *bweapons, *bwon;

extern SAMPLE *sblood[2], *sbox[2], *sexplosion[2], *sflamethrower[1], *sgrenade_launcher[2],
    *sgun[2], *slaser_rifle[2], *smachine_gun[2], *sminigun[2], *srocket_launcher[2], *sshell[2],
    *sshotgun[2], *ssniper_rifle[2];

const int NUM_BITMAP_FILES = 78;
const int NUM_SAMPLE_FILES = 25;

// Creates the back buffer and loads every bitmap and sample (paths relative to the
// working directory). Returns one "path: reason" line per file that could not be
// used, e.g. "bmp/box.bmp: 1x1, expected 16x16" (empty: all good).
std::vector<std::string> load_data();
void unload_data();

#endif
