// The GIF encoding, through giflib.
#include "tools/GifWriter.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstring>

namespace tools {

namespace {

GifFileType* encoder(const GifWriter& writer) { return static_cast<GifFileType*>(writer.gif); }

int writeBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    auto& writer = *static_cast<GifWriter*>(gif->UserData);
    if (writer.writeError) return 0;
    const size_t written = std::fwrite(bytes, 1, static_cast<size_t>(count), writer.file);
    if (written != static_cast<size_t>(count) || std::ferror(writer.file)) writer.writeError = errno ? errno : EIO;
    return static_cast<int>(written);
}

bool failed(GifWriter& writer, int result) {
    if (result == GIF_ERROR) writer.encoderError = encoder(writer)->Error;
    return result == GIF_ERROR || writer.writeError != 0;
}

// NETSCAPE2.0 with a loop count of 0: play forever.
bool putLoopForever(GifWriter& writer) {
    GifFileType* gif = encoder(writer);
    static const GifByteType NAME[] = "NETSCAPE2.0";
    static const GifByteType LOOP[] = {1, 0, 0};
    return !failed(writer, EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE)) &&
           !failed(writer, EGifPutExtensionBlock(gif, 11, NAME)) &&
           !failed(writer, EGifPutExtensionBlock(gif, 3, LOOP)) && !failed(writer, EGifPutExtensionTrailer(gif));
}

}  // namespace

int32_t gifDelay(int64_t index, int32_t every) {
    // Frame i ends at 100 x every x (i + 1) / 60 hundredths, rounded down.
    const int64_t perFrameTimes3 = 5 * static_cast<int64_t>(every);
    return static_cast<int32_t>(perFrameTimes3 * (index + 1) / 3 - perFrameTimes3 * index / 3);
}

bool openGif(GifWriter& writer, FILE* file, const screen::Screen& screen, int32_t every) {
    writer.file = file;
    writer.writeError = 0;
    writer.framesWritten = 0;
    writer.every = every;
    int error = 0;
    GifFileType* gif = EGifOpen(&writer, writeBytes, &error);
    if (!gif) {
        writer.encoderError = error;
        return false;
    }
    writer.gif = gif;
    EGifSetGifVersion(gif, true);
    GifColorType colours[screen::PALETTE_SIZE];
    for (int32_t i = 0; i < screen::PALETTE_SIZE; ++i) {
        colours[i] = {screen.palette[i][0], screen.palette[i][1], screen.palette[i][2]};
    }
    ColorMapObject* map = GifMakeMapObject(screen::PALETTE_SIZE, colours);
    if (!map) return false;
    const bool described =
        !failed(writer, EGifPutScreenDesc(gif, screen::SCREEN_WIDTH, screen::SCREEN_HEIGHT, 8, 0, map));
    GifFreeMapObject(map);
    return described && putLoopForever(writer);
}

bool addGifFrame(GifWriter& writer, const screen::Screen& screen) {
    GifFileType* gif = encoder(writer);
    const auto& page = screen.pages[screen.visiblePage];
    // The rectangle that changed; all of it for the first frame.
    int32_t left = 0, top = 0, right = screen::SCREEN_WIDTH - 1, bottom = screen::SCREEN_HEIGHT - 1;
    if (writer.framesWritten > 0) {
        left = screen::SCREEN_WIDTH, top = screen::SCREEN_HEIGHT, right = -1, bottom = -1;
        for (int32_t y = 0; y < screen::SCREEN_HEIGHT; ++y) {
            if (std::memcmp(page[y], writer.previous[y], screen::SCREEN_WIDTH) == 0) continue;
            if (top > y) top = y;
            bottom = y;
            for (int32_t x = 0; x < screen::SCREEN_WIDTH; ++x) {
                if (page[y][x] == writer.previous[y][x]) continue;
                if (left > x) left = x;
                if (right < x) right = x;
            }
        }
        if (bottom < 0) left = top = right = bottom = 0;  // nothing changed: one pixel, as it was
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = gifDelay(writer.framesWritten, writer.every);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    if (failed(writer, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension))) return false;
    const int32_t width = right - left + 1, height = bottom - top + 1;
    if (failed(writer, EGifPutImageDesc(gif, left, top, width, height, false, nullptr))) return false;
    for (int32_t y = top; y <= bottom; ++y) {
        GifPixelType row[screen::SCREEN_WIDTH];
        std::memcpy(row, &page[y][left], static_cast<size_t>(width));
        if (failed(writer, EGifPutLine(gif, row, width))) return false;
    }
    std::memcpy(writer.previous, page, sizeof writer.previous);
    ++writer.framesWritten;
    return true;
}

bool closeGif(GifWriter& writer) {
    if (!writer.gif) return false;
    int error = 0;
    const int result = EGifCloseFile(encoder(writer), &error);
    writer.gif = nullptr;
    if (result == GIF_ERROR) writer.encoderError = error;
    return result != GIF_ERROR && writer.writeError == 0;
}

const char* gifError(const GifWriter& writer) {
    return writer.writeError ? std::strerror(writer.writeError) : GifErrorString(writer.encoderError);
}

}  // namespace tools
