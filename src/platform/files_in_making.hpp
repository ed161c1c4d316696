// The temporary files this process has in the making, where a stop (a signal, a console's
// Ctrl-C) can reach them and remove them before the process ends. A file is marked before
// it is made and unmarked once it has been renamed or removed.
#pragma once

#include <string>

// A file of the folder held open as `folder` (a descriptor; -1 where the system holds none,
// and `name` is then the file's full path). False when it cannot be marked (every place
// taken, or a name longer than a place holds): the file is then made unmarked.
bool mark_in_making(int folder, const std::string& name);
void unmark_in_making(int folder, const std::string& name);
// Every file of a folder about to be closed: its descriptor may name another folder next.
void unmark_folder(int folder);

// Hands each marked file to remove, once; the file stays marked no more. Safe in a signal
// handler, and from another thread while the one that marks goes on.
void remove_in_making(void (*remove)(int folder, const char* name));
