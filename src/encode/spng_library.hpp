// libspng's entry points as png_out calls them. Where they come from is the build's choice:
// spng_loaded.cpp loads the shared library when first asked, spng_linked.cpp has it linked in.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"

#include <spng.h>

struct spng_library {
    decltype(&spng_ctx_new) ctx_new;
    decltype(&spng_ctx_free) ctx_free;
    decltype(&spng_set_ihdr) set_ihdr;
    decltype(&spng_set_plte) set_plte;
    decltype(&spng_set_trns) set_trns;
    decltype(&spng_set_option) set_option;
    decltype(&spng_set_png_stream) set_png_stream;
    decltype(&spng_encode_image) encode_image;
    decltype(&spng_encode_row) encode_row;
    decltype(&spng_strerror) strerror;
};

// The library, or null when it cannot be had. Found once, and never changed after.
const spng_library* spng();

// png_out through the library given: a copy of spng()'s with an entry that fails on purpose
// shows what a failure of libspng's own becomes.
result<void> png_out_through(const spng_library& lib, const byte_sink& sink, const image& p);
