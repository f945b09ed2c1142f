#ifndef KRAG_SHELL_EXTENSION_H
#define KRAG_SHELL_EXTENSION_H

// The map format for the Tiled editor: tiled/krag.js in the data folder, copied into
// the folder Tiled loads extensions from ($XDG_CONFIG_HOME/tiled/extensions, else
// ~/.config/tiled/extensions) with the data folder and the game's programs filled in.
#include <string>

// The extension's text with its first line naming `data` and `programs` (absolute
// folders), so that it finds the tile pictures, krag and krag-mapcheck.
std::string tiled_extension_text(const std::string &source, const std::string &data,
                                 const std::string &programs);

// krag --tiled-extension: copies the extension and says where; the exit status.
int install_tiled_extension(const std::string &data, const std::string &programs);

#endif
