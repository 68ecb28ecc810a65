#include "support/TmuxSession.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/ShellQuote.h"

namespace testutil {

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string withoutLastNewline(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// The parent of each process, from /proc.
std::map<int, int> parentsOfAll() {
    std::map<int, int> parents;
    DIR* proc = ::opendir("/proc");
    if (!proc) return parents;
    while (const dirent* entry = ::readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        int parent = 0;
        if (rest >> state >> parent) parents[pid] = parent;
    }
    ::closedir(proc);
    return parents;
}

// Whether the process is blocked in read(0, ...): /proc/<pid>/syscall starts with the call's
// number and its first argument.
bool readsStandardInput(int pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    std::string fd;
    return (file >> number >> fd) && number == SYS_read && fd == "0x0";
}

}  // namespace

TmuxSession::TmuxSession(const std::vector<std::string>& argv) : TmuxSession(argv, Settings()) {}

TmuxSession::TmuxSession(const std::vector<std::string>& argv, const Settings& settings)
    : socket(dir / "tmux.sock"), statusFile(dir / "status") {
    if (argv.empty()) throw std::invalid_argument("TmuxSession: no program");
    writeFile(dir / "tmux.conf",
              "set -g default-shell /bin/sh\n"
              "set -g default-terminal screen\n"
              "set -g history-limit 100000\n"
              "set -g status off\n"
              // Should the shell below be killed, the pane's text stays readable.
              "set -g remain-on-exit on\n");

    std::string command;
    for (const auto& [name, value] : settings.env) {
        command += value == unset ? "-u " + shellQuote(name) + " " : shellQuote(name + "=" + value) + " ";
    }
    for (const std::string& word : argv) command += shellQuote(word) + " ";
    std::string script;
    // SIGINT from the terminal reaches the whole foreground group, this shell too: it must
    // outlive the program to write the status.
    script += "trap : INT HUP; ";
    if (!settings.directory.empty()) script += "cd " + shellQuote(settings.directory) + " && ";
    script += "env " + command + "; echo $? > " + shellQuote(statusFile + ".part") + " && mv " +
              shellQuote(statusFile + ".part") + " " + shellQuote(statusFile);
    // The pane stays alive until the server goes: a dead pane gets a closing line at its
    // bottom, which scrolls the screen by one line at a moment no test can wait for.
    script += "; exec sleep infinity";

    const RunResult started = tmux({"new-session", "-d", "-s", "vn", "-x", std::to_string(settings.width), "-y",
                                    std::to_string(settings.height), script});
    if (started.status != 0) throw std::runtime_error("tmux new-session failed: " + started.err);
}

TmuxSession::~TmuxSession() { tmux({"kill-server"}); }

RunResult TmuxSession::tmux(std::vector<std::string> args) const {
    args.insert(args.begin(), {"/usr/bin/tmux", "-S", socket, "-f", dir / "tmux.conf"});
    // A test started from inside another tmux must not talk to that one.
    return run(args, {{"TMUX", unset}, {"TMUX_PANE", unset}});
}

void TmuxSession::sendKeys(const std::string& text) {
    if (text.empty()) return;
    tmux({"send-keys", "-t", "vn", "-l", text});
}

void TmuxSession::pressKey(const std::string& key) { tmux({"send-keys", "-t", "vn", key}); }

std::string TmuxSession::screen() const {
    return withoutLastNewline(tmux({"capture-pane", "-p", "-J", "-S", "-", "-t", "vn"}).out);
}

std::string TmuxSession::visible() const { return withoutLastNewline(tmux({"capture-pane", "-p", "-J", "-t", "vn"}).out); }

std::string TmuxSession::tty() const {
    return withoutLastNewline(tmux({"display-message", "-p", "-t", "vn", "#{pane_tty}"}).out);
}

bool TmuxSession::waitFor(const std::string& text, double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (screen().find(text) != std::string::npos) return true;
        if (secondsSince(start) > timeoutSeconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool TmuxSession::waitForRead(double timeoutSeconds) {
    const int panePid = std::atoi(tmux({"display-message", "-p", "-t", "vn", "#{pane_pid}"}).out.c_str());
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const std::map<int, int> parents = parentsOfAll();
        std::set<int> pane = {panePid};
        // Parents may come after their children in /proc: repeat until no process is added.
        for (size_t before = 0; before != pane.size();) {
            before = pane.size();
            for (const auto& [pid, parent] : parents)
                if (pane.count(parent)) pane.insert(pid);
        }
        for (int pid : pane)
            if (readsStandardInput(pid)) return true;
        if (secondsSince(start) > timeoutSeconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int TmuxSession::waitForExit(double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (::access(statusFile.c_str(), F_OK) == 0) return std::stoi(readFile(statusFile));
        if (secondsSince(start) > timeoutSeconds) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testutil
