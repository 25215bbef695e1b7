// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes a file, making the folders above it; mode as for chmod.
void writeFile(const std::string& path, const std::string& content, unsigned mode = 0644);
void makeFolders(const std::string& path);
bool fileExists(const std::string& path);
// Whether every user may enter the folder: it and every folder above it.
bool everyoneMayEnter(const std::string& folder);
std::string readFile(const std::string& path);
void copyFile(const std::string& from, const std::string& to, unsigned mode);
// The lines of a text without their "\n"; a last line without one counts.
std::vector<std::string> linesOf(const std::string& text);
