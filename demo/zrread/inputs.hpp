// The pictures of a batch, one at a time: the files named, the pictures of the folders walked
// and the paths read from standard input, in that order.
#ifndef ZR_ZRREAD_INPUTS_HPP
#define ZR_ZRREAD_INPUTS_HPP

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace zr::zrread {

// One entry of the batch: a path to read, or a path with the reason it cannot be (a folder
// without -r, a folder that cannot be listed).
struct Input {
    std::string path;
    std::string error;
};

// True when the file's first bytes are those of a picture type the image library reads.
bool LooksLikePicture(const std::string &path);

class InputList {
  public:
    // `names`: files, folders and "-" for the lines of `standardInput`.
    InputList(std::vector<std::string> names, bool recursive, std::istream &standardInput);

    // The next entry; false when there is none left.
    bool Next(Input &input);
    // True once Next has given every entry.
    bool Exhausted() const { return exhausted_; }
    // Entries given so far.
    std::size_t Given() const { return given_; }

  private:
    // A folder being walked: its entries' names, sorted, and the next one to look at.
    struct Level {
        std::string folder;
        std::vector<std::string> names;
        std::size_t next = 0;
    };
    bool NextFromWalk(Input &input);
    bool Begin(const std::string &name, Input &input);
    bool OpenFolder(const std::string &folder, Input &input);

    std::vector<std::string> names_;
    std::size_t nextName_ = 0;
    bool recursive_;
    std::istream &standardInput_;
    bool readingStandardInput_ = false;
    std::vector<Level> walk_;
    bool exhausted_ = false;
    std::size_t given_ = 0;
};

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_INPUTS_HPP
