// The scenario runner: a scratch directory with the data linked in, the
// replay tool in a child process, the JSON state lines read back, and the
// expectation texts checked against them. See scenario.h.
#include "tests/game/scenario.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/child_process.h"
#include "tests/support/read_file.h"

namespace {

// Relative tolerance of numeric comparisons: the tool prints floats with 7
// significant digits.
constexpr double kTolerance = 1e-5;

// Reads `"key":value` pairs of one flat line; the value is a number or a
// list of [slot,channel] pairs (sfx).
StateLine ParseLine(const std::string& text) {
    StateLine line{text, {}, {}};
    for (size_t at = 0; (at = text.find('"', at)) != std::string::npos;) {
        const size_t close = text.find('"', at + 1), value = close + 2;  // past '":'
        if (close == std::string::npos || value >= text.size()) break;
        const std::string key = text.substr(at + 1, close - at - 1);
        if (text[value] != '[') {
            line.num[key] = std::strtod(text.c_str() + value, nullptr);
            at = text.find_first_of(",}", value);
            continue;
        }
        // The integers up to the list's end, taken in pairs.
        at = text.find(text[value + 1] == ']' ? "]" : "]]", value);
        if (at == std::string::npos) break;
        std::vector<int> n;
        char* end = nullptr;
        for (const char* p = text.c_str() + value;
             (p = std::strpbrk(p, "-0123456789")) && p < text.c_str() + at; p = end)
            n.push_back(int(std::strtol(p, &end, 10)));
        for (size_t i = 0; i + 1 < n.size(); i += 2)
            line.sfx.emplace_back(n[i], n[i + 1]);
    }
    return line;
}

bool Compare(double actual, const std::string& op, double expected) {
    const double slack = kTolerance * std::max(1.0, std::fabs(expected));
    if (op == "==") return std::fabs(actual - expected) <= slack;
    if (op == "!=") return std::fabs(actual - expected) > slack;
    if (op == "<") return actual < expected - slack;
    if (op == "<=") return actual <= expected + slack;
    if (op == ">") return actual > expected + slack;
    if (op == ">=") return actual >= expected - slack;
    ADD_FAILURE() << "unknown operator " << op;
    return false;
}

// A field of a line, or "a-b" for a difference; NaN when absent.
double Field(const StateLine& line, const std::string& field) {
    size_t minus = field.find('-');
    if (minus != std::string::npos)
        return Field(line, field.substr(0, minus)) - Field(line, field.substr(minus + 1));
    auto it = line.num.find(field);
    return it == line.num.end() ? NAN : it->second;
}

void CheckOne(const std::string& name, const ReplayResult& run, const std::string& text) {
    std::istringstream in(text);
    std::string where, field, op;
    double value = 0;
    in >> where;
    if (where == "status" || where == "lines") {
        in >> op >> value;
        const double actual = where == "status" ? run.status : double(run.lines.size());
        if (!Compare(actual, op, value))
            ADD_FAILURE() << name << ": \"" << text << "\" but " << where << " is " << actual;
        return;
    }
    in >> field >> op >> value;
    int first = 0, last = 0;
    if (where == "last") {
        first = last = int(run.lines.size());
    } else {
        size_t dots = where.find("..");
        first = std::atoi(where.c_str());
        last = dots == std::string::npos ? first : std::atoi(where.c_str() + dots + 2);
    }
    for (int step = first; step <= last; ++step) {
        if (step < 1 || step > int(run.lines.size())) {
            ADD_FAILURE() << name << ": \"" << text << "\" but there are " << run.lines.size()
                          << " lines";
            return;
        }
        const StateLine& line = run.lines[size_t(step - 1)];
        bool ok;
        if (op == "has" || op == "hasnt") {
            ok = std::any_of(line.sfx.begin(), line.sfx.end(),
                             [&](auto& p) { return p.first == int(value); }) == (op == "has");
        } else {
            ok = Compare(Field(line, field), op, value);
        }
        if (!ok) {
            ADD_FAILURE() << name << ": \"" << text << "\" but at step " << step << ": "
                          << line.text;
            return;
        }
    }
}

// A copy of the build's data made of links to its files, with the damage.
void MakeDataFolder(const std::filesystem::path& dir, const DataDamage& damage) {
    namespace fs = std::filesystem;
    const fs::path source = DROPLING_TEST_DATA_DIR;
    if (damage.kind == DataDamage::kNone) fs::create_directory_symlink(source, dir / "data");
    if (damage.kind == DataDamage::kNone || damage.kind == DataDamage::kNoFolder) return;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(source)) {
        if (!e.is_regular_file()) continue;
        const fs::path rel = fs::relative(e.path(), source);
        const fs::path target = dir / "data" / rel;
        fs::create_directories(target.parent_path());
        if (rel != damage.file) {
            fs::create_symlink(e.path(), target);
        } else if (damage.kind == DataDamage::kTruncated) {
            const std::string bytes = ReadFile(e.path());
            std::ofstream(target, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
        }
    }
}

}  // namespace

ReplayResult RunReplay(const std::string& script, const std::vector<std::string>& options,
                       const std::string& state, const DataDamage& damage) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/dropling-scenario-XXXXXX";
    const char* dir = mkdtemp(pattern);
    ReplayResult result;
    if (!dir) {
        ADD_FAILURE() << "no scratch directory";
        return result;
    }
    MakeDataFolder(dir, damage);
    const std::string scriptPath = std::string(dir) + "/script.txt";
    std::ofstream(scriptPath) << script;
    const fs::path statePath = fs::path(dir) / ".vantorstate";
    if (!state.empty()) std::ofstream(statePath, std::ios::binary) << state;

    std::vector<std::string> args = {DROPLING_REPLAY, "--dir", dir};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(scriptPath);
    ChildResult child = RunInChild([&] {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
    });
    result.state = ReadFile(statePath);  // none: empty
    fs::remove_all(dir);

    result.status = child.exited ? child.status : -1;
    result.out = child.out;
    result.err = child.err;
    std::istringstream out(child.out);
    for (std::string text; std::getline(out, text);) {
        if (!text.empty() && text[0] == '{')
            result.lines.push_back(ParseLine(text));
        else
            result.printed += text + "\n";
    }
    return result;
}

ReplayResult CheckScenario(const Scenario& scenario) {
    ReplayResult run =
        RunReplay(scenario.script, scenario.options, scenario.state, scenario.damage);
    if (!run.err.empty()) ADD_FAILURE() << scenario.name << ": replay said: " << run.err;
    for (const std::string& e : scenario.expect)
        CheckOne(scenario.name, run, e);
    EXPECT_EQ(run.printed, scenario.printed.value_or(run.printed)) << scenario.name;
    EXPECT_EQ(run.state, scenario.saved.value_or(run.state)) << scenario.name;
    return run;
}
