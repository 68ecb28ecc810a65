#include "TerminationState.h"

#include <atomic>
#include <cstdint>
#include <ostream>

#include "Log.h"
#include "Messages.h"
#include "error.h"

namespace {

// Low half: the state; high half: the signal number. One word, so that a request and the
// state it moves to can never be seen apart.
std::atomic<std::uint64_t> word{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the termination word is written from a signal handler");

enum : std::uint32_t { running = 0, requested = 1, taken = 2, terminated = 3 };

std::uint32_t stateOf(std::uint64_t w) { return static_cast<std::uint32_t>(w); }
int signalOf(std::uint64_t w) { return static_cast<int>(static_cast<std::uint32_t>(w >> 32)); }
std::uint64_t make(std::uint32_t st, int signal) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(signal)) << 32) | st;
}

}  // namespace

void requestTermination(int signal) {
    // State 0 always carries signal number 0.
    std::uint64_t expected = make(running, 0);
    word.compare_exchange_strong(expected, make(requested, signal));
}

bool acceptTerminationRequest() {
    std::uint64_t w = word.load();
    while (stateOf(w) == requested) {
        if (word.compare_exchange_weak(w, make(taken, signalOf(w)))) return true;
    }
    return false;
}

void checkTermination() {
    std::uint64_t w = word.load();
    for (;;) {
        std::uint32_t st = stateOf(w);
        if (st != requested && st != taken) return;
        if (word.compare_exchange_weak(w, make(terminated, signalOf(w)))) break;
    }
    const int signal = signalOf(w);
    {
        Log log(2);
        log << "\n" << Messages::getMessage("Vantrell");
        if (signal != 0)
            log << " process has received termination signal and stopped working (signal number " << signal
                << ")." << std::endl;
        else
            log << " process has received termination signal and stopped working." << std::endl;
    }
    throw error(2, 2, 2, 1) << Messages::getMessage("user_canceled");
}

bool isTerminated() { return stateOf(word.load()) == terminated; }

void resetTermination() { word.store(make(running, 0)); }
