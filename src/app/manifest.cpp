#include "app/manifest.hpp"

#include "app/describe.hpp"
#include "app/errormes.hpp"
#include "app/version.hpp"
#include "platform/sha256.hpp"

#include <nlohmann/json.hpp>

const bool manifest_built = true;

namespace {

std::string sha256_words() {
    const sha256_library used = sha256_support();
    if (!sha256_built) {
        return std::string("no SHA-256 (built without ") + used.name + ")";
    }
    return std::string("SHA-256 through ") + (used.system_library ? "the system's " : "") +
           used.name + (used.version.empty() ? "" : " " + used.version);
}

} // namespace

std::string manifest_support() {
    return "JSON (through nlohmann-json " + std::to_string(NLOHMANN_JSON_VERSION_MAJOR) + "." +
           std::to_string(NLOHMANN_JSON_VERSION_MINOR) + "." +
           std::to_string(NLOHMANN_JSON_VERSION_PATCH) + "), " + sha256_words();
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

json text_or_null(const std::string& text) {
    return text.empty() ? json(nullptr) : json(text);
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
        if (!record.sha256.empty()) {
            entry["sha256"] = record.sha256;
        }
        pictures_.push_back(std::move(entry));
    }

    void failure(const failure_record& record) override {
        const error& what = record.what;
        json entry = {
            {"kind", name_of(what.kind)},
            {"reason", describe(record)},
            {"console", record.shown ? json(message_text(code_of(what.kind), context_of(what),
                                                         console_encoding::utf8))
                                     : json(nullptr)},
            {"routine", name_or_null(what.routine)},
            {"path", text_or_null(what.path)},
            {"group", name_or_null(record.group)},
            {"pictures", record.pictures},
        };
        failures_.push_back(std::move(entry));
    }

    // The pictures a group's failure left unmade are the cost of the failure that stopped it.
    void group_failed(const char* group, const std::vector<std::string>& unmade) override {
        groups_failed_.push_back(group);
        for (auto f = failures_.rbegin(); f != failures_.rend(); ++f) {
            if ((*f)["group"] == group) {
                for (const std::string& name : unmade) {
                    (*f)["pictures"].push_back(name);
                }
                return;
            }
        }
    }

    std::string document(int exit_status, const run_counts& counts) const override {
        const json document = {
            {"format", manifest_format},
            {"format_version", manifest_format_version},
            {"program", program_name},
            {"version", program_version},
            {"source", head_.source},
            {"source_path", text_or_null(head_.source_path)},
            {"output", head_.listing ? json(nullptr) : json(head_.output)},
            {"output_path", head_.listing ? json(nullptr) : json(head_.output_path)},
            {"picture_format", head_.format},
            {"listing", head_.listing},
            {"gallery", text_or_null(gallery_)},
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
        return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
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
