#include "encode/folder_sink.hpp"

#include "platform/output_folder.hpp"
#include "platform/sha256.hpp"

#include <cerrno>
#include <utility>

namespace {

// Rows go out one by one; a buffer of 64 KiB takes most pictures in one or two writes (the
// sample disc's are 7 KiB to 257 KiB) and leaves room in the run's memory for a compressed
// image's hunks.
constexpr std::size_t write_buffer_size = 64 * 1024;

// A write that failed: the system's reason, where it left one.
error write_error(int number) {
    error failure{error_kind::write_failed, nullptr, {}, number};
    if (number == 0) {
        failure.detail = error_detail::write_broke_off;
    }
    return failure;
}

result<void> write_to(void* target, const std::uint8_t* bytes, std::size_t count) {
    errno = 0;
    if (std::fwrite(bytes, 1, count, static_cast<std::FILE*>(target)) != count) {
        return write_error(errno);
    }
    return {};
}

} // namespace

folder_sink::~folder_sink() {
    abort();
}

const std::string& folder_sink::shown() const {
    return folder_.shown();
}

std::string folder_sink::shown_path(const std::string& name) const {
    return folder_.shown_path(name);
}

bool folder_sink::exists(const std::string& name) const {
    return folder_.holds(name);
}

result<byte_sink> folder_sink::begin(const std::string& name) {
    abort();
    result<temporary_file> made = folder_.create_temporary(name);
    if (!made) {
        return std::move(made.failure());
    }
    file_ = made->file;
    temporary_ = made->name;
    name_ = name;
    buffer_.assign(write_buffer_size, 0);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    return byte_sink{file_, write_to};
}

result<committed_file> folder_sink::commit(bool replace, bool checksum) {
    std::FILE* file = std::exchange(file_, nullptr);
    if (file == nullptr) {
        return error{error_kind::bad_argument};
    }
    committed_file done;
    errno = 0;
    int failed = std::fflush(file) == 0 ? 0 : (errno != 0 ? errno : -1);
    const long size = std::ftell(file);
    if (failed == 0 && checksum) {
        done.sha256 = sha256_of(file);
    }
    errno = 0;
    if (std::fclose(file) != 0 && failed == 0) {
        failed = errno != 0 ? errno : -1;
    }
    if (failed != 0) {
        folder_.discard(temporary_);
        return write_error(failed > 0 ? failed : 0);
    }
    result<bool> published = folder_.publish(temporary_, name_, replace);
    if (!published) {
        return std::move(published.failure());
    }
    done.kept = !*published;
    done.bytes = *published && size > 0 ? static_cast<std::uint64_t>(size) : 0;
    return done;
}

void folder_sink::abort() {
    if (std::FILE* file = std::exchange(file_, nullptr)) {
        std::fclose(file);
        folder_.discard(temporary_);
    }
}
