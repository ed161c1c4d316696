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

std::string reason_of(int error) {
    return error != 0 ? system_reason(error) : "the write failed";
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

bool picture_run::write(picture_record& record, const picture& p, const std::string& tail,
                        fault& failure) {
    record.file = record.name + format_.extension + tail;
    record.width = p.width;
    record.height = p.height;
    record.bits = p.bits;
    // What the encoder refuses makes no file, listing or not.
    if (const status checked = check_picture(p); checked != st_ok) {
        failure = {checked, format_.routine, {}, {}};
        return false;
    }
    if (made_.contains(lower_case(record.file))) {
        listener_.picture(record, picture_fate::duplicate);
        accounted_for_.insert(record.name);
        return true;
    }
    if (settings_.no_clobber && settings_.folder != nullptr &&
        settings_.folder->holds(record.file)) {
        return settle(record, picture_fate::kept);
    }
    if (settings_.list_only) {
        return settle(record, picture_fate::listed);
    }
    return publish(record, p, failure);
}

bool picture_run::publish(picture_record& record, const picture& p, fault& failure) {
    output_folder& folder = *settings_.folder;
    const auto write_failed = [&](status code, std::string reason) {
        failure = {code, format_.routine, folder.shown_path(record.file), std::move(reason)};
        return false;
    };
    std::string temporary;
    std::string reason;
    std::FILE* file = folder.create_temporary(record.file, temporary, reason);
    if (file == nullptr) {
        return write_failed(err_write, reason);
    }
    char buffer[write_buffer_size] = {};
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
    errno = 0;
    status encoded = format_.encode(file, p);
    int error = encoded == err_write ? errno : 0;
    if (std::fflush(file) != 0 && encoded == st_ok) {
        encoded = err_write;
        error = errno;
    }
    const long size = std::ftell(file);
    if (encoded == st_ok && settings_.checksums) {
        record.sha256 = sha256_of(file);
    }
    if (std::fclose(file) != 0 && encoded == st_ok) {
        encoded = err_write;
        error = errno;
    }
    if (encoded != st_ok) {
        folder.discard(temporary);
        return write_failed(encoded, encoded == err_write ? reason_of(error) : std::string());
    }
    bool existed = false;
    if (!folder.publish(temporary, record.file, !settings_.no_clobber, existed, reason)) {
        return existed ? settle(record, picture_fate::kept) : write_failed(err_write, reason);
    }
    record.bytes = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    return settle(record, picture_fate::written);
}

bool picture_run::settle(const picture_record& record, picture_fate fate) {
    made_.insert(lower_case(record.file));
    accounted_for_.insert(record.name);
    listener_.picture(record, fate);
    return true;
}

void picture_run::fail(const failure_record& record) {
    accounted_for_.insert(record.pictures.begin(), record.pictures.end());
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

status picture_job::load(const char* file, std::uint8_t* buffer, std::uint32_t capacity) {
    sources_.emplace_back(file);
    fault failure;
    const status got = load_disc_file(run_.source(), file, buffer, capacity, failure);
    if (got < 0) {
        const failure_kind kind = kind_of(failure.code);
        tell(std::move(failure), kind, true);
    }
    return got;
}

bool picture_job::load_exactly(const char* file, std::uint8_t* buffer, std::uint32_t size) {
    const status got = load(file, buffer, size);
    if (got < 0) {
        return false;
    }
    if (static_cast<std::uint32_t>(got) != size) {
        return tell(
            {err_argument, nullptr, run_.source().path_of(file),
             std::to_string(got) + " bytes, where the picture needs " + std::to_string(size)},
            failure_kind::wrong_size, false);
    }
    return true;
}

bool picture_job::check(status result, const char* routine) {
    return result == st_ok || fail(result, routine);
}

bool picture_job::fail(status code, const char* routine) {
    return tell({code, routine, {}, {}}, kind_of(code), true);
}

bool picture_job::fail_quietly(failure_kind kind, const char* routine, std::string why) {
    return tell({st_ok, routine, {}, std::move(why)}, kind, false);
}

bool picture_job::tell(fault what, failure_kind kind, bool shown) {
    run_.fail({std::move(what), kind, group_, std::move(unmade_), shown});
    unmade_.clear();
    return false;
}

bool picture_job::write_as(const std::string& name, const picture& p, const std::string& tail) {
    picture_record record;
    record.name = name;
    record.group = group_;
    record.sources = sources_;
    fault failure;
    if (!run_.write(record, p, tail, failure)) {
        const failure_kind kind = kind_of(failure.code);
        return tell(std::move(failure), kind, true);
    }
    std::erase(unmade_, name);
    return true;
}
