#include "app/manifest.hpp"

#include "app/errormes.hpp"
#include "app/version.hpp"

#include <nlohmann/json.hpp>

const bool manifest_built = true;

std::string manifest_support() {
    return "JSON (through nlohmann-json " + std::to_string(NLOHMANN_JSON_VERSION_MAJOR) + "." +
           std::to_string(NLOHMANN_JSON_VERSION_MINOR) + "." +
           std::to_string(NLOHMANN_JSON_VERSION_PATCH) + ")";
}

namespace {

using json = nlohmann::ordered_json;

const char* fate_name(picture_fate fate) {
    switch (fate) {
    case picture_fate::written:
        return "written";
    case picture_fate::listed:
        return "listed";
    case picture_fate::kept:
        return "kept";
    case picture_fate::duplicate:
        return "duplicate";
    }
    return "";
}

json name_or_null(const char* text) {
    return text != nullptr ? json(text) : json(nullptr);
}

class json_manifest final : public manifest_listener {
  public:
    explicit json_manifest(manifest_head head) : head_(std::move(head)) {}

    void picture(const picture_record& record, picture_fate fate) override {
        json entry = {
            {"name", record.name},   {"file", record.file},       {"group", record.group},
            {"width", record.width}, {"height", record.height},   {"bits", record.bits},
            {"bytes", record.bytes}, {"sources", record.sources}, {"status", fate_name(fate)},
        };
        pictures_.push_back(std::move(entry));
    }

    void failure(const failure_record& record) override {
        const fault& what = record.what;
        const char* context = what.routine != nullptr ? what.routine
                              : what.path.empty()     ? nullptr
                                                      : what.path.c_str();
        json entry = {
            {"code", what.code},
            {"message", message_text(what.code, context, console_encoding::utf8)},
            {"routine", name_or_null(what.routine)},
            {"path", what.path.empty() ? json(nullptr) : json(what.path)},
            {"group", name_or_null(record.group)},
            {"picture", record.picture.empty() ? json(nullptr) : json(record.picture)},
            {"shown", record.shown},
        };
        if (!what.reason.empty()) {
            entry["reason"] = what.reason;
        }
        failures_.push_back(std::move(entry));
    }

    void group_failed(const char* group) override { groups_failed_.push_back(group); }

    bool write(std::FILE* file, int exit_status, const run_counts& counts) override {
        const json document = {
            {"program", program_name},
            {"version", program_version},
            {"source", head_.source},
            {"output", head_.listing ? json(nullptr) : json(head_.output)},
            {"format", head_.format},
            {"listing", head_.listing},
            {"pictures", pictures_},
            {"failures", failures_},
            {"groups_failed", groups_failed_},
            {"counts",
             {{"written", counts.written},
              {"listed", counts.listed},
              {"skipped", counts.skipped},
              {"failed", counts.failed}}},
            {"exit_status", exit_status},
        };
        // Names come from the disc and paths from the user: bytes that are no UTF-8 are
        // replaced, never passed on.
        const std::string text =
            document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
        return std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
               std::fflush(file) == 0;
    }

  private:
    manifest_head head_;
    json pictures_ = json::array();
    json failures_ = json::array();
    json groups_failed_ = json::array();
};

} // namespace

std::unique_ptr<manifest_listener> manifest_listener::make(manifest_head head) {
    return std::make_unique<json_manifest>(std::move(head));
}
