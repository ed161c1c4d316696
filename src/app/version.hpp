// The program's name and version, as its lines and documents give them.
#pragma once

constexpr char program_name[] = "quillmoor";
constexpr char program_version[] = "1.02";
