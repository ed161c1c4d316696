#include "image/chd/codecs.hpp"

#include <FLAC/stream_decoder.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// A compressed hunk of cdlz, cdzl or cdzs: a bit a frame (set where the frame's sync and
// ECC were taken out, to be made again), the frames' compressed length in 2 bytes (3 in
// hunks of 64 KiB and more), the frames' bytes compressed, then the subcode's.
constexpr std::uint32_t long_hunk_bytes = 65536;

// The LZMA of cdlz: LZMA1 with no header and no end marker; lc 3, lp 0, pb 2 and the
// dictionary the compressor's level 9 takes for input of the frames' size.
constexpr std::uint32_t lzma_lc = 3;
constexpr std::uint32_t lzma_lp = 0;
constexpr std::uint32_t lzma_pb = 2;
constexpr std::uint32_t lzma_level9_dictionary = 1u << 26;

// The smallest of 2 << i and 3 << i (i from 11) that holds the frames' bytes.
std::uint32_t lzma_dictionary(std::uint32_t input) {
    for (unsigned i = 11; i <= 30; ++i) {
        if (input <= (2u << i)) {
            return 2u << i;
        }
        if (input <= (3u << i)) {
            return 3u << i;
        }
    }
    return lzma_level9_dictionary;
}

// The FLAC of cdfl: the frames' bytes as 16-bit big-endian stereo samples at 44100 Hz,
// frames without the stream's header, which the decoder is given as the compressor left it
// out: one STREAMINFO, its block size the compressor's.
constexpr std::uint32_t flac_rate = 44100;
constexpr std::uint32_t flac_channels = 2;
constexpr std::uint32_t flac_sample_bytes = 2;
constexpr std::size_t flac_header_size = 0x2A;
constexpr std::size_t flac_block_size_at = 0x08; // and the maximum at 0x0A
constexpr std::size_t flac_rate_at = 0x12;
constexpr std::uint8_t flac_header_template[flac_header_size] = {
    'f',  'L',  'a',  'C',  0x80, 0x00, 0x00, 0x22, // the last block, STREAMINFO, 34 bytes
    0x00, 0x00, 0x00, 0x00,                         // block sizes
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             // frame sizes unknown
    0x0A, 0xC4, 0x42, 0xF0, 0x00, 0x00, 0x00, 0x00, // 44100 Hz, 2 channels, 16 bits
};

// The compressor's block size: a quarter of the bytes (a sample of 2 channels is 4 bytes),
// halved until it is no more than a sector's.
std::uint32_t flac_block_size(std::uint32_t bytes) {
    std::uint32_t size = bytes / (flac_channels * flac_sample_bytes);
    while (size > cd_sector_bytes) {
        size /= 2;
    }
    return size;
}

class decoders final : public cd_decoders {
  public:
    ~decoders() override {
        if (lzma_made_) {
            lzma_end(&lzma_);
        }
        if (zlib_made_) {
            inflateEnd(&zlib_);
        }
        ZSTD_freeDCtx(zstd_);
        if (flac_ != nullptr) {
            FLAC__stream_decoder_delete(flac_);
        }
    }

    explicit decoders(const chd_header& header)
        : hunk_bytes_(header.hunk_bytes), frames_(header.frames_per_hunk) {}

    bool decode(std::uint32_t codec, const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                std::uint32_t frames) override {
        const std::size_t out_size = std::size_t{frames} * cd_sector_bytes;
        if (codec == codec_cd_flac) {
            return flac_ready() && inflate_flac(in, in_size, out, out_size);
        }
        // The header before the frames' compressed bytes.
        const std::size_t ecc_bytes = (frames + 7) / 8;
        const std::size_t length_bytes = hunk_bytes_ < long_hunk_bytes ? 2 : 3;
        if (in_size < ecc_bytes + length_bytes) {
            return false;
        }
        std::size_t base = 0;
        for (std::size_t i = 0; i < length_bytes; ++i) {
            base = base << 8 | in[ecc_bytes + i];
        }
        const std::size_t header = ecc_bytes + length_bytes;
        if (base > in_size - header) {
            return false;
        }
        in += header;
        if (codec == codec_cd_lzma) {
            return inflate_lzma(in, base, out, out_size);
        }
        if (codec == codec_cd_zlib) {
            return zlib_ready() && inflate_zlib(in, base, out, out_size);
        }
        if (codec == codec_cd_zstd) {
            if (zstd_ == nullptr) {
                zstd_ = ZSTD_createDCtx();
            }
            return zstd_ != nullptr &&
                   ZSTD_decompressDCtx(zstd_, out, out_size, in, base) == out_size;
        }
        return false;
    }

  private:
    // Each decoder is made when the first hunk of its codec is read, and kept.
    bool zlib_ready() {
        if (!zlib_made_) {
            zlib_made_ = inflateInit2(&zlib_, -MAX_WBITS) == Z_OK;
        }
        return zlib_made_;
    }

    bool inflate_lzma(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                      std::size_t out_size) {
        // A new stream on the same filters keeps the decoder's memory.
        lzma_options_.dict_size = lzma_dictionary(frames_ * cd_sector_bytes);
        lzma_options_.lc = lzma_lc;
        lzma_options_.lp = lzma_lp;
        lzma_options_.pb = lzma_pb;
        lzma_made_ = lzma_raw_decoder(&lzma_, lzma_filters_) == LZMA_OK;
        if (!lzma_made_) {
            return false;
        }
        lzma_.next_in = in;
        lzma_.avail_in = in_size;
        lzma_.next_out = out;
        lzma_.avail_out = out_size;
        // No end marker: the frames are whole when the output is full.
        for (;;) {
            const std::size_t before = lzma_.avail_in + lzma_.avail_out;
            const lzma_ret got = lzma_code(&lzma_, LZMA_RUN);
            if (lzma_.avail_out == 0) {
                return true;
            }
            if (got != LZMA_OK || lzma_.avail_in + lzma_.avail_out == before) {
                return false;
            }
        }
    }

    bool inflate_zlib(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                      std::size_t out_size) {
        if (inflateReset(&zlib_) != Z_OK || in_size > std::numeric_limits<uInt>::max() ||
            out_size > std::numeric_limits<uInt>::max()) {
            return false;
        }
        zlib_.next_in = const_cast<Bytef*>(in);
        zlib_.avail_in = static_cast<uInt>(in_size);
        zlib_.next_out = out;
        zlib_.avail_out = static_cast<uInt>(out_size);
        const int got = inflate(&zlib_, Z_FINISH);
        return zlib_.avail_out == 0 && (got == Z_STREAM_END || got == Z_OK || got == Z_BUF_ERROR);
    }

    bool flac_ready() {
        if (flac_ == nullptr) {
            flac_ = FLAC__stream_decoder_new();
            if (flac_ == nullptr) {
                return false;
            }
            const std::uint32_t block = flac_block_size(frames_ * cd_sector_bytes);
            std::memcpy(flac_header_, flac_header_template, sizeof flac_header_);
            for (const std::size_t at : {flac_block_size_at, flac_block_size_at + 2}) {
                flac_header_[at] = static_cast<std::uint8_t>(block >> 8);
                flac_header_[at + 1] = static_cast<std::uint8_t>(block);
            }
            flac_header_[flac_rate_at] = static_cast<std::uint8_t>(flac_rate >> 12);
            flac_header_[flac_rate_at + 1] = static_cast<std::uint8_t>(flac_rate >> 4);
            flac_header_[flac_rate_at + 2] =
                static_cast<std::uint8_t>((flac_rate << 4) | ((flac_channels - 1) << 1));
        }
        // A new stream on the same decoder; one that will not reset (a hunk before broke
        // it) is started again, so that a damaged hunk costs only its own sectors.
        if (flac_ready_ && FLAC__stream_decoder_reset(flac_)) {
            return true;
        }
        if (flac_ready_) {
            FLAC__stream_decoder_finish(flac_);
        }
        flac_ready_ = FLAC__stream_decoder_init_stream(flac_, flac_read, nullptr, nullptr, nullptr,
                                                       nullptr, flac_write, nullptr, flac_error,
                                                       this) == FLAC__STREAM_DECODER_INIT_STATUS_OK;
        return flac_ready_;
    }

    bool inflate_flac(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                      std::size_t out_size) {
        flac_in_ = in;
        flac_in_size_ = in_size;
        flac_read_ = 0;
        flac_out_ = out;
        flac_out_size_ = out_size;
        flac_written_ = 0;
        flac_failed_ = false;
        if (!FLAC__stream_decoder_process_until_end_of_metadata(flac_)) {
            return false;
        }
        // Each call takes a frame, or ends the stream: the input bounds the calls.
        while (flac_written_ < flac_out_size_ && !flac_failed_) {
            const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(flac_);
            if (state == FLAC__STREAM_DECODER_END_OF_STREAM ||
                state == FLAC__STREAM_DECODER_ABORTED ||
                !FLAC__stream_decoder_process_single(flac_)) {
                return false;
            }
        }
        return !flac_failed_ && flac_written_ == flac_out_size_;
    }

    // The header first, then the hunk's bytes.
    static FLAC__StreamDecoderReadStatus flac_read(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                   std::size_t* bytes, void* self) {
        decoders& d = *static_cast<decoders*>(self);
        const std::size_t total = flac_header_size + d.flac_in_size_;
        std::size_t given = 0;
        while (given < *bytes && d.flac_read_ < total) {
            const bool in_header = d.flac_read_ < flac_header_size;
            const std::uint8_t* from = in_header ? d.flac_header_ + d.flac_read_
                                                 : d.flac_in_ + (d.flac_read_ - flac_header_size);
            const std::size_t left =
                in_header ? flac_header_size - d.flac_read_ : total - d.flac_read_;
            const std::size_t n = std::min(left, *bytes - given);
            std::memcpy(buffer + given, from, n);
            given += n;
            d.flac_read_ += n;
        }
        *bytes = given;
        return given == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                          : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__StreamDecoderWriteStatus flac_write(const FLAC__StreamDecoder*,
                                                     const FLAC__Frame* frame,
                                                     const FLAC__int32* const channels[],
                                                     void* self) {
        decoders& d = *static_cast<decoders*>(self);
        const std::size_t samples = frame->header.blocksize;
        if (frame->header.channels != flac_channels ||
            samples * flac_channels * flac_sample_bytes > d.flac_out_size_ - d.flac_written_) {
            d.flac_failed_ = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        std::uint8_t* out = d.flac_out_ + d.flac_written_;
        for (std::size_t i = 0; i < samples; ++i) {
            for (std::uint32_t c = 0; c < flac_channels; ++c) {
                const auto sample = static_cast<std::uint32_t>(channels[c][i]);
                *out++ = static_cast<std::uint8_t>(sample >> 8);
                *out++ = static_cast<std::uint8_t>(sample);
            }
        }
        d.flac_written_ += samples * flac_channels * flac_sample_bytes;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void flac_error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
        static_cast<decoders*>(self)->flac_failed_ = true;
    }

    std::uint32_t hunk_bytes_ = 0;
    std::uint32_t frames_ = 0;
    lzma_stream lzma_ = LZMA_STREAM_INIT;
    lzma_options_lzma lzma_options_{};
    lzma_filter lzma_filters_[2] = {{LZMA_FILTER_LZMA1, &lzma_options_},
                                    {LZMA_VLI_UNKNOWN, nullptr}};
    bool lzma_made_ = false;
    z_stream zlib_{};
    bool zlib_made_ = false;
    ZSTD_DCtx* zstd_ = nullptr;
    FLAC__StreamDecoder* flac_ = nullptr;
    bool flac_ready_ = false;
    std::uint8_t flac_header_[flac_header_size] = {};
    // The hunk a FLAC decode is at.
    const std::uint8_t* flac_in_ = nullptr;
    std::size_t flac_in_size_ = 0;
    std::size_t flac_read_ = 0;
    std::uint8_t* flac_out_ = nullptr;
    std::size_t flac_out_size_ = 0;
    std::size_t flac_written_ = 0;
    bool flac_failed_ = false;
};

} // namespace

std::unique_ptr<cd_decoders> make_cd_decoders(const chd_header& header) {
    return std::make_unique<decoders>(header);
}
