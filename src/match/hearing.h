#ifndef KRAG_MATCH_HEARING_H
#define KRAG_MATCH_HEARING_H

// Where a sound seems to come from. With STEREO off (the default) every sound is
// centred: `loud` when its source is in view, `distant` when it is not. With STEREO on
// it is panned by where its source lies across the view (beyond an edge: that side)
// and softened with its distance beyond the view.
struct chearing {
    int volume; // 0-255
    int pan;    // 0 left, 128 centre, 255 right
};

const int HEARING_FADE = 320; // pixels beyond the view at which a stereo sound is at half

chearing hear_at(float x, float y, int loud, int distant);

#endif
