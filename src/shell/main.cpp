#include "shell/desktop.h"
#include "shell/shell.h"

// krag_icon_xpm: the desktop icon at 32x32, written by the art generator.
#include "krag.xpm"

int main(int argc, char **argv) {
    set_window_icon(krag_icon_xpm);
    return krag_main(argc, argv);
}
