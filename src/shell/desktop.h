#ifndef KRAG_SHELL_DESKTOP_H
#define KRAG_SHELL_DESKTOP_H

// How the desktop knows the game's window: its class (krag / KRAG, which the desktop
// entry's StartupWMClass names) and its icon.

// The icon for every window made from now on: XPM data as a C array (the game's is
// drawn by the art generator from its sprites). Null: the library's own.
void set_window_icon(const char *const *xpm);

// Names the window's class; call before the library starts (it makes its window then).
void set_window_class();

#endif
