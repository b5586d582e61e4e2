// The world: a set of shooters, set up (the demonstration's, or as a pattern
// says), stepped once per frame and torn down. It touches no display: the
// shell draws a stepped world, so a world runs unseen (seeking, path previews,
// traces, the pattern check) at the cost of the simulation alone.
#pragma once

#include <cstdint>
#include <vector>

#include "actions/Actions.h"
#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"
#include "turret/TurretFiring.h"
#include "world/Ship.h"

namespace world {

// What one shooter's last step left for the picture.
struct ShooterFrame {
    int32_t stepped = 0;            // flag: the shooter was active, so it moved and is drawn
    collections::ReadOut emitter;   // the movement program's read-out
    collections::ReadOut turret;    // the firing program's read-out
    int32_t dropped = 0;            // bullets of its volley that found no free slot in its store
};

// A bullet that hit or grazed the ship in the last frame.
inline constexpr int32_t EVENT_HIT = 1;
inline constexpr int32_t EVENT_GRAZE = 2;
struct ShipEvent {
    int32_t kind = 0;     // EVENT_HIT or EVENT_GRAZE
    int32_t shooter = 0;  // whose store holds it
    int32_t slot = 0;     // its slot
};

// How a movement step brings the body to its x, y when it is loaded.
inline constexpr int32_t PUT = 0;    // put there, at once (the engine's own way)
inline constexpr int32_t KEEP = 1;   // kept where it is
inline constexpr int32_t GLIDE = 2;  // from where it is, drifting to arrive in the step's last frame

// A firing step's field worked out anew before each of its shots.
struct ShotValue {
    int32_t offset = 0;      // in the gun's record (actor::TurretStep), bytes
    int32_t isFloat = 0;     // flag: a float field; otherwise a whole number
    int32_t least = 0;       // a whole number's range: the value is rounded to nearest and held within it
    int32_t most = 0;
    int32_t formula = -1;    // in the world's formulas
};

// How a program comes back to its first step after its last.
inline constexpr int32_t LOOP_HOLD = 0;     // the engine's way: the last step holds one frame more
inline constexpr int32_t LOOP_AT_ONCE = 1;  // the first step comes in the frame after the last step's last

// What a stored firing step asks beyond its record.
struct FiringAsks {
    turret::Carry carry;
    std::vector<ShotValue> shotValues;
};

// What one shooter's stored steps ask beyond their records, by step.
struct StepCarries {
    std::vector<const actor::EmitterStep*> movementSteps;  // stored movement steps, in order
    std::vector<int32_t> from;                             // PUT, KEEP or GLIDE, one a step
    std::vector<const actor::TurretStep*> firingSteps;     // stored firing steps, in order
    std::vector<FiringAsks> firing;                        // one a step
    const actor::TurretStep* lastStep = nullptr;           // the firing step found last, and what it asks
    const FiringAsks* last = nullptr;
    int32_t shots = 0;                                     // the step in force has fired since it was loaded
    int32_t movementLoop = LOOP_HOLD;                      // how each program comes back to its first step
    int32_t firingLoop = LOOP_HOLD;
};

struct World {
    actor::Shooter* shooters = nullptr;  // one array, owned, made at set-up
    int32_t count = 0;                     // shooters in the array, recorded when it was made
    ShooterFrame* frames = nullptr;        // one per shooter: what the last step left to draw; owned
    float* points = nullptr;               // fixed points (x then y) that firing steps may follow; owned
    int32_t pointCount = 0;                // points held
    Ship ship;                             // the player's ship, when present
    uint8_t* marks = nullptr;              // by shooter and slot: MARK_HIT, MARK_GRAZED; owned, made with the shooters
    ShipEvent* events = nullptr;           // the last frame's hits and grazes, when given: room for one a slot
                                           // (count x BULLET_CAPACITY), the caller's
    int32_t eventCount = 0;                // events the last frame wrote
    const actions::Programs* programs = nullptr;  // the bullets' programs, the maker's; none: no bullet runs one
    actions::ShooterRuns* runs = nullptr;  // one per shooter while there are programs: where each bullet's stands; owned
    uint64_t draws = 0;                    // the state the programs' run-time rand() draws from, from their seed
    StepCarries* carries = nullptr;        // one per shooter when any step asks more than its record; owned
    const actions::Programs* formulas = nullptr;  // what ShotValue::formula indexes, the maker's
};

// How a world is set up: the demonstration's scenario by default, or a
// pattern. Called on a world with no shooters; leaves it set up and rewound.
struct WorldMaker {
    void (*make)(const void* context, World& world) = nullptr;  // none: the demonstration
    const void* context = nullptr;                               // what make needs, the caller's
};

// Makes and constructs the shooters, fills their programs from the scenario
// and rewinds the programs.
void setUpWorld(World& world);
// Set up as the maker says.
void setUpWorld(World& world, const WorldMaker& maker);
// For a maker: `count` constructed shooters, each with its two default head
// steps, and room for `points` fixed points, all zero.
void makeShooters(World& world, int32_t count, int32_t points);
// For a maker whose bullets run programs, once every step is in: the
// programs (kept by the maker, never changed while the world lives), and for
// each shooter (`stepPrograms`, one a shooter, or none) the program each of
// its stored firing steps gives the bullets it launches, in order.
void givePrograms(World& world, const actions::Programs* programs, const std::vector<int32_t>* stepPrograms);
// For a maker whose steps ask more than their records, once every step is
// in: for each shooter, how each of its stored movement steps brings the body
// (`from`, one a shooter, in order; missing: PUT) and what each stored firing
// step asks (`firing`, likewise; missing: nothing), its values worked out at
// each shot from `formulas` (kept by the maker), drawing from the world's
// draws, which start from their seed.
void giveCarries(World& world, const std::vector<int32_t>* from, const std::vector<FiringAsks>* firing,
                 const actions::Programs* formulas);
// And how each shooter's two programs loop (LOOP_HOLD or LOOP_AT_ONCE, one a shooter each).
void giveLoops(World& world, const std::vector<int32_t>& movement, const std::vector<int32_t>& firing);
// For a maker, once every step is in: rewinds the movement programs, then the
// firing programs.
void rewindPrograms(World& world);
// One frame of the simulation: the ship's move (when it is present), then
// each active shooter's programs, body, gun and bullets (and the programs of
// its bullets, once they have moved), in index order, then the bullets that
// touch the ship counted. Draws nothing.
void stepWorld(World& world);
// The bullets of the frame just run that touch the ship: a live bullet of an
// active shooter's slots in use whose centre is within the hitbox and bullet
// radii of the ship's centre (dx * dx + dy * dy < (hitRadius + bulletRadius)
// squared, in double precision from the floats) hits it; one within the
// graze and bullet radii grazes it; each bullet counts once for each.
void touchShip(World& world);
// The same for shooter i's bullets alone: stepWorld runs it on each
// shooter's as its frame leaves them, while they are still in the cache.
void touchShooter(World& world, int32_t i);
// Destroys the shooters, last first, and releases the array.
void tearDownWorld(World& world);

}  // namespace world
