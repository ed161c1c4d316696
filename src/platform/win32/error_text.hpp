// The system's words for its error codes, as messages end with them.
#pragma once

#include <string>
#include <windows.h>

// The text the system gives for error, without the full stop and line end it adds.
std::string error_text(DWORD error);
