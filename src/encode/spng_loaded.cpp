// libspng, loaded when the first PNG file is written: a run that writes BMP files never maps
// it and the libraries it needs, which would cost every run some 600 KiB of memory.
#include "encode/png_built.hpp"
#include "encode/spng_library.hpp"

#include <dlfcn.h>

namespace {

template <typename Function> bool find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// The library's entry points, all of them or none.
struct loaded_spng {
    bool loaded;
    spng_library entries;
};

loaded_spng load_spng() {
    spng_library spng{};
    void* library = dlopen(png_library_file, RTLD_NOW | RTLD_LOCAL);
    const bool loaded = library != nullptr && find(library, "spng_ctx_new", spng.ctx_new) &&
                        find(library, "spng_ctx_free", spng.ctx_free) &&
                        find(library, "spng_set_ihdr", spng.set_ihdr) &&
                        find(library, "spng_set_plte", spng.set_plte) &&
                        find(library, "spng_set_trns", spng.set_trns) &&
                        find(library, "spng_set_option", spng.set_option) &&
                        find(library, "spng_set_png_stream", spng.set_png_stream) &&
                        find(library, "spng_encode_image", spng.encode_image) &&
                        find(library, "spng_encode_row", spng.encode_row) &&
                        find(library, "spng_strerror", spng.strerror);
    return {loaded, spng};
}

} // namespace

const spng_library* spng() {
    static const loaded_spng library = load_spng();
    return library.loaded ? &library.entries : nullptr;
}
