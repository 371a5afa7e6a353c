#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

TempDir::TempDir() {
    // create_directory reports whether it made the folder, so a name that
    // another process took is simply tried again with other letters.
    std::random_device seed;
    std::mt19937 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "clockr-test-";
        for (int i = 0; i < 8; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            path_ = base / name;
            return;
        }
    }
    std::abort();
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Undo what tests make unreadable, so removal can go through.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

CurrentDir::CurrentDir(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

CurrentDir::~CurrentDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> entry_names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
