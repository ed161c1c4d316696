#include "platform/listed_search.hpp"

#include <algorithm>
#include <new>

disc_search* start_listed_search(std::vector<std::string> names, find_record* record) {
    std::sort(names.begin(), names.end());
    auto* search = new (std::nothrow) disc_search{std::move(names), 0};
    if (search == nullptr) {
        return nullptr;
    }
    if (!find_next(search, record)) {
        delete search;
        return nullptr;
    }
    return search;
}

bool find_next(disc_search* search, find_record* record) {
    if (search->next >= search->names.size()) {
        return false;
    }
    set_found_name(record, search->names[search->next++].c_str());
    return true;
}

void find_close(disc_search* search) {
    delete search;
}
