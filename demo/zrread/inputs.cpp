#include "inputs.hpp"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "zr/ZrImgRW.h"

namespace zr::zrread {
namespace {

namespace fs = std::filesystem;

// Enough of a file's head for every signature the image library knows.
constexpr std::size_t kHeadBytes = 16;

std::string Join(const std::string &folder, const std::string &name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

}  // namespace

bool LooksLikePicture(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::array<char, kHeadBytes> head{};
    in.read(head.data(), head.size());
    return ZrDetectImageType(head.data(), static_cast<std::size_t>(in.gcount())) != ZR_IMAGE_UNKNOWN;
}

InputList::InputList(std::vector<std::string> names, bool recursive, std::istream &standardInput)
    : names_(std::move(names)), recursive_(recursive), standardInput_(standardInput) {}

bool InputList::Next(Input &input) {
    while (!exhausted_) {
        if (!walk_.empty()) {
            if (NextFromWalk(input)) break;
            continue;
        }
        if (readingStandardInput_) {
            std::string line;
            if (!std::getline(standardInput_, line)) {
                readingStandardInput_ = false;
                continue;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && Begin(line, input)) break;
            continue;
        }
        if (nextName_ < names_.size()) {
            const std::string &name = names_[nextName_++];
            if (name == "-") {
                readingStandardInput_ = true;
            } else if (Begin(name, input)) {
                break;
            }
            continue;
        }
        exhausted_ = true;
    }
    if (exhausted_) return false;
    ++given_;
    return true;
}

// A named path: a file is given as it is (a missing one fails when it is read), a folder is
// walked with -r and refused without.
bool InputList::Begin(const std::string &name, Input &input) {
    std::error_code error;
    if (fs::is_directory(name, error)) {
        if (!recursive_) {
            input = Input{name, "is a folder (give -r to read the pictures in it)"};
            return true;
        }
        return OpenFolder(name, input);
    }
    input = Input{name, {}};
    return true;
}

// Starts walking a folder; true with an error entry when it cannot be listed.
bool InputList::OpenFolder(const std::string &folder, Input &input) {
    std::error_code error;
    Level level;
    level.folder = folder;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        level.names.push_back(entry->path().filename().string());
    }
    if (error) {
        input = Input{folder, "cannot list the folder: " + error.message()};
        return true;
    }
    std::sort(level.names.begin(), level.names.end());
    walk_.push_back(std::move(level));
    return false;
}

// Depth first, each folder's entries by name; subfolders reached through a link are not entered
// (no loops), files reached through one are read.
bool InputList::NextFromWalk(Input &input) {
    while (!walk_.empty()) {
        Level &level = walk_.back();
        if (level.next == level.names.size()) {
            walk_.pop_back();
            continue;
        }
        const std::string path = Join(level.folder, level.names[level.next++]);
        std::error_code error;
        const fs::file_status own = fs::symlink_status(path, error);
        if (error) continue;
        if (fs::is_directory(own)) {
            if (OpenFolder(path, input)) return true;  // `level` may be gone from here on
            continue;
        }
        const bool regular = fs::is_symlink(own) ? fs::is_regular_file(fs::status(path, error))
                                                 : fs::is_regular_file(own);
        if (!regular || error || !LooksLikePicture(path)) continue;
        input = Input{path, {}};
        return true;
    }
    return false;
}

}  // namespace zr::zrread
