// fuzz: libFuzzer targets on the reader and on a whole listing pass, and the
// writer of their seed corpus. This header: how one fuzz input describes a
// folder of files for the listing pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Input: two option bytes, then entries separated by entry_separator. The
// first byte of an entry says what it becomes (entry_kind, entry_name); the
// rest is its content.
constexpr char entry_separator[] = "\n=REC=\n";
constexpr std::size_t entry_separator_size = sizeof entry_separator - 1;
constexpr std::size_t max_entries = 8;

enum class EntryKind { File, LinkToFirst, LinkLoop, Directory, Fifo };

inline EntryKind entry_kind(unsigned char b) {
    switch (b & 7) {
    case 4: return EntryKind::LinkToFirst;
    case 5: return EntryKind::LinkLoop;
    case 6: return EntryKind::Directory;
    case 7: return EntryKind::Fifo;
    default: return EntryKind::File;
    }
}

// The entry's name: its index, then bytes that are not UTF-8 or an upper-case
// extension when the selector asks for them, so names the pattern still matches.
inline std::string entry_name(std::size_t index, unsigned char b) {
    std::string name = std::to_string(index);
    if (b & 0x80) name += "\xff\xfe";
    name += (b & 0x40) ? ".REC" : ".rec";
    return name;
}

struct FolderEntry {
    unsigned char selector;
    std::string content;
};

inline std::vector<FolderEntry> split_entries(const std::uint8_t* data, std::size_t size) {
    std::vector<FolderEntry> entries;
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < all.size() && entries.size() < max_entries) {
        std::size_t end = all.find(entry_separator, start, entry_separator_size);
        if (end == std::string::npos) end = all.size();
        const std::string part = all.substr(start, end - start);
        if (!part.empty())
            entries.push_back({static_cast<unsigned char>(part[0]), part.substr(1)});
        start = end + entry_separator_size;
    }
    return entries;
}
