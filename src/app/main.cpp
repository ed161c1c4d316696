#include "app/run.hpp"

int main(int argc, char** argv) {
    return quillmoor_main(argc, argv);
}
