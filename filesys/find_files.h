// filesys: the file-system layer the core reads through: directory
// enumeration by wildcard pattern (this header) and positional reads
// (positional_file.h). On Linux the enumeration is our own, offering the
// Win32 calls the listing makes; on Windows the system's are used.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using HANDLE = void*;

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Only the name is filled; the listing reads nothing else.
struct WIN32_FIND_DATAA {
    char cFileName[MAX_PATH];
};

// The entries of the pattern's directory (its part up to the last '/' or '\',
// where '\' separates directories as '/' does; the current directory when
// there is none) whose names match its last
// component: '*' any run, '?' one character, ASCII letters without case.
// Sorted by upper-cased name, so every run lists the same order.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

// Whether name matches mask as above. Exposed for tests.
bool wildcard_match(const char* mask, const char* name);

#endif
