// A fresh directory for one test, removed afterwards; optionally the current one.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Every byte of a file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// The names in a folder, sorted.
std::vector<std::string> entry_names(const std::filesystem::path& dir);

// Makes the directory current for as long as it lives.
class CurrentDir {
public:
    explicit CurrentDir(const std::filesystem::path& dir);
    ~CurrentDir();
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};
