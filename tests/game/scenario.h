// Scenario tests of the game: run the replay tool (tools/replay) on a script
// in a scratch working directory whose "data" links to the build's data, and
// check the JSON state lines it prints. `replay --help` documents the script
// and the fields of a line.
//
// A scenario is a script and a list of expectations, each a short text:
//
//     "STEP FIELD OP VALUE"    e.g. "19 reload == 0", "4 sfx has 96"
//     "A..B FIELD OP VALUE"    every step from A to B, e.g. "1..18 reload > 0"
//     "last FIELD OP VALUE"    the last line printed
//     "status == 0", "lines == 51"   the exit status, the number of lines
//
// and, when given, the game's messages and the saved state after the run.
//
// OP is one of == != < <= > >= (numbers compare to 1e-5 relative), or "has"
// (the step's sfx list has a sound of that slot) and "hasnt". FIELD may also
// be "A-B": field A minus field B, e.g. "draws-mindraws == 0".
//
//     TEST(Game, Menu) {
//         CheckScenario({"menu after loading", "run 20", {"20 mode == 1", "status == 0"}});
//     }
//
// Failures name the scenario, the expectation and what the line held.
// Relies on POSIX (fork, exec, a scratch directory) and GoogleTest.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// A data folder with one fault: none (the build's data), no data folder at
// all, or one file (a path below data/) missing or cut to half its length.
struct DataDamage {
    enum Kind { kNone, kNoFolder, kMissing, kTruncated };
    Kind kind = kNone;
    std::string file = {};
};

struct Scenario {
    std::string name;
    std::string script;
    std::vector<std::string> expect;
    std::vector<std::string> options = {};  // extra replay options, e.g. {"--music"}
    std::string state = {};                 // the saved state (.vantorstate) before the run
    DataDamage damage = {};                 // what is wrong with the data folder
    // When given: the game's own messages (the output lines that are not
    // state lines), exactly, and the saved state after the run.
    std::optional<std::string> printed = {}, saved = {};
};

// One state line: its text, its numeric fields, and its sfx list as (slot,
// channel).
struct StateLine {
    std::string text;
    std::map<std::string, double> num;
    std::vector<std::pair<int, int>> sfx;
};

struct ReplayResult {
    int status = -1;               // exit status (255 for a runtime error)
    std::string out;               // everything on standard output
    std::string err;               // standard error
    std::vector<StateLine> lines;  // the state lines, step 1 first
    std::string printed;           // the other lines of standard output
    std::string state;             // the saved state after the run, empty when none
};

// Runs the replay tool on `script` in a fresh scratch directory, which holds
// `state` as the saved state when it is not empty.
ReplayResult RunReplay(const std::string& script, const std::vector<std::string>& options = {},
                       const std::string& state = {}, const DataDamage& damage = {});

// Runs the scenario and checks every expectation (non-fatal GoogleTest
// failures). Returns the run for further checks.
ReplayResult CheckScenario(const Scenario& scenario);
