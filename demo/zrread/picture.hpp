// One picture of the batch read by every requested reader, its output made ready to print.
#ifndef ZR_ZRREAD_PICTURE_HPP
#define ZR_ZRREAD_PICTURE_HPP

#include <string>

#include "arguments.hpp"
#include "inputs.hpp"
#include "zr/ZrReaders.hpp"

namespace zr::zrread {

enum class Outcome { Found, Empty, Failed };

struct PictureResult {
    Outcome outcome = Outcome::Empty;
    std::string out;  // for standard output
    std::string err;  // for standard error
};

// Reads pictures with the options of the command line; one per thread, Read may run on any.
class PictureReader {
  public:
    explicit PictureReader(const Arguments &args);

    // Never throws: a picture that cannot be read gives a Failed result with its error.
    PictureResult Read(const Input &input) const;

    // The result of a picture that failed with `error`, in the chosen output.
    PictureResult Failure(const std::string &file, const std::string &error) const;

  private:
    PictureResult ReadWithApi(const std::string &file) const;
    PictureResult ReadWithReports(const std::string &file) const;
    PictureResult Success(const std::string &file, const std::vector<Barcode> &barcodes) const;

    const Arguments &args_;
    ReadOptions options_;
};

// The readers' options for the kinds and settings of the command line (the area in pixels;
// --unit in and cm are turned to pixels per picture).
ReadOptions ApiOptions(const Arguments &args);

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_PICTURE_HPP
