#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "clockr-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
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
