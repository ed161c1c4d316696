#include "app/run.hpp"

int main() {
    return quillmoor_main();
}
