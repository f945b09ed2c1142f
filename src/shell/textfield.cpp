#include "shell/textfield.h"

bool ctext_field::type(const std::string &typed) {
    if (!editing) return false;
    for (char c : typed) {
        if (c == '\r' || c == '\n') {
            editing = false;
        } else if (c == 27) {
            text = before;
            editing = false;
        } else if (c == '\b') {
            if (!text.empty()) text.pop_back();
        } else if (c >= 32 && c < 127 && text.size() < max_chars) {
            text += c;
        }
        if (!editing) return true;
    }
    return false;
}

void ctext_field::draw(BITMAP *b, int x, int y, int colour) const {
    textout_ex(b, font, text.c_str(), x, y, colour, -1);
    if (editing) {
        int cx = x + text_length(font, text.c_str());
        rectfill(b, cx, y, cx + 6, y + 7, colour);
    }
}
