#include "extract/picture_run.hpp"

#include "core/ascii.hpp"
#include "disc/load_disc_file.hpp"
#include "encode/formats.hpp"
#include "platform/disc.hpp"
#include "platform/file_facts.hpp"
#include "platform/output_folder.hpp"
#include "platform/sha256.hpp"

#include <cerrno>

namespace {

// Rows go out one by one; a buffer that holds most pictures whole saves the system calls.
constexpr std::size_t write_buffer_size = 128 * 1024;

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
    // What the encoder refuses makes no file, listing or not.
    if (const status checked = check_picture(p); checked != st_ok) {
        return error{kind_of(checked), format_.routine};
    }
    if (made_.contains(lower_case(record.file))) {
        listener_.picture(record, picture_fate::duplicate);
        accounted_for_.insert(record.name);
        return {};
    }
    if (settings_.no_clobber && settings_.folder != nullptr &&
        settings_.folder->holds(record.file)) {
        return settle(record, picture_fate::kept);
    }
    if (settings_.list_only) {
        return settle(record, picture_fate::listed);
    }
    return publish(record, p);
}

result<void> picture_run::publish(picture_record& record, const picture& p) {
    output_folder& folder = *settings_.folder;
    const auto write_failed = [&](error_kind kind, int system_error, error_detail detail) {
        error failure{kind, format_.routine, folder.shown_path(record.file), system_error};
        failure.detail = detail;
        return failure;
    };
    // The folder's own words, until it hands up errors of its own.
    const auto folder_failed = [&](std::string reason) {
        error failure{error_kind::write_failed, format_.routine, folder.shown_path(record.file)};
        failure.library_text = std::move(reason);
        return failure;
    };
    std::string temporary;
    std::string reason;
    std::FILE* file = folder.create_temporary(record.file, temporary, reason);
    if (file == nullptr) {
        return folder_failed(reason);
    }
    char buffer[write_buffer_size] = {};
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
    errno = 0;
    status encoded = format_.encode(file, p);
    int system_error = encoded == err_write ? errno : 0;
    if (std::fflush(file) != 0 && encoded == st_ok) {
        encoded = err_write;
        system_error = errno;
    }
    const long size = std::ftell(file);
    if (encoded == st_ok && settings_.checksums) {
        record.sha256 = sha256_of(file);
    }
    if (std::fclose(file) != 0 && encoded == st_ok) {
        encoded = err_write;
        system_error = errno;
    }
    if (encoded != st_ok) {
        folder.discard(temporary);
        const bool broke_off = encoded == err_write && system_error == 0;
        return write_failed(kind_of(encoded), encoded == err_write ? system_error : 0,
                            broke_off ? error_detail::write_broke_off : error_detail::none);
    }
    bool existed = false;
    if (!folder.publish(temporary, record.file, !settings_.no_clobber, existed, reason)) {
        return existed ? settle(record, picture_fate::kept) : folder_failed(reason);
    }
    record.bytes = size > 0 ? static_cast<std::uint64_t>(size) : 0;
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
