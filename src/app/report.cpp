#include "app/report.hpp"

#include "app/describe.hpp"
#include "app/errormes.hpp"
#include "app/l10n.hpp"
#include "app/shown.hpp"
#include "app/version.hpp"
#include "encode/formats.hpp"
#include "encode/picture_sink.hpp"

namespace {

constexpr char listing_rule[] = "-----------  ----  --------  --------\n";

std::string pictures(unsigned count) {
    return formatted(count == 1 ? _("%u picture") : _("%u pictures"), count);
}

} // namespace

void say(std::FILE* errors, const std::string& text) {
    std::fprintf(errors, "%s: %s\n", program_name, escaped(text).c_str());
    std::fflush(errors);
}

void console_report::begin_listing() {
    if (shown_ != results::elsewhere) {
        to_.results.puts(_("       Size  Bits  Group     Name\n"));
        to_.results.puts(listing_rule);
    }
}

void console_report::end_listing() {
    if (shown_ != results::elsewhere) {
        to_.results.puts(listing_rule);
        to_.results.printf("%29s%s\n", "", pictures(listed_).c_str());
    }
}

void console_report::picture(const picture_record& record, picture_fate fate) {
    switch (fate) {
    case picture_fate::written:
        if (shown_ == results::shown) {
            to_.results.printf(_("done > %s\n"), record.file.c_str());
        }
        break;
    case picture_fate::listed: {
        const std::string size =
            std::to_string(record.width) + " x " + std::to_string(record.height);
        if (shown_ != results::elsewhere) {
            to_.results.printf("%11s  %4u  %-8s  %s\n", size.c_str(), unsigned{record.bits},
                               record.group, record.file.c_str());
        }
        ++listed_;
        break;
    }
    case picture_fate::kept:
        break;
    case picture_fate::duplicate:
        say(to_.errors,
            formatted(_("%s also gives %s: left out, the first picture of that name stays"),
                      (record.sources.empty() ? record.name : record.sources.back()).c_str(),
                      record.file.c_str()));
        break;
    }
}

void console_report::failure(const failure_record& record) {
    const error& what = record.what;
    if (record.shown) {
        errormes(to_.failures, code_of(what.kind), context_of(what));
    }
    if (what.kind == error_kind::write_failed && !what.path.empty()) {
        say(to_.errors,
            formatted(_("cannot write %s: %s"), what.path.c_str(), cause_of(what).c_str()));
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
                           ? formatted(_("%s listed"), pictures(listed).c_str())
                           : formatted(_("%s written to %s (%s)"), pictures(written).c_str(),
                                       settings.pictures->shown().c_str(), format.shown);
    if (settings.no_clobber || skipped != 0) {
        line += formatted(_(", %u skipped"), skipped);
    }
    return line + formatted(_(", %u failed"), failed);
}

std::string names_joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

std::string run_counts::group_line(const failed_group& g) {
    std::string line = formatted(_("the %s group failed as a whole"), g.group);
    if (!g.unmade.empty()) {
        line += formatted(_(": %s not made (%s)"),
                          pictures(static_cast<unsigned>(g.unmade.size())).c_str(),
                          names_joined(g.unmade).c_str());
    }
    return line;
}

std::vector<std::string> run_counts::group_lines() const {
    std::vector<std::string> lines;
    for (const failed_group& g : groups_failed) {
        lines.push_back(group_line(g));
    }
    return lines;
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

void run_listeners::group_failed(const char* group, const std::vector<std::string>& unmade) {
    for (run_listener* l : all_) {
        l->group_failed(group, unmade);
    }
}
