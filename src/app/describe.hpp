// Errors in words: the one place an error the layers below hand up becomes English, for the
// standard error lines and the manifest. The console's Japanese lines are errormes's.
#pragma once

#include "core/error.hpp"
#include "extract/picture_run.hpp"

#include <string>

// What a failure's message names: the routine that met it, else the file it concerns.
const char* context_of(const error& what);

// Why a source cannot be read, as one line without the program's name or a full stop:
// "game.cue has no data track".
std::string describe_source_error(const error& e);

// Why it failed, beyond its kind: the system's words for its error number, the library's
// own words, or what the layer found; empty when nothing more is known.
std::string cause_of(const error& what, const char* group = nullptr);

// The lines that say the output folder at path cannot be opened, or takes no new file.
std::string cannot_open_folder(const std::string& path, const error& why);
std::string cannot_write_into_folder(const std::string& path, const error& why);

// A failure in plain English, for readers who do not read the console's Japanese (the
// manifest): what failed, and why where that is known.
std::string describe(const failure_record& record);
