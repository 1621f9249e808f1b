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
#include "zrread_process.hpp"

namespace {

namespace fs = std::filesystem;
using zr::demo::test::Outcome;
using zr::demo::test::ZrreadTest;

TEST_F(ZrreadTest, BlankImageFindsNothing) {
    const Outcome run = Zrread("--report --kind linear " + Quoted(blank_));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.rfind("Read linear barcodes\nRun time: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nReturn code: 0\nBarcodes found: 0\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Barcode no:"), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST_F(ZrreadTest, InfoLines) {
    const Outcome run = Zrread("--report --info " + Quoted(blank_));
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

TEST_F(ZrreadTest, FileErrorsAreReportedAndOtherFilesRead) {
    const std::string missing = (dir_ / "missing.bmp").string();
    const std::string pdf = (dir_ / "page.pdf").string();
    const Outcome run = Zrread("--report -j 2 " + Quoted(missing) + " " + Quoted(pdf) + " " + Quoted(blank_));
    EXPECT_EQ(run.status, 1);  // one picture was read, with nothing in it
    EXPECT_NE(run.err.find(missing + ": Error while reading file\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(pdf + ": Image type not supported!\n"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("File: " + blank_ + "\nRead linear barcodes\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("3 pictures: 0 with symbols, 1 without, 2 failed"), std::string::npos) << run.err;

    // No picture read at all: exit 2.
    const Outcome none = Zrread("--quiet " + Quoted(missing) + " " + Quoted(pdf));
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err.find("pictures:"), std::string::npos) << none.err;
}

TEST_F(ZrreadTest, UsageErrorsExitTwo) {
    for (const char *arguments :
         {"--bogus", "--kind", "--kind foo", "--max 0", "--max 1001", "--rect 1,2,3", "--rect 1,2,3,-4",
          "--unit mm", "--types code39,nonsense", "--colors 4", "--directions 16", "--json=1", "-j 0", "-j",
          "--jobs 1025", "-x", "--format xml", "--format", "--timeout 0", "--timeout -1", "--report --json",
          "--format csv --json", "--info", "--info --format jsonl", "--quiet=1"}) {
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
    EXPECT_EQ(help.out.rfind("Usage: zrread [options] FILE|FOLDER|-...\n", 0), 0u);
}

}  // namespace
