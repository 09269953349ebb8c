// The private desktop, the player's hands and eyes, and the record check of
// desktop.h.
#include "tests/e2e/desktop.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

// Starts a helper with its output thrown away.
pid_t Spawn(const std::vector<std::string>& args, int keepFd = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepFd) close(fd);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void End(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

bool Failed(const std::string& out) {
    return out.rfind("<failed", 0) == 0;
}

}  // namespace

// ---- the desktop

std::string Desktop::Open() {
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    // Xvfb picks a free display and writes its number to the pipe.
    xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                   "-ardelay", "5000", "-nolisten", "tcp"},
                  fds[1]);
    close(fds[1]);
    std::string number;
    char c;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, kDeadlineMs) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) return "Xvfb did not start";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    wm_ = Spawn({"openbox"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
    while (Failed(RunTool({"wmctrl", "-m"}))) {
        if (std::chrono::steady_clock::now() > deadline) return "openbox did not start";
        poll(nullptr, 0, 50);
    }
    return "";
}

Desktop::~Desktop() {
    End(wm_);
    End(xvfb_);
}

// ---- the player

bool Player::Start(const std::vector<std::string>& args, const std::string& dir) {
    program = e2e::Start(args, dir.c_str());
    return program.pid > 0 && FindAgain();
}

bool Player::FindAgain() {
    // The newest visible window of the game's title; a full-screen window
    // carries the program's id instead.
    for (const char* how : {"--name", "--pid"}) {
        const std::string key = std::string(how) == "--pid"
                                    ? std::to_string(program.pid)
                                    : std::string("^") + kTitle + "$";
        std::string ids =
            RunTool({"timeout", "10", "xdotool", "search", "--sync", "--onlyvisible", how, key});
        if (Failed(ids)) continue;
        ids = Trimmed(ids);
        window = ids.substr(ids.rfind('\n') + 1);
        RunTool({"xdotool", "windowfocus", "--sync", window});
        return true;
    }
    return false;
}

std::string Player::Geometry() {
    const std::string g = RunTool({"xdotool", "getwindowgeometry", window});
    const size_t at = g.find("Geometry: ");
    return at == std::string::npos ? g : Trimmed(g.substr(at + 10, g.find('\n', at) - at - 10));
}

void Player::Key(const std::string& key) {
    // Held for a few updates, so the game sees the key down whatever the
    // moment of the press, and let go as long, so that it sees the release
    // before the next press (a menu acts once per press).
    RunTool({"xdotool", "keydown", key, "sleep", "0.1", "keyup", key, "sleep", "0.1"});
}

void Player::Hold(const std::string& key, const std::string& seconds) {
    RunTool({"xdotool", "keydown", key, "sleep", seconds, "keyup", key});
}

void Player::Click(int x, int y) {
    // Window pixels per virtual pixel, as the game scales.
    int w = 640, h = 480;
    std::sscanf(Geometry().c_str(), "%dx%d", &w, &h);
    const double k = std::max(w / 640.0, h / 480.0);
    RunTool({"xdotool", "mousemove", "--window", window, std::to_string(int(x * k)),
             std::to_string(int(y * k)), "mousedown", "1", "sleep", "0.1", "mouseup", "1", "sleep",
             "0.1"});
}

void Player::Iconify() {
    RunTool({"xdotool", "windowminimize", "--sync", window});
}

void Player::Restore() {
    RunTool({"xdotool", "windowactivate", "--sync", window});
}

void Player::CloseButton() {
    RunTool({"wmctrl", "-i", "-c", window});
}

Shot Player::Look(const std::string& label) {
    Shot s;
    ppm_ = RunTool({"import", "-window", window, "-depth", "8", "ppm:-"});
    std::istringstream in(ppm_);
    std::string magic;
    int maxval = 0;
    if (!(in >> magic >> s.w >> s.h >> maxval) || magic != "P6" || maxval != 255) return {};
    in.get();
    const size_t bytes = size_t(s.w) * s.h * 3;
    const size_t at = size_t(in.tellg());
    if (ppm_.size() < at + bytes) return {};
    s.rgb.assign(ppm_.begin() + long(at), ppm_.begin() + long(at + bytes));
    s.scale = std::max(s.w / 640.0, s.h / 480.0);
    Keep(s, label);
    return s;
}

void Player::Keep(const Shot&, const std::string& label) {
    const char* folder = getenv("DROPLING_E2E_SHOTS");
    if (!folder || label.empty()) return;
    char name[16];
    std::snprintf(name, sizeof name, "/%02d-", ++shots_);
    std::ofstream(folder + std::string(name) + label + ".ppm", std::ios::binary) << ppm_;
}

// ---- the record

namespace {

constexpr int kValues = 98;
constexpr int kOptions = 25, kFlagWords = 8, kFlagsAt = 26, kScoresAt = 35, kTypeValues = 21;

// The checksums of the three kinds of section, in 32-bit arithmetic that
// wraps as the game's does.
int32_t Sum(const std::vector<int>& v, int section) {
    uint32_t s = 0;
    if (section == 0)
        for (int i = 0; i < kOptions; ++i)
            s += uint32_t(i) * uint32_t(v[i]);
    if (section == 1)
        for (int k = 0; k < kFlagWords; ++k)
            s += uint32_t(v[kFlagsAt + k]);
    if (section >= 2) {
        const int t = section - 2, at = kScoresAt + kTypeValues * t;
        for (int j = 0; j < 10; ++j)
            s += uint32_t(j + 4) * uint32_t(v[at + 2 * j]) +
                 uint32_t(t + 3 + j) * uint32_t(v[at + 2 * j + 1]);
    }
    return int32_t(s);
}

constexpr int kChecksumAt[5] = {25, 34, 55, 76, 97};

}  // namespace

std::optional<std::vector<int>> ReadRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int> v;
    size_t from = 0;
    for (size_t bar; (bar = text.find('|', from)) != std::string::npos; from = bar + 1) {
        const std::string piece = text.substr(from, bar - from);
        char* end = nullptr;
        const long n = std::strtol(piece.c_str(), &end, 10);
        if (piece.empty() || *end) return std::nullopt;
        v.push_back(int(n));
    }
    if (from != text.size() || v.size() != size_t(kValues)) return std::nullopt;
    for (int section = 0; section < 5; ++section)
        if (Sum(v, section) != v[kChecksumAt[section]]) return std::nullopt;
    return v;
}

std::string MakeRecord(std::vector<int> v) {
    v.resize(kValues);
    for (int section = 0; section < 5; ++section)
        v[kChecksumAt[section]] = Sum(v, section);
    std::string out;
    for (int n : v)
        out += std::to_string(n) + "|";
    return out;
}

}  // namespace e2e
