/* game: dodge a pattern. A small game over the library, in one sitting.
 *
 *   game PATTERN.toml [--frames N]
 *
 * The arrows or WASD steer the ship (Shift: slower); three lives, each hit
 * costing one and two seconds of grace; Escape or the close button ends it.
 * The world steps sixty times a second of game time whatever the display's
 * rate. --frames N plays N frames with nobody steering, as fast as it can,
 * and prints the score (for tests, and with no window when SDL finds none). */
#include <barrage.h>
#include <SDL.h>

#include <stdio.h>
#include <stdlib.h>

enum { SCALE = 2, LIVES = 3, GRACE_FRAMES = 120 };

static barrage_pattern* read_pattern(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return NULL;
    static char text[BARRAGE_MAX_TEXT + 1];
    const size_t size = fread(text, 1, sizeof text, file);
    fclose(file);
    barrage_pattern* pattern = NULL;
    if (barrage_read_pattern(text, size, path, NULL, 0, &pattern) != BARRAGE_OK) {
        for (int32_t i = 0; i < barrage_message_count(pattern); ++i) {
            barrage_message m;
            barrage_get_message(pattern, i, &m);
            fprintf(stderr, "%s:%d:%d: %s\n", path, m.line, m.column, m.text);
        }
        barrage_free_pattern(pattern);
        return NULL;
    }
    return pattern;
}

/* The move the held keys ask for. */
static int32_t steering(void) {
    const Uint8* key = SDL_GetKeyboardState(NULL);
    const int dx = (key[SDL_SCANCODE_RIGHT] || key[SDL_SCANCODE_D]) - (key[SDL_SCANCODE_LEFT] || key[SDL_SCANCODE_A]);
    const int dy = (key[SDL_SCANCODE_DOWN] || key[SDL_SCANCODE_S]) - (key[SDL_SCANCODE_UP] || key[SDL_SCANCODE_W]);
    static const int32_t moves[3][3] = {{BARRAGE_MOVE_UP_LEFT, BARRAGE_MOVE_LEFT, BARRAGE_MOVE_DOWN_LEFT},
                                        {BARRAGE_MOVE_UP, BARRAGE_MOVE_NONE, BARRAGE_MOVE_DOWN},
                                        {BARRAGE_MOVE_UP_RIGHT, BARRAGE_MOVE_RIGHT, BARRAGE_MOVE_DOWN_RIGHT}};
    const int32_t move = moves[dx + 1][dy + 1];
    const int slow = key[SDL_SCANCODE_LSHIFT] || key[SDL_SCANCODE_RSHIFT];
    return move != BARRAGE_MOVE_NONE && slow ? move + BARRAGE_MOVE_FOCUSED : move;
}

/* One frame of play: the world steps and its hits cost lives. */
static void play(barrage_world* world, int32_t move, int* lives, int* grace) {
    barrage_step(world, move);
    int32_t count = 0;
    const barrage_event* events = barrage_events(world, &count);
    for (int32_t i = 0; i < count && *lives > 0; ++i) {
        if (events[i].kind == BARRAGE_EVENT_HIT && *grace == 0) {
            --*lives;
            *grace = GRACE_FRAMES;
        }
    }
    if (*grace > 0) --*grace;
}

static void draw(SDL_Renderer* renderer, const barrage_world* world, int grace) {
    SDL_SetRenderDrawColor(renderer, 8, 8, 24, 255);
    SDL_RenderClear(renderer);
    SDL_SetRenderDrawColor(renderer, 255, 230, 240, 255);
    for (int32_t i = 0; i < barrage_shooter_count(world); ++i) {
        int32_t slots = 0;
        const barrage_bullet* b = barrage_bullets(world, i, &slots);
        for (int32_t j = 0; j < slots; ++j) {
            if (!b[j].alive) continue;
            const SDL_Rect r = {(int)b[j].x - 2, (int)b[j].y - 2, 5, 5};
            SDL_RenderFillRect(renderer, &r);
        }
    }
    barrage_ship ship;
    barrage_get_ship(world, &ship);
    if (grace / 8 % 2 == 0) {  /* blinks while hits do not count */
        SDL_SetRenderDrawColor(renderer, 80, 220, 255, 255);
        const SDL_Rect body = {(int)ship.x - 4, (int)ship.y - 6, 9, 13};
        SDL_RenderFillRect(renderer, &body);
    }
    SDL_RenderPresent(renderer);
}

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && SDL_strcmp(argv[2], "--frames") == 0)) {
        fprintf(stderr, "usage: game PATTERN.toml [--frames N]\n");
        return 2;
    }
    barrage_pattern* pattern = read_pattern(argv[1]);
    barrage_world* world = NULL;
    if (!pattern || barrage_make_world(pattern, &world) != BARRAGE_OK) return 1;
    if (!barrage_has_ship(world)) barrage_set_ship(world, 320, 440);
    int lives = LIVES, grace = 0;

    if (argc == 4) {  /* nobody steering, no window */
        const long frames = atol(argv[3]);
        for (long f = 0; f < frames && lives > 0; ++f) play(world, BARRAGE_MOVE_NONE, &lives, &grace);
        barrage_ship ship;
        barrage_get_ship(world, &ship);
        printf("frames %lld lives %d hits %d grazes %d\n", (long long)barrage_frame(world), lives, ship.hits,
               ship.grazes);
        barrage_free_world(world);
        barrage_free_pattern(pattern);
        return 0;
    }

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "game: no display: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("barrage game", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          BARRAGE_SCREEN_WIDTH * SCALE, BARRAGE_SCREEN_HEIGHT * SCALE, 0);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC) : NULL;
    if (!renderer) {
        fprintf(stderr, "game: no window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_RenderSetLogicalSize(renderer, BARRAGE_SCREEN_WIDTH, BARRAGE_SCREEN_HEIGHT);
    const Uint64 tick = SDL_GetPerformanceFrequency() / 60;
    Uint64 due = SDL_GetPerformanceCounter();
    for (int running = 1; running && lives > 0;) {
        for (SDL_Event e; SDL_PollEvent(&e);) {
            if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) running = 0;
        }
        /* Game time in whole frames, however fast the display draws. */
        for (int n = 0; SDL_GetPerformanceCounter() >= due && n < 4; ++n, due += tick) {
            play(world, steering(), &lives, &grace);
        }
        draw(renderer, world, grace);
        char title[64];
        SDL_snprintf(title, sizeof title, "barrage game: lives %d, frame %lld", lives, (long long)barrage_frame(world));
        SDL_SetWindowTitle(window, title);
        if (SDL_GetPerformanceCounter() < due) SDL_Delay(1);
    }
    barrage_ship ship;
    barrage_get_ship(world, &ship);
    printf("%s after %lld frames: %d hits, %d grazes\n", lives > 0 ? "left" : "game over",
           (long long)barrage_frame(world), ship.hits, ship.grazes);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    barrage_free_world(world);
    barrage_free_pattern(pattern);
    return 0;
}
