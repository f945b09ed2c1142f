#include "shell/desktop.h"

#include <allegro.h>
#include <xalleg.h>

// The library reads this when it makes a window; its headers do not declare it.
extern "C" void *allegro_icon;

void set_window_icon(const char *const *xpm) { allegro_icon = (void *)xpm; }

void set_window_class() { xwin_set_window_name("krag", "KRAG"); }
