// A search over names gathered in advance, for disc sources without a search of their own.
#pragma once

#include "platform/disc_access.hpp"

#include <string>
#include <vector>

struct disc_search {
    std::vector<std::string> names; // in the order they are handed out
    std::size_t next = 0;
};

// Sorts the names in byte order and hands out the first; null when there is none.
disc_search* start_listed_search(std::vector<std::string> names, find_record* record);
