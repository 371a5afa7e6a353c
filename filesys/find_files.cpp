#include "filesys/find_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

struct FindState {
    std::string names;              // every kept name, NUL after each
    std::vector<std::size_t> starts;
    std::size_t next = 0;
};

bool fill(FindState& s, WIN32_FIND_DATAA* data) {
    if (s.next >= s.starts.size()) return false;
    const char* name = s.names.c_str() + s.starts[s.next++];
    // Kept names are shorter than MAX_PATH; copy just the name, not a padded buffer.
    std::memcpy(data->cFileName, name, std::strlen(name) + 1);
    return true;
}

// Upper-cased order first, the raw bytes for ties.
bool name_less(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        const unsigned char ua = static_cast<unsigned char>(upper(a[i]));
        const unsigned char ub = static_cast<unsigned char>(upper(b[i]));
        if (ua != ub) return ua < ub;
        if (a[i] == '\0') break;
    }
    return std::strcmp(a, b) < 0;
}

} // namespace

bool wildcard_match(const char* mask, const char* name) {
    // Greedy with one backtrack point: linear in practice, never exponential.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (*mask && (*mask == '?' || upper(*mask) == upper(*name))) {
            ++mask;
            ++name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*') ++mask;
    return *mask == '\0';
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    const char* last_sep = nullptr;
    for (const char* p = pattern; *p; ++p)
        if (*p == '/' || *p == '\\') last_sep = p;
    std::string dir = last_sep ? std::string(pattern, last_sep + 1) : std::string("./");
    std::replace(dir.begin(), dir.end(), '\\', '/');  // separates directories, as on Windows
    const char* mask = last_sep ? last_sep + 1 : pattern;

    DIR* d = opendir(dir.c_str());
    if (!d) return INVALID_HANDLE_VALUE;
    auto* s = new FindState;
    while (const dirent* e = readdir(d)) {
        if (std::strlen(e->d_name) >= MAX_PATH || !wildcard_match(mask, e->d_name)) continue;
        s->starts.push_back(s->names.size());
        s->names.append(e->d_name).push_back('\0');
    }
    closedir(d);
    const char* base = s->names.c_str();
    std::sort(s->starts.begin(), s->starts.end(),
              [base](std::size_t a, std::size_t b) { return name_less(base + a, base + b); });
    if (!fill(*s, data)) {
        delete s;
        return INVALID_HANDLE_VALUE;
    }
    return s;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    return find != INVALID_HANDLE_VALUE && find && fill(*static_cast<FindState*>(find), data);
}

BOOL FindClose(HANDLE find) {
    if (find == INVALID_HANDLE_VALUE || !find) return 0;
    delete static_cast<FindState*>(find);
    return 1;
}
