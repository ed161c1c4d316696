// The disc on Windows: drive letters are the system's own, so paths go to it as they
// stand, and the search is the system's.
#include "platform/disc_access.hpp"

#include <new>
#include <windows.h>

struct disc_search {
    HANDLE handle;
    WIN32_FIND_DATAA data;
};

namespace {

bool is_directory(const WIN32_FIND_DATAA& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Moves past directories to the next file; false when the search has run out.
bool settle_on_file(disc_search* search) {
    while (is_directory(search->data)) {
        if (!FindNextFileA(search->handle, &search->data)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::FILE* open_disc_file(const char* path) {
    return std::fopen(path, "rb");
}

disc_search* find_first(const char* pattern, find_record* record) {
    auto* search = new (std::nothrow) disc_search{};
    if (search == nullptr) {
        return nullptr;
    }
    search->handle = FindFirstFileA(pattern, &search->data);
    if (search->handle == INVALID_HANDLE_VALUE) {
        delete search;
        return nullptr;
    }
    if (!settle_on_file(search)) {
        FindClose(search->handle);
        delete search;
        return nullptr;
    }
    set_found_name(record, search->data.cFileName);
    return search;
}

bool find_next(disc_search* search, find_record* record) {
    if (!FindNextFileA(search->handle, &search->data) || !settle_on_file(search)) {
        return false;
    }
    set_found_name(record, search->data.cFileName);
    return true;
}

void find_close(disc_search* search) {
    FindClose(search->handle);
    delete search;
}
