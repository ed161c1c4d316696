// The CD codecs of CHD hunks, for the frames' 2352 bytes alone: the subcode that follows
// them in a hunk is never needed, so never decoded.
#pragma once

#include "image/chd/header.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

// The decoders an image's codecs need, each made when the first hunk of its codec is read
// and reused for every hunk after it: an image of one codec costs one decoder.
class cd_decoders {
  public:
    virtual ~cd_decoders() = default;

    // Decodes the compressed hunk in (in_size bytes, by codec) into out: the frames of the
    // hunk, frames x 2352 bytes, one after the other. False when the hunk does not decode
    // to exactly that.
    virtual bool decode(std::uint32_t codec, const std::uint8_t* in, std::size_t in_size,
                        std::uint8_t* out, std::uint32_t frames) = 0;
};

// The decoders for the image's hunks.
std::unique_ptr<cd_decoders> make_cd_decoders(const chd_header& header);
