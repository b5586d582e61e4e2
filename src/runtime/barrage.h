/* barrage: scripted bullet patterns for a game to embed.
 *
 * One C header (C99, and C++ through extern "C"). A host reads a pattern from
 * its text, makes a world of it (or of the built-in demonstration), and steps
 * the world one frame at a time, sixty a second of game time, reading the
 * shooters and their bullets in place between steps. Nothing here prints,
 * aborts or keeps global state: every call says how it went by its result,
 * and separate worlds may be stepped on separate threads (one world, or one
 * pattern being read, is one thread's at a time). A pattern may be shared by
 * any number of worlds, read-only, and must outlive them.
 *
 * The frame, as barrage_step runs it:
 *   1. the ship (when the world has one) takes the frame's move;
 *   2. each active shooter, in index order: its movement program counts down
 *      (loading its next step when one ends) and the body moves; its firing
 *      program counts down likewise; then, while its gun is on, the gun may
 *      turn and fire a volley into free slots of the shooter's store (a full
 *      store drops the rest), and every live bullet of the slots in use moves
 *      and ages; one that has left the play area (the screen and 50 pixels
 *      round it) is retired, its slot free for the next frame's volleys. A
 *      gun switched off leaves its bullets where they are;
 *   3. right after each shooter's bullets have moved, those that touch the
 *      ship are counted: a bullet hits once within the hitbox and bullet
 *      radii, grazes once within the graze and bullet radii; it flies on.
 * The frame number then counts the frames run; the events are the last
 * frame's. Positions are pixels on a 640 x 480 screen, y growing downwards.
 */
#ifndef BARRAGE_H
#define BARRAGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define BARRAGE_EXPORT
#elif defined(__GNUC__)
#define BARRAGE_EXPORT __attribute__((visibility("default")))
#else
#define BARRAGE_EXPORT
#endif

/* The interface this header describes; barrage_version() says the library's. */
#define BARRAGE_API_VERSION 2

/* Results: 0 is success, every failure is negative. */
#define BARRAGE_OK 0
#define BARRAGE_ERROR_ARGUMENT (-1) /* a null pointer, an index or a value out of range */
#define BARRAGE_ERROR_REFUSED (-2)  /* the pattern text has errors: its messages say them */
#define BARRAGE_ERROR_MEMORY (-3)   /* memory ran out; nothing was changed */
#define BARRAGE_ERROR_ROOM (-4)     /* the caller's buffer is too small */
#define BARRAGE_ERROR_SAVE (-5)     /* the bytes are not a save of a world made like this one */

/* A frame's move for the ship: none, or one of eight directions from right
 * round clockwise (on screen), and the same plus BARRAGE_MOVE_FOCUSED at the
 * slower speed. Any other value is no move. */
#define BARRAGE_MOVE_NONE 0
#define BARRAGE_MOVE_RIGHT 1
#define BARRAGE_MOVE_DOWN_RIGHT 2
#define BARRAGE_MOVE_DOWN 3
#define BARRAGE_MOVE_DOWN_LEFT 4
#define BARRAGE_MOVE_LEFT 5
#define BARRAGE_MOVE_UP_LEFT 6
#define BARRAGE_MOVE_UP 7
#define BARRAGE_MOVE_UP_RIGHT 8
#define BARRAGE_MOVE_FOCUSED 9

#define BARRAGE_SCREEN_WIDTH 640
#define BARRAGE_SCREEN_HEIGHT 480
#define BARRAGE_STORE_SLOTS 256  /* bullet slots in each shooter's store */
#define BARRAGE_MAX_TEXT (1 << 20) /* a pattern text's bytes at most */

#define BARRAGE_SEVERITY_ERROR 2
#define BARRAGE_SEVERITY_WARNING 1

#define BARRAGE_EVENT_HIT 1
#define BARRAGE_EVENT_GRAZE 2

typedef struct barrage_pattern barrage_pattern; /* a pattern read, with its messages */
typedef struct barrage_world barrage_world;     /* a world of shooters, stepped frame by frame */

/* A parameter set as the tools' --set NAME=VALUE does. */
typedef struct barrage_setting {
    const char* name;
    double value;
} barrage_setting;

/* One finding of the reader, as the tools print it: FILE:LINE:COLUMN. */
typedef struct barrage_message {
    int32_t line;       /* 1 and up; 0: the text as a whole */
    int32_t column;     /* 1 and up, in characters; 0: the text as a whole */
    int32_t end_column; /* the column after the range it is about; 0: one character */
    int32_t severity;   /* BARRAGE_SEVERITY_ERROR or BARRAGE_SEVERITY_WARNING */
    const char* name;   /* a warning's name (what "# allow: NAME" silences); "" for none */
    const char* text;   /* what is wrong, in words */
} barrage_message;

/* A shooter as the last frame left it. */
typedef struct barrage_shooter {
    float x;                 /* the body's centre, pixels */
    float y;
    int32_t active;          /* non-zero: it runs (an inactive shooter is frozen and not drawn) */
    int32_t angle;           /* the body's angle, degrees */
    int32_t movement_steps;  /* movement steps loaded since its program last began again */
    int32_t gun_angle;       /* the gun's angle, degrees */
    int32_t sweep_direction; /* 1 or -1 */
    int32_t fire_delay;      /* frames until the gun next fires */
    int32_t shot_index;      /* volleys fired in the step in force */
    int32_t firing_steps;    /* firing steps loaded since its program last began again */
    int32_t live;            /* live bullets in the slots in use */
    int32_t slots;           /* slots in use (the rest are neither moved nor drawn) */
} barrage_shooter;

/* A bullet slot, read in place: the store's own record. A slot holds a bullet
 * while `alive` is non-zero; the slot's index is the game's handle for it,
 * until it is retired. The fields past the velocity are the engine's own
 * state, read-only, given so that a bullet's data comes with it. */
typedef struct barrage_bullet {
    float x;  /* centre, pixels */
    float y;
    float vx; /* pixels a frame */
    float vy;
    float held_vx; /* the velocity kept while halted */
    float held_vy;
    float ax; /* pixels a frame per frame */
    float ay;
    float boost_x; /* the growing increment of the accelerating motion */
    float boost_y;
    int32_t alive;   /* non-zero: a live bullet */
    int32_t age;     /* frames since launch */
    int32_t halt_at; /* the age at which it halts; 0 or less: never */
    int32_t heading; /* the direction it was launched in, degrees */
    int32_t reserved1;
    int32_t tag_key; /* the tags its gun gave it */
    int32_t tag_a;
    int32_t reserved2;
    int32_t tag_b;
    int32_t tag_c;
    int32_t motion; /* its motion, 0 to 3 */
} barrage_bullet;

/* Where a bullet's own program stands, for a pattern whose bullets run
 * programs of their own ([bullet.NAME]). */
typedef struct barrage_bullet_run {
    int32_t program;   /* the program it runs, by its place in barrage_bullet_program_name's list; -1: none
                        * (it moves as its motion says, or the slot is free); -2: ended (its changes under
                        * way go on); -3: vanished this frame */
    int32_t action;    /* its next action, from 0, its repeats' actions counted where they stand */
    int32_t wait;      /* frames before that action runs */
    float direction;   /* degrees: its velocity is made from these two whenever an action changes them */
    float speed;       /* pixels a frame */
    int32_t index;     /* its place in its volley, from 0 */
    int32_t volley;    /* its volley's size */
    int32_t depth;     /* repeats under way */
} barrage_bullet_run;

/* The player's ship. */
typedef struct barrage_ship {
    float x; /* centre, whole pixels */
    float y;
    int32_t hits;     /* bullets that have hit it */
    int32_t grazes;   /* bullets that have grazed it */
    int32_t last_hit; /* the frame of the last hit; 0: none */
    int32_t focused;  /* non-zero: the last move was focused */
    float hit_radius; /* pixels */
    float bullet_radius;
    float graze_radius;
    int32_t speed; /* whole pixels a frame along an axis */
    int32_t focused_speed;
} barrage_ship;

/* A bullet that hit or grazed the ship in the last frame. */
typedef struct barrage_event {
    int32_t kind;    /* BARRAGE_EVENT_HIT or BARRAGE_EVENT_GRAZE */
    int32_t shooter; /* whose store it is in */
    int32_t slot;    /* its slot */
} barrage_event;

/* A live bullet, by its place. */
typedef struct barrage_bullet_ref {
    int32_t shooter;
    int32_t slot;
} barrage_bullet_ref;

/* The library's interface version (BARRAGE_API_VERSION when it was built)
 * and its release, as text. */
BARRAGE_EXPORT int32_t barrage_version(void);
BARRAGE_EXPORT const char* barrage_version_text(void);
/* A result in words ("the pattern text has errors", ...). */
BARRAGE_EXPORT const char* barrage_status_text(int32_t status);

/* Reads a pattern from `size` bytes of text (UTF-8, at most BARRAGE_MAX_TEXT),
 * `file` naming it in messages (NULL: "pattern"), with `setting_count`
 * settings. On BARRAGE_OK or BARRAGE_ERROR_REFUSED *pattern is a pattern to
 * free, holding the messages (a refused one makes no world); on any other
 * result it is NULL. */
BARRAGE_EXPORT int32_t barrage_read_pattern(const char* text, size_t size, const char* file,
                                            const barrage_setting* settings, size_t setting_count,
                                            barrage_pattern** pattern);
/* A pattern as bytes, for a game to ship instead of its text (and for the
 * smaller WebAssembly module, which has no text reader): the bytes of a
 * pattern read, how many in *needed (BARRAGE_ERROR_ROOM when `size` is
 * fewer); and a pattern from such bytes, made by the same version of the
 * library (BARRAGE_ERROR_REFUSED for anything else). A pattern from bytes
 * has no messages. */
BARRAGE_EXPORT int32_t barrage_pack_pattern(const barrage_pattern* pattern, void* buffer, size_t size, size_t* needed);
BARRAGE_EXPORT int32_t barrage_read_packed(const void* bytes, size_t size, barrage_pattern** pattern);
/* Its findings in file order (at most 100; the rest only counted). The
 * message's texts live as long as the pattern. */
BARRAGE_EXPORT int32_t barrage_message_count(const barrage_pattern* pattern);
BARRAGE_EXPORT int32_t barrage_get_message(const barrage_pattern* pattern, int32_t index, barrage_message* message);
/* Errors and warnings found past those kept. */
BARRAGE_EXPORT int64_t barrage_unshown_messages(const barrage_pattern* pattern);
/* Non-zero when the pattern was refused. */
BARRAGE_EXPORT int32_t barrage_pattern_refused(const barrage_pattern* pattern);
BARRAGE_EXPORT void barrage_free_pattern(barrage_pattern* pattern);

/* A world of the pattern (NULL: the demonstration), at frame 0. It has a
 * ship when the pattern has a [player] table or aims at the player;
 * barrage_set_ship gives it one. */
BARRAGE_EXPORT int32_t barrage_make_world(const barrage_pattern* pattern, barrage_world** world);
BARRAGE_EXPORT void barrage_free_world(barrage_world* world);

/* One frame, the ship (when there is one) taking `move` first. */
BARRAGE_EXPORT int32_t barrage_step(barrage_world* world, int32_t move);
/* Puts the ship at (x, y), rounded to whole pixels and kept on the screen,
 * for a game that moves its own player; gives the world a ship if it has
 * none (the pattern's [player] settings, or the defaults). */
BARRAGE_EXPORT int32_t barrage_set_ship(barrage_world* world, float x, float y);
/* Non-zero when the world has a ship; its state. */
BARRAGE_EXPORT int32_t barrage_has_ship(const barrage_world* world);
BARRAGE_EXPORT int32_t barrage_get_ship(const barrage_world* world, barrage_ship* ship);

/* Frames run since the world was made. */
BARRAGE_EXPORT int64_t barrage_frame(const barrage_world* world);
BARRAGE_EXPORT int32_t barrage_shooter_count(const barrage_world* world);
BARRAGE_EXPORT int32_t barrage_get_shooter(const barrage_world* world, int32_t index, barrage_shooter* shooter);
/* Shooter `index`'s store, read in place until the next step or restore:
 * *slots is how many slots from 0 are in use (skip those not alive). NULL,
 * and *slots 0, for an index out of range. */
BARRAGE_EXPORT const barrage_bullet* barrage_bullets(const barrage_world* world, int32_t index, int32_t* slots);
/* Where the program of the bullet in shooter `shooter`'s slot `slot` stands
 * (program -1 for a world whose bullets run none). */
BARRAGE_EXPORT int32_t barrage_get_bullet_run(const barrage_world* world, int32_t shooter, int32_t slot,
                                              barrage_bullet_run* run);
/* The name of the pattern's bullet program `index` (0 up), or NULL past the last. */
BARRAGE_EXPORT const char* barrage_bullet_program_name(const barrage_pattern* pattern, int32_t index);

/* The bullets that hit or grazed the ship in the last frame, in the order
 * they were counted (shooter by shooter, slot by slot); *count of them. Read in
 * place until the next step or restore. */
BARRAGE_EXPORT const barrage_event* barrage_events(const barrage_world* world, int32_t* count);

/* The live bullets of active shooters whose centres lie closer than `radius`
 * to (x, y) (add a bullet's own radius to a circle's): how many, the first
 * `capacity` of them written to `found` (which may be NULL when capacity is
 * 0). Negative on a bad argument. */
BARRAGE_EXPORT int32_t barrage_hit_test(const barrage_world* world, float x, float y, float radius,
                                        barrage_bullet_ref* found, int32_t capacity);

/* Reads a recording of a run (the viewer's and the page's text format, at
 * most 4 MiB): its moves, a code a frame from frame 1, the first `capacity`
 * written to `moves` (which may be NULL when capacity is 0), and how many
 * frames it holds in *frames. BARRAGE_ERROR_REFUSED for anything that is not
 * a whole recording. */
BARRAGE_EXPORT int32_t barrage_read_recording(const char* text, size_t size, uint8_t* moves, int64_t capacity,
                                              int64_t* frames);

/* The whole world as bytes in the caller's buffer (for replays, rewinds and
 * rollback): how many bytes it takes, the save, and the world put back as it
 * was. A save restores only into a world made from the same pattern (or the
 * demonstration) by the same interface version; anything else is
 * BARRAGE_ERROR_SAVE and leaves the world as it was. */
BARRAGE_EXPORT size_t barrage_save_size(const barrage_world* world);
BARRAGE_EXPORT int32_t barrage_save(const barrage_world* world, void* buffer, size_t size);
BARRAGE_EXPORT int32_t barrage_restore(barrage_world* world, const void* buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* BARRAGE_H */
