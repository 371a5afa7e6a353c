// The resources built into the program: the dialog templates of its
// resource scripts, found by the name DialogBoxParamA is given.
#include "win32qt/resources.h"

#include <QString>
#include <cstdio>
#include <cstring>
#include <vector>

#include "win32qt/win32_qt.h"

namespace win32qt {
namespace {

std::vector<ResourceFile>& resource_files() {
    static std::vector<ResourceFile> files;
    return files;
}

const ResourceScript* resource_scripts() {
    static ResourceScript all;
    static bool read = false;
    if (!read) {
        read = true;
        const auto lookup = [](const std::string& name) -> const char* {
            for (const ResourceFile& f : resource_files()) {
                if (name == f.name) return f.text;
            }
            return nullptr;
        };
        for (const ResourceFile& f : resource_files()) {
            const std::size_t n = std::strlen(f.name);
            if (n < 3 || std::strcmp(f.name + n - 3, ".rc") != 0) continue;
            ResourceScript script;
            std::string error;
            if (!read_resource_script(f.text, lookup, script, error)) {
                std::fprintf(stderr, "win32qt: %s: %s\n", f.name, error.c_str());
                continue;
            }
            for (DialogTemplate& d : script.dialogs) all.dialogs.push_back(std::move(d));
        }
    }
    return &all;
}

} // namespace

bool register_resource_files(const ResourceFile* files, int count) {
    for (int i = 0; i < count; ++i) resource_files().push_back(files[i]);
    return true;
}

const DialogTemplate* find_dialog_template(LPCSTR resource) {
    const auto value = reinterpret_cast<UINT_PTR>(resource);
    for (const DialogTemplate& d : resource_scripts()->dialogs) {
        if (value < 0x10000 ? d.id == int(value) : d.id < 0 && QString::fromLatin1(resource).toUpper() == d.name.c_str())
            return &d;
    }
    return nullptr;
}

} // namespace win32qt
