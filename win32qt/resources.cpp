// The resources built into the program: the .res files that
// cmake/embed_resources.cmake hands over, searched as FindResource does.
#include "win32qt/resources.h"

#include <QString>
#include <cstdio>
#include <vector>

#include "win32qt/win32_qt.h"

namespace win32qt {
namespace {

std::vector<std::span<const std::uint8_t>>& resource_files() {
    static std::vector<std::span<const std::uint8_t>> files;
    return files;
}

bool names(const NameOrNumber& name, LPCSTR resource) {
    const auto value = reinterpret_cast<UINT_PTR>(resource);
    if (value < 0x10000) return name.number == int(value);
    return name.number < 0 &&
           QString::fromUtf8(name.text).compare(QString::fromLatin1(resource), Qt::CaseInsensitive) == 0;
}

} // namespace

bool register_resources(const unsigned char* res, std::size_t size) {
    resource_files().push_back({res, size});
    return true;
}

bool find_dialog_template(LPCSTR resource, DialogTemplate& out) {
    std::vector<ResourceEntry> entries;
    std::string error;
    for (const auto& file : resource_files()) {
        if (!read_resource_file(file, entries, error)) {
            std::fprintf(stderr, "win32qt: built-in resources: %s\n", error.c_str());
            continue;
        }
        for (const ResourceEntry& e : entries) {
            if (e.type.number != rt_dialog || !names(e.name, resource)) continue;
            if (read_dialog_template(e.data, out, error)) return true;
            std::fprintf(stderr, "win32qt: built-in resources: %s\n", error.c_str());
            return false;
        }
    }
    return false;
}

} // namespace win32qt
