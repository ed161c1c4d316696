#include "app/report.hpp"

#include "app/errormes.hpp"
#include "app/shown.hpp"
#include "app/version.hpp"
#include "encode/formats.hpp"
#include "platform/output_folder.hpp"

namespace {

constexpr char listing_rule[] = "-----------  ----  --------  --------\n";

const char* plural(unsigned count) {
    return count == 1 ? "" : "s";
}

std::string pictures(unsigned count) {
    return std::to_string(count) + " picture" + plural(count);
}

} // namespace

void say(std::FILE* errors, const std::string& text) {
    std::fprintf(errors, "%s: %s\n", program_name, escaped(text).c_str());
    std::fflush(errors);
}

void console_report::begin_listing() {
    con_.puts("       Size  Bits  Group     Name\n");
    con_.puts(listing_rule);
}

void console_report::end_listing() {
    con_.puts(listing_rule);
    con_.printf("%29s%s\n", "", pictures(listed_).c_str());
}

void console_report::picture(const picture_record& record, picture_fate fate) {
    switch (fate) {
    case picture_fate::written:
        if (!quiet_) {
            con_.printf("done > %s\n", record.file.c_str());
        }
        break;
    case picture_fate::listed: {
        const std::string size =
            std::to_string(record.width) + " x " + std::to_string(record.height);
        con_.printf("%11s  %4u  %-8s  %s\n", size.c_str(), unsigned{record.bits}, record.group,
                    record.file.c_str());
        ++listed_;
        break;
    }
    case picture_fate::kept:
        break;
    case picture_fate::duplicate:
        say(errors_, (record.sources.empty() ? record.name : record.sources.back()) +
                         " also gives " + record.file +
                         ": left out, the first picture of that name stays");
        break;
    }
}

void console_report::failure(const failure_record& record) {
    if (!record.shown) {
        return;
    }
    const fault& what = record.what;
    errormes(con_, what.code,
             what.routine != nullptr ? what.routine
             : what.path.empty()     ? nullptr
                                     : what.path.c_str());
    if (what.code == err_write && !what.path.empty()) {
        say(errors_, "cannot write " + what.path + ": " + what.reason);
    }
}

void run_counts::picture(const picture_record&, picture_fate fate) {
    switch (fate) {
    case picture_fate::written:
        ++written;
        break;
    case picture_fate::listed:
        ++listed;
        break;
    case picture_fate::kept:
    case picture_fate::duplicate:
        ++skipped;
        break;
    }
}

std::string run_counts::summary(const picture_settings& settings,
                                const picture_format& format) const {
    std::string line = settings.list_only
                           ? pictures(listed) + " listed"
                           : pictures(written) + " written to " + settings.folder->shown() + " (" +
                                 format.shown + ")";
    if (settings.no_clobber || skipped != 0) {
        line += ", " + std::to_string(skipped) + " skipped";
    }
    return line + ", " + std::to_string(failed) + " failed";
}

void run_listeners::picture(const picture_record& record, picture_fate fate) {
    for (run_listener* l : all_) {
        l->picture(record, fate);
    }
}

void run_listeners::failure(const failure_record& record) {
    for (run_listener* l : all_) {
        l->failure(record);
    }
}

void run_listeners::group_failed(const char* group) {
    for (run_listener* l : all_) {
        l->group_failed(group);
    }
}
