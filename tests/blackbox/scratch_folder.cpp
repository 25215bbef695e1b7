#include "tests/blackbox/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "irtools-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
    // Open to every user, so that a child that dropped root can work in it.
    chmod(path_.c_str(), 0777);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void makeFolders(const std::string& path) { fs::create_directories(path); }

void writeFile(const std::string& path, const std::string& content, unsigned mode) {
    fs::path target(path);
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path());
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    chmod(path.c_str(), mode);
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool everyoneMayEnter(const std::string& folder) {
    for (fs::path path = fs::absolute(folder);; path = path.parent_path()) {
        struct stat status {};
        if (stat(path.c_str(), &status) != 0 || (status.st_mode & S_IXOTH) == 0) {
            return false;
        }
        if (path == path.root_path()) {
            return true;
        }
    }
}

void copyFile(const std::string& from, const std::string& to, unsigned mode) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    chmod(to.c_str(), mode);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
