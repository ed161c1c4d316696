#include "platform/disc_access.hpp"

#include <cstring>

void set_found_name(find_record* record, const char* name) {
    std::memset(record->name, 0, sizeof record->name);
    std::strncpy(record->name, name, sizeof record->name - 1);
}
