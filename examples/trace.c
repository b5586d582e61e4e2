/* trace: the barrage-trace format through the library's C interface.
 *
 *   trace FRAMES [EVERY] [--pattern FILE] [--set NAME=VALUE]... [--replay FILE]
 *
 * Runs the pattern (the demonstration without --pattern), the ship steered by
 * the recording when one is given, and prints the state after every EVERY-th
 * frame and after the last, exactly as barrage-trace does; the pattern's
 * mistakes go to stderr, status 1. */
#include <barrage.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_SETTINGS 64

/* A file's first `most` bytes and one more (so that a longer one is refused). */
static char* read_file(const char* path, size_t most, size_t* size) {
    FILE* file = fopen(path, "rb");
    if (!file) return NULL;
    char* text = malloc(most + 1);
    *size = text ? fread(text, 1, most + 1, file) : 0;
    fclose(file);
    return text;
}

/* The moves of a recording file, a code a frame; NULL when it is none. */
static uint8_t* read_moves(const char* path, int64_t* frames) {
    size_t size = 0;
    char* text = read_file(path, 4 << 20, &size);
    uint8_t* moves = NULL;
    if (text && barrage_read_recording(text, size, NULL, 0, frames) == BARRAGE_OK) {
        moves = malloc((size_t)*frames + 1);
        if (moves) barrage_read_recording(text, size, moves, *frames, frames);
    }
    free(text);
    return moves;
}

static void print_frame(const barrage_world* world, long long frame) {
    printf("frame %lld\n", frame);
    barrage_ship ship;
    if (barrage_has_ship(world) && barrage_get_ship(world, &ship) == BARRAGE_OK) {
        printf("ship %.9g %.9g %d %d\n", (double)ship.x, (double)ship.y, ship.hits, ship.grazes);
    }
    for (int32_t i = 0; i < barrage_shooter_count(world); ++i) {
        barrage_shooter s;
        barrage_get_shooter(world, i, &s);
        printf("shooter %d %d %.9g %.9g %d %d %d %d %d %d %d %d\n", i, s.active, (double)s.x, (double)s.y, s.angle,
               s.movement_steps, s.gun_angle, s.sweep_direction, s.fire_delay, s.shot_index, s.firing_steps, s.live);
        int32_t slots = 0;
        const barrage_bullet* b = barrage_bullets(world, i, &slots);
        for (int32_t j = 0; j < slots; ++j) {
            if (!b[j].alive) continue;
            printf("bullet %d %.9g %.9g %.9g %.9g %d\n", j, (double)b[j].x, (double)b[j].y, (double)b[j].vx,
                   (double)b[j].vy, b[j].age);
        }
    }
}

int main(int argc, char** argv) {
    long long frames = 0, every = 1;
    const char* path = NULL;
    const char* replay = NULL;
    barrage_setting settings[MAX_SETTINGS];
    size_t setting_count = 0;
    int numbers = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--pattern") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else if (strcmp(argv[i], "--replay") == 0 && i + 1 < argc) {
            replay = argv[++i];
        } else if (strcmp(argv[i], "--set") == 0 && i + 1 < argc && setting_count < MAX_SETTINGS) {
            char* equals = strchr(argv[++i], '=');
            if (!equals) break;
            *equals = '\0';
            settings[setting_count].name = argv[i];
            settings[setting_count++].value = strtod(equals + 1, NULL);
        } else if (numbers < 2 && atoll(argv[i]) > 0) {
            *(numbers++ == 0 ? &frames : &every) = atoll(argv[i]);
        } else {
            numbers = -1;
            break;
        }
    }
    if (numbers < 1) {
        fprintf(stderr, "usage: trace FRAMES [EVERY] [--pattern FILE] [--set NAME=VALUE]... [--replay FILE]\n");
        return 2;
    }

    barrage_pattern* pattern = NULL;
    if (path) {
        size_t size = 0;
        char* text = read_file(path, BARRAGE_MAX_TEXT, &size);
        if (!text) {
            fprintf(stderr, "trace: cannot read %s\n", path);
            return 1;
        }
        const int32_t status = barrage_read_pattern(text, size, path, settings, setting_count, &pattern);
        free(text);
        for (int32_t i = 0; i < barrage_message_count(pattern); ++i) {
            barrage_message m;
            barrage_get_message(pattern, i, &m);
            if (m.severity == BARRAGE_SEVERITY_ERROR) fprintf(stderr, "%s:%d:%d: error: %s\n", path, m.line, m.column, m.text);
        }
        if (status != BARRAGE_OK) {
            fprintf(stderr, "trace: %s\n", barrage_status_text(status));
            barrage_free_pattern(pattern);
            return 1;
        }
    }
    barrage_world* world = NULL;
    if (barrage_make_world(pattern, &world) != BARRAGE_OK) {
        fprintf(stderr, "trace: cannot make the world\n");
        barrage_free_pattern(pattern);
        return 1;
    }
    int64_t recorded = 0;
    uint8_t* moves = NULL;
    if (replay) {
        moves = read_moves(replay, &recorded);
        barrage_ship ship;
        barrage_get_ship(world, &ship);
        if (!moves || barrage_set_ship(world, ship.x, ship.y) != BARRAGE_OK) {
            fprintf(stderr, "trace: %s is no recording\n", replay);
            return 1;
        }
    }
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    for (long long frame = 1; frame <= frames; ++frame) {
        barrage_step(world, frame <= recorded ? moves[frame - 1] : BARRAGE_MOVE_NONE);
        if (frame % every == 0 || frame == frames) print_frame(world, frame);
    }
    free(moves);
    barrage_free_world(world);
    barrage_free_pattern(pattern);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}
