#ifndef KRAG_SHELL_TEXTFIELD_H
#define KRAG_SHELL_TEXTFIELD_H

// A one-line text field on a screen: a click starts the typing, printable characters
// are added up to a length, Backspace takes one away, Enter keeps the text, Escape
// puts back what it was. The screen hands it what the keyboard typed each tick.
#include <allegro.h>
#include <string>

class ctext_field {
  public:
    std::string text;
    bool editing = false;
    size_t max_chars = 15;

    void begin() { editing = true, before = text; }
    void keep() { editing = false; }
    // The characters typed this tick ('\b', '\r', 27 as the library gives them).
    // True when the typing ended with them (Enter or Escape).
    bool type(const std::string &typed);
    // The text at (x, y) in the library's font, with a caret after it while typing.
    void draw(BITMAP *b, int x, int y, int colour) const;

  private:
    std::string before;
};

#endif
