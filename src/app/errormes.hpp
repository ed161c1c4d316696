// The one routine that turns a status code into a console line.
#pragma once

#include "app/console.hpp"
#include "core/status.hpp"
#include "extract/picture_run.hpp"

#include <string>

// Prints the message of an error code after "Error!  " and returns -1; hands back -1 and
// every success value unchanged without printing, so one expression both reports a result
// and tests it.
status errormes(console& con, status code, const char* context);

// The message errormes prints for code and context, without the prefix and the line end,
// in the given encoding.
std::string message_text(status code, const char* context, console_encoding encoding);

// What a failure's message names: the routine that gave its code, else the file it concerns.
const char* context_of(const fault& what);

// A failure in plain English, for readers who do not read the console's Japanese (the
// manifest): what failed, and why where that is known.
std::string english_reason(const failure_record& record);
