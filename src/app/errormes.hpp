// The one routine that turns a status code into a console line.
#pragma once

#include "app/console.hpp"
#include "core/status.hpp"

#include <string>

// Prints the message of an error code after "Error!  "; -1 (a failure already told) and
// success print nothing.
void errormes(console& con, status code, const char* context);

// The message errormes prints for code and context, without the prefix and the line end,
// in the given encoding.
std::string message_text(status code, const char* context, console_encoding encoding);
