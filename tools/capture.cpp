// barrage-capture FIRST [LAST] [--out DIR]: runs the program's own frames with
// no window and no pacing and writes the visible page after each frame from
// FIRST to LAST as DIR/frame-NNNNNN.png, 640 x 480 with the display's palette.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "shell/Program.h"
#include "tools/Arguments.h"

namespace {

constexpr int64_t QUIET_RANGE = 10;  // longer ranges show their progress

bool writePng(const std::string& path, const display::Screen& screen) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, display::SCREEN_WIDTH, display::SCREEN_HEIGHT, 8, PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[display::PALETTE_SIZE];
        for (int32_t i = 0; i < display::PALETTE_SIZE; ++i) {
            palette[i] = {screen.palette[i][0], screen.palette[i][1], screen.palette[i][2]};
        }
        png_set_PLTE(png, info, palette, display::PALETTE_SIZE);
        png_write_info(png, info);
        for (int32_t y = 0; y < display::SCREEN_HEIGHT; ++y) {
            png_write_row(png, screen.pages[screen.visiblePage][y]);
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

int usage() {
    std::fprintf(stderr, "usage: barrage-capture FIRST [LAST] [--out DIR]  (frames counted from 1)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int64_t first = 0, last = 0;
    std::string directory = ".";
    int32_t counts = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            directory = argv[++i];
        } else if (counts < 2 && tools::parseCount(argv[i], counts == 0 ? &first : &last)) {
            ++counts;
        } else {
            return usage();
        }
    }
    if (counts == 0) return usage();
    if (counts == 1) last = first;
    if (last < first) return usage();

    display::SelectBackend(display::Backend::Headless);
    shell::ShooterPass pass;
    shell::startUp(pass);
    int status = 0;
    for (int64_t frame = 1; frame <= last; ++frame) {
        shell::runFrame(pass);
        if (frame < first) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame));
        if (!writePng(directory + name, display::CurrentScreen())) {
            std::fprintf(stderr, "barrage-capture: cannot write %s%s\n", directory.c_str(), name);
            status = 1;
            break;
        }
        if (last - first >= QUIET_RANGE) {
            std::fprintf(stderr, "\rframe %lld of %lld", static_cast<long long>(frame), static_cast<long long>(last));
        }
    }
    if (last - first >= QUIET_RANGE) std::fprintf(stderr, "\n");
    shell::shutDown(pass);
    display::CloseScreen();
    return status;
}
