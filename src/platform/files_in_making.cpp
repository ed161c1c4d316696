#include "platform/files_in_making.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace {

// At most a picture's file and the manifest's are in the making at once.
constexpr std::size_t place_count = 4;
// A full path on Windows, a name in its folder elsewhere, with its closing zero.
constexpr std::size_t name_capacity = 1024;

// What a place holds. Only the thread that marks moves a place from free, and from armed to
// free; a stop moves it from armed to removed, and it stays so: the process is ending.
enum place_state : int { free_place, filling, armed, removed };

struct place {
    std::atomic<int> state;
    int folder;
    char name[name_capacity];
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the places");

// Process-wide, as a signal handler or a console control handler can reach nothing else;
// fixed in size, since neither may allocate.
constinit place places[place_count] = {};

bool holds(const place& p, int folder, const std::string& name) {
    return p.state.load(std::memory_order_acquire) == armed && p.folder == folder &&
           std::strcmp(p.name, name.c_str()) == 0;
}

} // namespace

bool mark_in_making(int folder, const std::string& name) {
    if (name.size() >= name_capacity) {
        return false;
    }
    for (place& p : places) {
        int expected = free_place;
        if (p.state.compare_exchange_strong(expected, filling, std::memory_order_acquire)) {
            p.folder = folder;
            std::memset(p.name, 0, sizeof p.name);
            std::memcpy(p.name, name.data(), name.size());
            p.state.store(armed, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void unmark_in_making(int folder, const std::string& name) {
    for (place& p : places) {
        int expected = armed;
        if (holds(p, folder, name) &&
            p.state.compare_exchange_strong(expected, free_place, std::memory_order_release)) {
            return;
        }
    }
}

void unmark_folder(int folder) {
    for (place& p : places) {
        int expected = armed;
        if (p.state.load(std::memory_order_acquire) == armed && p.folder == folder) {
            p.state.compare_exchange_strong(expected, free_place, std::memory_order_release);
        }
    }
}

void remove_in_making(void (*remove)(int folder, const char* name)) {
    for (place& p : places) {
        int expected = armed;
        if (p.state.compare_exchange_strong(expected, removed, std::memory_order_acquire)) {
            remove(p.folder, p.name);
        }
    }
}
