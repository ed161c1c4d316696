// The words for a source that cannot be read: the one place an error of opening a disc (a
// drive, a folder, an image and the files a sheet names) becomes a line for people.
#pragma once

#include "core/error.hpp"

#include <string>

// The line, without the program's name or a full stop: "game.cue has no data track".
std::string describe_source_error(const error& e);
