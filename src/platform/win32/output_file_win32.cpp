#include "platform/output_file.hpp"

std::FILE* create_output_file(const char* name) {
    return std::fopen(name, "wb");
}
