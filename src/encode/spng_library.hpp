// libspng's entry points as png_out calls them. Where they come from is the build's choice:
// spng_loaded.cpp loads the shared library when first asked, spng_linked.cpp has it linked in.
#pragma once

#include <spng.h>

struct spng_library {
    decltype(&spng_ctx_new) ctx_new;
    decltype(&spng_ctx_free) ctx_free;
    decltype(&spng_set_ihdr) set_ihdr;
    decltype(&spng_set_plte) set_plte;
    decltype(&spng_set_trns) set_trns;
    decltype(&spng_set_png_file) set_png_file;
    decltype(&spng_encode_image) encode_image;
    decltype(&spng_encode_row) encode_row;
};

// The library, or null when it cannot be had. Found once, and never changed after.
const spng_library* spng();
