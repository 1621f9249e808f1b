// zrread run as a process, on pictures written to the test's own folder.
#ifndef ZR_TESTS_DEMO_ZRREAD_PROCESS_HPP
#define ZR_TESTS_DEMO_ZRREAD_PROCESS_HPP

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scratch_dir.hpp"
#include "zr/ZrImgRW.h"

namespace zr::demo::test {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ZrreadTest : public zr::demo::test::ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        blank_ = Path("blank.bmp");
        ZrImage image{};
        image.width = 200;
        image.height = 100;
        image.bitsPerPixel = 8;
        image.xDpi = image.yDpi = 300;
        ASSERT_EQ(ZrCreateImage(&image), ZR_OK);
        ASSERT_EQ(ZrWriteBMP(&image, blank_.c_str()), ZR_OK);
        ZrDestroyImage(&image);
    }
    static std::string Slurp(const fs::path &path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs zrread with the arguments (already quoted where needed), standard input from `input`
    // when it is given.
    Outcome Zrread(const std::string &arguments, const std::string &input = {}) const {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = std::string("'") + ZRREAD_PATH + "' " + arguments + " >'" + out.string() +
                                    "' 2>'" + err.string() + "'" +
                                    (input.empty() ? std::string(" </dev/null") : " <'" + input + "'");
        const int raw = std::system(command.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = Slurp(out);
        run.err = Slurp(err);
        return run;
    }

    std::string Quoted(const std::string &path) const { return "'" + path + "'"; }

    std::string blank_;
};

}  // namespace zr::demo::test

#endif  // ZR_TESTS_DEMO_ZRREAD_PROCESS_HPP
