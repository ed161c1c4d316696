// Pictures into a folder, whole or absent: each file is made under a temporary name of its
// own there and renamed into place when whole (platform/output_folder).
#pragma once

#include "encode/picture_sink.hpp"

#include <cstdio>
#include <vector>

class output_folder;

class folder_sink final : public picture_sink {
  public:
    explicit folder_sink(output_folder& folder) : folder_(folder) {}
    ~folder_sink() override;
    folder_sink(const folder_sink&) = delete;
    folder_sink& operator=(const folder_sink&) = delete;

    const std::string& shown() const override;
    std::string shown_path(const std::string& name) const override;
    bool exists(const std::string& name) const override;
    result<byte_sink> begin(const std::string& name) override;
    result<committed_file> commit(bool replace, bool checksum) override;
    void abort() override;

  private:
    output_folder& folder_;
    std::FILE* file_ = nullptr; // the file begun, under its temporary name
    std::string temporary_;
    std::string name_;
    std::vector<char> buffer_; // the file's stream buffer while it is open
};
