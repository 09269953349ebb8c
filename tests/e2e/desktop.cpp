// Programs on a pipe, the private desktop, and the player's hands and eyes
// of desktop.h.
#include "tests/e2e/desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace e2e {

// ---- programs

Program Start(const std::vector<std::string>& args, const std::string& dir, bool quiet) {
    // Close-on-exec, so that no other program holds the pipe open.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        if (quiet) dup2(null, STDERR_FILENO);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fds[0], {}};
}

bool ReadUntil(Program& p, const std::string& text) {
    auto found = [&] { return p.seen.find(text) != std::string::npos; };
    Eventually([&] {
        char buf[4096];
        for (pollfd pfd{p.out, POLLIN, 0}; !p.ended && poll(&pfd, 1, 0) > 0;) {
            const ssize_t n = read(p.out, buf, sizeof buf);
            p.ended = n <= 0;
            p.seen.append(buf, size_t(std::max<ssize_t>(n, 0)));
        }
        return found() || p.ended;
    });
    return found();
}

int WaitForExit(Program& p) {
    ReadUntil(p, std::string("\x01never printed\x02"));
    close(p.out);
    int status = 0;
    if (!p.ended) kill(p.pid, SIGKILL);
    waitpid(p.pid, &status, 0);
    p.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RunTool(const std::vector<std::string>& args) {
    Program p = Start(args, "", true);
    const int status = WaitForExit(p);
    return status == 0 ? p.seen : "<failed " + std::to_string(status) + ">";
}

bool Failed(const std::string& out) {
    return out.rfind("<failed", 0) == 0;
}

// ---- the desktop

std::string Desktop::Open() {
    // Xvfb picks a free display and writes its number on its standard output.
    xvfb_ = Start({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-ardelay", "5000",
                   "-nolisten", "tcp"},
                  "", true);
    if (!ReadUntil(xvfb_, "\n")) return "Xvfb did not start";
    setenv("DISPLAY", (":" + std::to_string(std::atoi(xvfb_.seen.c_str()))).c_str(), 1);
    wm_ = Start({"openbox"}, "", true);
    if (!Eventually([] { return !Failed(RunTool({"wmctrl", "-m"})); }))
        return "openbox did not start";
    return "";
}

Desktop::~Desktop() {
    for (Program* p : {&wm_, &xvfb_}) {
        if (p->pid <= 0) continue;
        kill(p->pid, SIGTERM);
        WaitForExit(*p);
    }
}

// ---- the player

bool Player::Start(const std::vector<std::string>& args, const std::string& dir) {
    program = e2e::Start(args, dir);
    return program.pid > 0 && FindAgain();
}

bool Player::FindAgain() {
    // The newest visible window of the game's title; a full-screen window
    // carries the program's id instead.
    for (const char* how : {"--name", "--pid"}) {
        const std::string key = std::string(how) == "--pid" ? std::to_string(program.pid)
                                                            : std::string("^") + kTitle + "$";
        std::string ids =
            RunTool({"timeout", "10", "xdotool", "search", "--sync", "--onlyvisible", how, key});
        if (Failed(ids)) continue;
        std::istringstream in(ids);
        while (in >> window) {
        }
        RunTool({"xdotool", "windowfocus", "--sync", window});
        return true;
    }
    return false;
}

std::string Player::Geometry() {
    const std::string g = RunTool({"xdotool", "getwindowgeometry", window});
    const size_t at = g.find("Geometry: ");
    return at == std::string::npos ? g : g.substr(at + 10, g.find('\n', at) - at - 10);
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

void Player::CloseButton() {
    RunTool({"wmctrl", "-i", "-c", window});
}

Shot Player::Look() {
    Shot s;
    std::sscanf(Geometry().c_str(), "%dx%d", &s.w, &s.h);
    const std::string rgb = RunTool({"import", "-window", window, "-depth", "8", "rgb:-"});
    // A window that changed size in between gives another try.
    if (rgb.size() != size_t(s.w) * size_t(s.h) * 3) return {};
    s.rgb.assign(rgb.begin(), rgb.end());
    s.scale = std::max(s.w / 640.0, s.h / 480.0);
    return s;
}

}  // namespace e2e
