// zrread run as a process on images written here through the image library.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "logic/read.hpp"
#include "scratch_dir.hpp"
#include "zr/ZrImgRW.h"

namespace {

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

    // Runs zrread with the arguments (already quoted where needed).
    Outcome Zrread(const std::string &arguments) const {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = std::string("'") + ZRREAD_PATH + "' " + arguments + " >'" + out.string() +
                                    "' 2>'" + err.string() + "'";
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

TEST_F(ZrreadTest, BlankImageFindsNothing) {
    const Outcome run = Zrread("--kind linear " + Quoted(blank_));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.rfind("Read linear barcodes\nRun time: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nReturn code: 0\nBarcodes found: 0\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Barcode no:"), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST_F(ZrreadTest, InfoLines) {
    const Outcome run = Zrread("--info " + Quoted(blank_));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.rfind("Width: 200\nHeight: 100\nPitch: 200\nBitsPerPixel: 8\n"
                            "Resolution: 300 x 300 dpi\n0.67 x 0.33 inch\n1.69 x 0.85 centimeters\n"
                            "Read linear barcodes\n",
                            0),
              0u)
        << run.out;
}

TEST_F(ZrreadTest, JsonIsOneLinePerFileAndKind) {
    const Outcome run = Zrread("--json --kind linear " + Quoted(blank_));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(
        run.out.rfind("{\"file\":\"" + blank_ + "\",\"kind\":\"linear\",\"returnCode\":0,\"runTime\":", 0),
        0u)
        << run.out;
    EXPECT_NE(run.out.find(",\"count\":0,\"results\":[]}\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);

    // Without --kind every built reader runs: one line per file and kind.
    const Outcome one = Zrread("--json " + Quoted(blank_));
    const Outcome two = Zrread("--json " + Quoted(blank_) + " " + Quoted(blank_));
    EXPECT_EQ(two.status, 1);
    const auto kinds = std::count(one.out.begin(), one.out.end(), '\n');
    EXPECT_GE(kinds, 1);
    EXPECT_EQ(std::count(two.out.begin(), two.out.end(), '\n'), 2 * kinds);
}

TEST_F(ZrreadTest, FileErrorsExitTwoButOtherFilesAreRead) {
    const std::string missing = (dir_ / "missing.bmp").string();
    const std::string pdf = (dir_ / "page.pdf").string();
    const Outcome run = Zrread(Quoted(missing) + " " + Quoted(pdf) + " " + Quoted(blank_));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(missing + ": Error while reading file\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(pdf + ": Image type not supported!\n"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("File: " + blank_ + "\nRead linear barcodes\n"), std::string::npos) << run.out;
}

TEST_F(ZrreadTest, UsageErrorsExitTwo) {
    for (const char *arguments :
         {"--bogus", "--kind", "--kind foo", "--max 0", "--max 1001", "--rect 1,2,3", "--rect 1,2,3,-4",
          "--unit mm", "--types code39,nonsense", "--colors 4", "--directions 16", "--json=1"}) {
        const Outcome run = Zrread(std::string(arguments) + " " + Quoted(blank_));
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        EXPECT_EQ(run.err.rfind("zrread: ", 0), 0u) << arguments;
    }
    // A kind whose reader is not built in yet is refused by name.
    for (const zr::demo::ReaderKindInfo &kind : zr::demo::kReaderKinds) {
        if (kind.read != nullptr) continue;
        const Outcome unbuilt = Zrread(std::string("--kind ") + kind.name + " " + Quoted(blank_));
        EXPECT_EQ(unbuilt.status, 2) << kind.name;
        EXPECT_NE(unbuilt.err.find(std::string("reader not built: ") + kind.name), std::string::npos);
    }
    const Outcome noFile = Zrread("--info");
    EXPECT_EQ(noFile.status, 2);
    EXPECT_NE(noFile.err.find("no image file given"), std::string::npos);
}

TEST_F(ZrreadTest, OptionsAreAccepted) {
    const Outcome run = Zrread(
        "--rect 0.1,0.1,0.5,0.2 --unit in --max 500 --types \"Code 39,ean13,0x1000\" "
        "--colors dark --directions 0x3 --thorough --report-unread --kind=all " +
        Quoted(blank_));
    EXPECT_EQ(run.status, 1) << run.err;
    const Outcome help = Zrread("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: zrread [options] FILE...\n", 0), 0u);
}

}  // namespace
