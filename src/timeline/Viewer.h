// The viewer that both front ends share (the native barrage-view and the web
// page): play and pause, step, step back, go to a frame, speed, and two
// overlays on a layer above the picture: trails (each live bullet's last 30
// positions) and path previews (where each body will be over the next 180
// frames, and where each bullet launched in the next 60 will fly, simulated
// ahead on a copy of the world). The program's picture under the layers stays
// exactly the frame the program draws.
#pragma once

#include <array>
#include <cstdint>
#include <vector>
#include <string_view>

#include "dodge/Dodge.h"
#include "screen/Screen.h"
#include "world/Scenario.h"
#include "timeline/Timeline.h"

namespace timeline {

inline constexpr int64_t MAX_SEEK_FRAME = 1'000'000;   // furthest frame a viewer goes to by number
// The one rule for a frame asked for by number, in every front end, its
// number written from MAX_SEEK_FRAME.
inline constexpr auto FRAME_RULE_TEXT = [] {
    constexpr std::string_view words = "a frame is a whole number from 1 to ";
    std::array<char, 64> text{};
    size_t at = 0;
    for (char c : words) text[at++] = c;
    char digits[20] = {};
    size_t count = 0;
    for (int64_t value = MAX_SEEK_FRAME; value > 0; value /= 10) digits[count++] = static_cast<char>('0' + value % 10);
    while (count > 0) text[at++] = digits[--count];
    return text;
}();
inline constexpr const char* FRAME_RULE = FRAME_RULE_TEXT.data();
// A loop asked for by its span, FROM-TO: two frames by FRAME_RULE, FROM before TO.
inline constexpr const char* LOOP_RULE = "a loop is FROM-TO, two frames by that rule, FROM before TO";
inline constexpr int32_t SPEED_COUNT = 5;
inline constexpr int32_t SPEEDS[SPEED_COUNT] = {15, 30, 60, 120, 240};  // frames per second of wall time
inline constexpr const char* SPEED_NAMES[SPEED_COUNT] = {"1/4", "1/2", "1", "2", "4"};  // as multiples of 60
inline constexpr int32_t NORMAL_SPEED = 2;                            // index of 60 a second
inline constexpr int32_t TRAIL_LENGTH = 30;                           // positions a trail shows
inline constexpr int32_t BODY_LOOKAHEAD = 180;                        // frames a body's path shows
inline constexpr int32_t LAUNCH_LOOKAHEAD = 60;                       // frames whose launched bullets are shown
// How long a long seek runs in one tick, by the front end's clock: the viewer
// keeps taking keys, the close request and signals, and drawing, whatever a
// frame of the pattern costs. Without a clock (tests), SEEK_SLICE frames.
inline constexpr int64_t SEEK_SLICE_NS = 25'000'000;
inline constexpr int64_t SEEK_SLICE = 6'000;
// How far the next hit is looked for, from the frame shown.
inline constexpr int64_t HIT_SEARCH_FRAMES = 100'000;
// Hit frames the viewer keeps for going from hit to hit (and the page's marks).
inline constexpr size_t MAX_HIT_FRAMES = 10'000;
inline constexpr int32_t STRIP_HEIGHT = 36;                          // rows of the difficulty strip, at the picture's foot:
                                                                     // a line of text over the bars
// What the held steering keys are (screen::HELD_* bits) as a move.
int32_t steeringMove(uint32_t held);

struct TrailPoint {
    float x = 0.0f;      // pixels
    float y = 0.0f;      // pixels
    int32_t age = 0;     // the bullet's age then; a smaller one later means a new bullet in the slot
    int32_t alive = 0;   // flag: the slot held a live bullet then
};

// Sized for the world when it is made, every shooter's; never in a frame.
struct Trails {
    int64_t frames[TRAIL_LENGTH] = {};  // frame each ring row was recorded after; 0: none
    int32_t shooters = 0;               // shooters a row holds
    std::vector<TrailPoint> points;     // a ring by frame: row, shooter, slot
    std::vector<int32_t> laterAge;      // drawing's scratch, by shooter and slot
};

// What a path preview needs as it simulates ahead, sized for the world when
// it is made. The copy of the world runs BODY_LOOKAHEAD frames ahead of the
// frame shown and keeps each of those frames as a row of a ring; played on,
// it steps one frame a frame (the rows it had stay good), and only a jump
// (a seek, a step back, a remake) simulates all of them again.
struct PathScratch {
    std::vector<uint64_t> snapshot;     // the world as it stands, copied into the viewer's `ahead`
    std::vector<int32_t> aliveBefore;   // by shooter and slot, in the copy's frame before
    std::vector<int32_t> ageBefore;
    std::vector<int32_t> launched;      // by shooter and slot: the frame its bullet was launched in, ahead; 0: before
    std::vector<uint32_t> points;       // by row, as many as its count: a bullet's pixel (x, y << 10) and its
                                        // frames since launch (<< 19)
    std::vector<int32_t> pointCount;    // by row
    std::vector<float> bodies;          // x, y by row and shooter
    std::vector<int32_t> bodyActive;    // by row and shooter
    int64_t base = 0;                   // the frame the rows follow (they hold base + 1 to base + BODY_LOOKAHEAD);
                                        // 0: none yet
};

// Whether the pattern can be survived, as a front end worked it out (on a
// thread, or in the page's worker): the difficulty strip along its frames and
// the positions the ship could be on at the frame shown.
struct Fairness {
    dodge::Answer answer;     // the answer taken, its checkpoints kept; none while `known` is 0
    int32_t known = 0;        // flag
    int32_t show = 0;         // flag (`y`): the strip and the reachable positions are drawn
    int32_t wanted = 0;       // flag: `y` asked for an answer not there; the front end clears it as it starts one
    int32_t working = 0;      // flag: the front end is working one out
    int32_t version = 0;      // goes up whenever the answer is taken or dropped
    char said[screen::TEXT_COLUMNS + 1] = {};  // the answer in words, the strip's line
    dodge::Cursor cursor;     // the reachable positions at the frame shown, from the answer's checkpoints
    double columns[screen::SCREEN_WIDTH] = {};  // the strip's: the least freedom of each column's frames
    int32_t columnsOf = -1;   // the version of the answer they were worked out from; -1 none
};

struct Viewer {
    Timeline timeline;                  // the world shown and its snapshots
    screen::Layers layers;             // overlay and status lines, above and under the picture
    int32_t layersVersion = 0;          // goes up whenever the layers change
    int32_t overlayVersion = 0;         // goes up whenever the overlay may have changed
    int32_t overlayDrawn = 0;           // flag: the overlay holds something
    int32_t playing = 0;                // flag: frames run at the speed
    int32_t speed = NORMAL_SPEED;       // index into SPEEDS
    int32_t credit = 0;                 // frames owed, in 60ths of a frame
    int32_t showTrails = 0;             // flag: `t`
    int32_t showPaths = 0;              // flag: `p`
    int32_t typing = 0;                 // flag: `g` was pressed and digits follow
    int64_t typed = 0;                  // the frame number typed so far
    int32_t refused = 0;                // flag: the frame typed broke FRAME_RULE; the status says so until a key
    int32_t quit = 0;                   // flag: Escape, `q` or the close request (the native viewer ends)
    int64_t seeking = 0;                // frame a long seek is on its way to, a slice a tick; 0: none
    int64_t (*clock)(void* context) = nullptr;  // the front end's clock, ns; none: SEEK_SLICE frames a tick
    void* clockContext = nullptr;       // what the clock is given
    int64_t sliceEnd = 0;               // when this tick's slice of a long seek ends, on that clock
    int64_t shown = 0;                  // frame on the visible page
    int32_t drawn = 0;                  // goes up whenever a frame is drawn onto the visible page
    char notice[screen::TEXT_COLUMNS + 1] = {};  // a line for the user (a pattern refused); empty: none
    int32_t firstShooter = 0;           // the first shooter with a line of the strip; `[` and `]` move it
    int64_t loopFrom = 0;               // a span played in a loop, its first frame (`a`); 0: none
    int64_t loopTo = 0;                 // its last frame (`b`); 0: none
    int32_t resume = 0;                 // flag: play on once the seek under way is done (a loop's jump back)
    int32_t replay = 0;                 // flag (`0`): a remake goes back to frame 1, not to the frame shown
    int32_t flying = 0;                 // flag (`f`): the keys steer the ship, and each frame played is recorded
    int32_t steer = 0;                  // the move the front end's steering makes now (world::MOVE_*)
    std::vector<uint8_t> moves;         // the recording: the ship's move in each frame, frame 1 first
    int32_t recordingVersion = 0;       // goes up whenever the recording changes
    int64_t droppedAfter = 0;           // the frame a takeover dropped the recording after; 0: none to tell
    int64_t dropped = 0;                // frames it dropped
    int32_t pauseAtHit = 0;             // flag (`h`): playing pauses at each hit
    std::vector<int64_t> hitFrames;     // the frames with a hit, in order, as far as the world has run
    int64_t hunting = 0;                // a search for the next hit: the furthest frame it looks at; 0: none
    int64_t huntFrom = 0;               // the frame it started from
    int64_t found = 0;                  // the first hit past huntFrom it has found; 0: none yet
    Trails trails;                      // recent bullet positions, as the frames ran
    world::World ahead;                 // the copy of the world that path previews simulate
    PathScratch paths;                  // what they work in
    Fairness fairness;                  // `y`: how hard each frame is, and where the ship could be
};

// Opens the program on the world the maker sets up (the demonstration by
// default) and shows `frame` (1 or more), playing or paused.
void openViewer(Viewer& viewer, int64_t frame, bool paused, int32_t speed, const world::WorldMaker& maker = {});
void closeViewer(Viewer& viewer);
// The world set up anew as the maker says (an edited pattern), back on the
// frame shown, playing or paused as before.
void remakeViewer(Viewer& viewer, const world::WorldMaker& maker);
// A line in the status strip until the next remake; empty clears it.
void noticeViewer(Viewer& viewer, const char* notice);
// An answer the front end worked out for the world as the viewer's maker
// makes it (from frame 1, its checkpoints kept): shown at once, and said in
// the strip. `working` says one is on its way (or no longer is).
void fairnessViewer(Viewer& viewer, dodge::Answer&& answer);
void fairnessWorking(Viewer& viewer, bool working);
// The way through of the answer shown, replayed from frame 1; false when
// there is none.
bool wayViewer(Viewer& viewer);
// A key in the display's codes (screen/Screen.h).
void viewerKey(Viewer& viewer, int32_t code);
// The move the steering makes now (the held keys', or toward the pointer),
// for the frames played while flying.
void steerViewer(Viewer& viewer, int32_t move);
// Starts (and stops) flying: the ship, given to a world without one, steered
// from the frame shown on; the recording's frames after it are dropped once
// the first frame is played.
void flyViewer(Viewer& viewer, bool on);
// A recording to replay (at most MAX_SEEK_FRAME moves): the ship, given to a
// world without one, makes its moves; back on frame `frame`.
void replayViewer(Viewer& viewer, const uint8_t* moves, size_t count, int64_t frame);
// Goes to the next hit after the frame shown (looked for up to
// HIT_SEARCH_FRAMES on, a slice a tick), or the last one before it.
void nextHitViewer(Viewer& viewer);
void previousHitViewer(Viewer& viewer);
// A span played in a loop while playing: from frame `from` to frame `to`
// (from < to, both 1 to MAX_SEEK_FRAME); 0, 0: none. False, with nothing
// changed, for another span.
bool loopViewer(Viewer& viewer, int64_t from, int64_t to);
// One tick of the display's 60-a-second schedule: the frames due at the speed.
void tickViewer(Viewer& viewer);
// Shows `frame`, clamped to 1 to MAX_SEEK_FRAME, and pauses; a long way is
// run a slice a tick, the status saying how far it has got, and Escape stops
// it where it has got to.
void seekViewer(Viewer& viewer, int64_t frame);
// The frame on the visible page.
int64_t viewerFrame(const Viewer& viewer);
// The frames with a hit, in order, as far as the world has run.
const std::vector<int64_t>& viewerHits(const Viewer& viewer);
// A frame asked for by number: digits only, 1 to MAX_SEEK_FRAME (leading
// zeros allowed). False, with frame untouched, for anything else.
bool parseFrame(const char* text, int64_t* frame);
// A loop asked for by its span, FROM-TO, each as parseFrame takes it and FROM
// before TO. False, with both untouched, for anything else.
bool parseLoop(const char* text, int64_t* from, int64_t* to);

}  // namespace timeline
