// Where finished pictures go, file by file: a file is begun, its bytes written through the
// byte sink it is given, and then committed whole under its name or aborted, leaving nothing.
#pragma once

#include "core/error.hpp"
#include "encode/byte_sink.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// What became of a committed file.
struct committed_file {
    bool kept = false;       // not to replace, and something had the name: that stays
    std::uint64_t bytes = 0; // its size, once it has its name
    std::string sha256;      // when asked for
};

class picture_sink {
  public:
    virtual ~picture_sink() = default;

    // How messages name where the files go, and a file there.
    virtual const std::string& shown() const = 0;
    virtual std::string shown_path(const std::string& name) const = 0;

    // Whether anything of that name is there already.
    virtual bool exists(const std::string& name) const = 0;

    // Starts the file `name`: its bytes go into the sink handed back, until commit or abort.
    // One file at a time.
    virtual result<byte_sink> begin(const std::string& name) = 0;
    // Gives the file begun its name, whole: in place of what has the name when replace is
    // set, else only where nothing has it (kept). With checksum, its SHA-256 too. When it
    // fails nothing of the file is left, and what had the name stays.
    virtual result<committed_file> commit(bool replace, bool checksum) = 0;
    // Drops the file begun: nothing of it is left.
    virtual void abort() = 0;
};

// A file of the text given, whole, in place of what has its name: begun, written and
// committed, or nothing of it left.
inline result<committed_file> put_whole(picture_sink& sink, const std::string& name,
                                        std::string_view text) {
    result<byte_sink> bytes = sink.begin(name);
    if (!bytes) {
        return std::move(bytes.failure());
    }
    if (result<void> written =
            put_bytes(*bytes, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        !written) {
        sink.abort();
        return std::move(written.failure());
    }
    return sink.commit(true, false);
}
