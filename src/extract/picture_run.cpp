#include "extract/picture_run.hpp"

#include "core/ascii.hpp"
#include "disc/load_disc_file.hpp"
#include "encode/formats.hpp"
#include "encode/picture_sink.hpp"
#include "gfx/colour.hpp"
#include "platform/disc.hpp"

namespace {

// The depths of the groups' pictures, as pixel formats.
struct depth_format {
    std::uint16_t bits;
    pixel_format format;
};
constexpr depth_format depth_formats[] = {
    {1, pixel_format::index1},
    {4, pixel_format::index4},
    {8, pixel_format::index8},
    {24, pixel_format::bgr8},
};

// Where each channel lies in a group's palette entry (blue, green, red, 0).
constexpr std::size_t entry_blue = 0;
constexpr std::size_t entry_green = 1;
constexpr std::size_t entry_red = 2;

// The group's picture as an image over its rows, its palette turned into palette (of
// palette_entries); none for a depth that no pixel format has.
std::optional<image> image_of(const picture& p, rgb (&palette)[palette_entries]) {
    for (const depth_format& depth : depth_formats) {
        if (depth.bits != p.bits) {
            continue;
        }
        const std::size_t entries = is_indexed(depth.format) ? std::size_t{1} << p.bits : 0;
        for (std::size_t i = 0; p.palette != nullptr && i < entries && i < palette_entries; ++i) {
            const std::uint8_t* entry = p.palette + i * palette_entry_size;
            palette[i] = {entry[entry_red], entry[entry_green], entry[entry_blue]};
        }
        const rgb marker = {trans_marker_value, trans_marker_value, trans_marker_value};
        return image{p.width,
                     p.height,
                     depth.format,
                     p.pixels,
                     bmp_stride(p.width, p.bits),
                     p.palette != nullptr ? std::span<const rgb>(palette, entries)
                                          : std::span<const rgb>(),
                     p.marker_transparent ? std::optional<rgb>(marker) : std::nullopt};
    }
    return std::nullopt;
}

} // namespace

bool selection::selects(const std::string& name, const char* group) const {
    if (patterns_.empty()) {
        return true;
    }
    for (const std::string& pattern : patterns_) {
        if (same_ignoring_case(pattern.c_str(), group) ||
            wildcard_match(pattern.c_str(), name.c_str())) {
            return true;
        }
    }
    return false;
}

picture_run::picture_run(const disc& source, const picture_settings& settings,
                         run_listener& listener)
    : source_(source), settings_(settings),
      format_(settings.format != nullptr ? *settings.format : default_picture_format()),
      listener_(listener) {}

result<void> picture_run::write(picture_record& record, const picture& p, const std::string& tail) {
    record.file = record.name + format_.extension + tail;
    record.width = p.width;
    record.height = p.height;
    record.bits = p.bits;
    // The group's palette as the image's.
    rgb palette[palette_entries] = {};
    const std::optional<image> as_image = image_of(p, palette);
    // What the encoder refuses makes no file, listing or not.
    if (!as_image || !check_image(*as_image)) {
        return error{error_kind::bad_argument, format_.routine};
    }
    if (made_.contains(lower_case(record.file))) {
        listener_.picture(record, picture_fate::duplicate);
        accounted_for_.insert(record.name);
        return {};
    }
    if (settings_.no_clobber && settings_.pictures != nullptr &&
        settings_.pictures->exists(record.file)) {
        return settle(record, picture_fate::kept);
    }
    if (settings_.list_only) {
        return settle(record, picture_fate::listed);
    }
    return publish(record, *as_image);
}

result<void> picture_run::publish(picture_record& record, const image& p) {
    picture_sink& sink = *settings_.pictures;
    // Every failure names the encoder, and the file it was to be.
    const auto failed = [&](error failure) {
        failure.routine = format_.routine;
        failure.path = sink.shown_path(record.file);
        return failure;
    };
    result<byte_sink> bytes = sink.begin(record.file);
    if (!bytes) {
        return failed(std::move(bytes.failure()));
    }
    result<void> encoded = format_.encode(*bytes, p);
    if (!encoded) {
        sink.abort();
        return failed(std::move(encoded.failure()));
    }
    result<committed_file> committed = sink.commit(!settings_.no_clobber, settings_.checksums);
    if (!committed) {
        return failed(std::move(committed.failure()));
    }
    if (committed->kept) {
        return settle(record, picture_fate::kept);
    }
    record.bytes = committed->bytes;
    record.sha256 = std::move(committed->sha256);
    return settle(record, picture_fate::written);
}

result<void> picture_run::settle(const picture_record& record, picture_fate fate) {
    made_.insert(lower_case(record.file));
    accounted_for_.insert(record.name);
    listener_.picture(record, fate);
    return {};
}

void picture_run::fail(const failure_record& record) {
    accounted_for_.insert(record.pictures.begin(), record.pictures.end());
    lost_.insert(record.pictures.begin(), record.pictures.end());
    listener_.failure(record);
}

void picture_run::group_failed(const char* group) {
    std::vector<std::string> unmade;
    for (const std::string& name : selected_) {
        if (!accounted_for_.contains(name)) {
            unmade.push_back(name);
        }
    }
    accounted_for_.insert(unmade.begin(), unmade.end());
    listener_.group_failed(group, unmade);
}

std::optional<std::uint32_t> picture_job::load(const char* file, std::uint8_t* buffer,
                                               std::uint32_t capacity) {
    sources_.emplace_back(file);
    result<std::uint32_t> got = load_disc_file(run_.source(), file, buffer, capacity);
    if (!got) {
        tell(std::move(got.failure()), true);
        return std::nullopt;
    }
    return *got;
}

bool picture_job::load_exactly(const char* file, std::uint8_t* buffer, std::uint32_t size) {
    const std::optional<std::uint32_t> got = load(file, buffer, size);
    if (!got) {
        return false;
    }
    if (*got != size) {
        error short_file{error_kind::wrong_size, nullptr, run_.source().path_of(file)};
        short_file.detail = error_detail::short_file;
        short_file.figures[0] = *got;
        short_file.figures[1] = size;
        return fail_quietly(std::move(short_file));
    }
    return true;
}

const std::uint8_t* group_job::shared(std::uint32_t size,
                                      bool (*fill)(picture_job& job, std::uint8_t* block)) {
    if (!tried_) {
        tried_ = true;
        picture_job job(run_, group_);
        heap_block block = heap_take(size);
        if (!block) {
            job.fail(error{error_kind::no_memory, group_});
        } else if (fill(job, block.get())) {
            shared_ = std::move(block);
        }
    }
    return shared_.get();
}

bool picture_job::tell(error what, bool shown) {
    run_.fail({std::move(what), group_, std::move(unmade_), shown});
    unmade_.clear();
    return false;
}

bool picture_job::write_as(const std::string& name, const picture& p, const std::string& tail) {
    picture_record record;
    record.name = name;
    record.group = group_;
    record.sources = sources_;
    result<void> written = run_.write(record, p, tail);
    if (!written) {
        return tell(std::move(written.failure()), true);
    }
    std::erase(unmade_, name);
    return true;
}
