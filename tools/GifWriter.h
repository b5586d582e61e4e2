// An animated GIF of the program's pictures: the display's palette as the
// global colour table, looping forever, each frame after the first only the
// rectangle that changed since the one before, and delays that keep the
// demonstration's pace.
#pragma once

#include <cstdint>
#include <cstdio>

#include "screen/Screen.h"

namespace tools {

struct GifWriter {
    void* gif = nullptr;                                         // the encoder, while open
    FILE* file = nullptr;                                        // where it writes; not owned
    int32_t writeError = 0;                                      // errno of the first failed write
    int32_t encoderError = 0;                                    // giflib's code for its last failure
    int32_t framesWritten = 0;                                   // GIF frames so far
    int32_t every = 1;                                           // program frames per GIF frame
    uint8_t previous[screen::SCREEN_HEIGHT][screen::SCREEN_WIDTH] = {};  // the picture the GIF shows so far
};

// Hundredths of a second GIF frame `index` stays, when each stands for
// `every` frames of a 60-a-second program: the rounding is spread so that any
// run of frames adds up to its true length within one hundredth.
int32_t gifDelay(int64_t index, int32_t every);

// Each returns false on failure, with writer.writeError set when a write
// failed; gifError() then tells the encoder's own reason.
bool openGif(GifWriter& writer, FILE* file, const screen::Screen& screen, int32_t every);
bool addGifFrame(GifWriter& writer, const screen::Screen& screen);
bool closeGif(GifWriter& writer);
const char* gifError(const GifWriter& writer);

}  // namespace tools
