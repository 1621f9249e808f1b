// zrread's stages one by one: the input list's walk, the outputs' escaping and quoting, and the
// thread pool's order and bounded backlog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "inputs.hpp"
#include "pool.hpp"
#include "progress.hpp"
#include "records.hpp"
#include "scratch_dir.hpp"

namespace zr::zrread {
namespace {

using demo::test::ScratchDirTest;

std::vector<Input> All(InputList &list) {
    std::vector<Input> inputs;
    Input input;
    while (list.Next(input)) inputs.push_back(input);
    EXPECT_TRUE(list.Exhausted());
    EXPECT_EQ(list.Given(), inputs.size());
    return inputs;
}

class InputListTest : public ScratchDirTest {
  protected:
    // A file whose first bytes are a PNG signature, or plain text.
    void Write(const char *name, bool picture) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out << (picture ? std::string("\x89PNG\r\n\x1a\n", 8) + "rest" : std::string("not a picture"));
    }
};

TEST_F(InputListTest, WalksDepthFirstByNameAndKeepsPictures) {
    std::filesystem::create_directories(dir_ / "top/b/c");
    std::filesystem::create_directories(dir_ / "outside");
    Write("top/z.png", true);
    Write("top/a.dat", true);  // told by content, not by name
    Write("top/notes.png", false);
    Write("top/b/m.png", true);
    Write("top/b/c/deep.png", true);
    Write("outside/x.png", true);
    std::filesystem::create_directory_symlink(dir_ / "outside", dir_ / "top/link-dir");
    std::filesystem::create_symlink(dir_ / "outside/x.png", dir_ / "top/link.png");

    std::istringstream none;
    const std::string top = (dir_ / "top").string();
    InputList list({top + "/"}, true, none);
    std::vector<std::string> paths;
    for (const Input &input : All(list)) {
        EXPECT_TRUE(input.error.empty()) << input.path;
        paths.push_back(input.path);
    }
    const std::vector<std::string> expected = {top + "/a.dat", top + "/b/c/deep.png", top + "/b/m.png",
                                               top + "/link.png", top + "/z.png"};
    EXPECT_EQ(paths, expected);
}

TEST_F(InputListTest, NamesStandardInputAndFoldersWithoutWalking) {
    Write("one.png", true);
    const std::string one = (dir_ / "one.png").string();
    std::istringstream lines("first.png\r\n\n" + dir_.string() + "\nlast.png");
    InputList list({one, "-", "missing.png", "-"}, false, lines);
    const std::vector<Input> inputs = All(list);
    ASSERT_EQ(inputs.size(), 5u);
    EXPECT_EQ(inputs[0].path, one);
    EXPECT_EQ(inputs[1].path, "first.png");  // carriage return gone, empty line skipped
    EXPECT_EQ(inputs[2].path, dir_.string());
    EXPECT_NE(inputs[2].error.find("is a folder"), std::string::npos);
    EXPECT_EQ(inputs[3].path, "last.png");
    EXPECT_EQ(inputs[4].path, "missing.png");  // a missing file fails later, when it is read
    EXPECT_TRUE(inputs[4].error.empty());
}

TEST(Records, LinesStayLinesAndFieldsStayFields) {
    EXPECT_EQ(EscapeLine("a\\b\nc\rd\te\x01\x7f\xc3\xa9"), "a\\\\b\\nc\\rd\\te\\x01\\x7f\xc3\xa9");

    Barcode barcode;
    barcode.format = BarcodeFormat::QRCode;
    barcode.text = "two\nlines, \"quoted\"";
    barcode.bytes = {0x00, 0xAB, 0x7F};
    barcode.symbologyIdentifier = "]Q1";
    barcode.position = {Corner{1, 2}, Corner{3, 4}, Corner{5, 6}, Corner{7, 8}};
    barcode.orientation = 93.69931949228719;
    EXPECT_EQ(TextLines("dir/a\nb.png", {barcode, barcode}),
              "dir/a\\nb.png: QR Code: two\\nlines, \"quoted\"\n"
              "dir/a\\nb.png: QR Code: two\\nlines, \"quoted\"\n");
    EXPECT_EQ(CsvRows("a,b.png", kStatusOk, {barcode}),
              "\"a,b.png\",ok,QR Code,\"two\nlines, \"\"quoted\"\"\",00ab7f,]Q1,1,2,3,4,5,6,7,8,93.69931949228719\n");
    EXPECT_EQ(JsonlRecord("a.png", kStatusOk, {barcode}),
              "{\"file\":\"a.png\",\"status\":\"ok\",\"barcodes\":[{\"format\":\"QR Code\",\"text\":\"two\\u000alines, "
              "\\\"quoted\\\"\",\"bytes\":\"00ab7f\",\"symbologyIdentifier\":\"]Q1\",\"corners\":[[1,2],[3,4],[5,6],[7,8]],"
              "\"orientation\":93.69931949228719}]}\n");

    // An error row has as many fields as the header.
    const std::string header = kCsvHeader;
    const std::string error = CsvRows("b.png", "b.png: corrupt", {});
    EXPECT_EQ(std::count(error.begin(), error.end(), ','), std::count(header.begin(), header.end(), ','));
    EXPECT_EQ(CsvRows("b.png", kStatusOk, {}), "");
    EXPECT_EQ(JsonlRecord("b.png", "b.png: corrupt", {}), "{\"file\":\"b.png\",\"status\":\"b.png: corrupt\",\"barcodes\":[]}\n");
}

TEST(Records, NumbersReadBackExactly) {
    for (const double value : {0.0, 270.0, 0.1, 93.69931949228719, 359.99999999999994, 1e-300}) {
        const std::string text = ShortestNumber(value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
    EXPECT_EQ(ShortestNumber(270.0), "270");
}

TEST(Progress, RateTimeLeftAndSummary) {
    EXPECT_EQ(ProgressText(0, 10, true, 0.0), "0/10 pictures");
    EXPECT_EQ(ProgressText(50, 800, true, 10.0), "50/800 pictures, 5.0 per second, 2:30 left");
    EXPECT_EQ(ProgressText(5, 7, false, 1.0), "5/7+ pictures, 5.0 per second");  // the total is not known yet
    Tally tally;
    for (const Outcome outcome : {Outcome::Found, Outcome::Failed, Outcome::Empty, Outcome::Found}) tally.Count(outcome);
    EXPECT_EQ(SummaryText(tally, 2.0), "4 pictures: 2 with symbols, 1 without, 1 failed; 2.00 s (2.0 per second)");
}

// Paths that do not exist, read by a stand-in that sleeps a varying while.
std::string Paths(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "picture-" + std::to_string(i) + "\n";
    return lines;
}

TEST(Pool, KeepsInputOrderWithABoundedBacklog) {
    constexpr unsigned kThreads = 4;
    constexpr int kPictures = 200;
    std::istringstream lines(Paths(kPictures));
    InputList inputs({"-"}, false, lines);
    std::atomic<std::size_t> started{0};
    std::size_t delivered = 0;
    std::size_t worstBacklog = 0;
    std::vector<std::string> order;
    const auto read = [&started](const Input &input) {
        ++started;
        const int number = std::atoi(input.path.c_str() + 8);
        std::this_thread::sleep_for(std::chrono::microseconds((number * 7919) % 2000));  // later ones often first
        return PictureResult{Outcome::Empty, input.path, {}};
    };
    const auto deliver = [&](const Input &input, PictureResult &&result) {
        EXPECT_EQ(input.path, result.out);
        order.push_back(result.out);
        ++delivered;
        worstBacklog = std::max(worstBacklog, started.load() - delivered);
    };
    RunPool(inputs, PoolSettings{kThreads, false}, read, deliver, [] {});
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kPictures));
    for (int i = 0; i < kPictures; ++i) EXPECT_EQ(order[i], "picture-" + std::to_string(i));
    EXPECT_LE(worstBacklog, kThreads * kPicturesPerThread);
}

TEST(Pool, UnorderedDeliversEachOnceAndAnEmptyListEndsAtOnce) {
    std::istringstream lines(Paths(50));
    InputList inputs({"-"}, false, lines);
    std::vector<int> seen(50, 0);
    RunPool(
        inputs, PoolSettings{3, true},
        [](const Input &input) {
            std::this_thread::sleep_for(std::chrono::microseconds(std::atoi(input.path.c_str() + 8) % 5 * 300));
            return PictureResult{};
        },
        [&seen](const Input &input, PictureResult &&) { ++seen.at(std::atoi(input.path.c_str() + 8)); }, [] {});
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 50);

    std::istringstream empty;
    InputList nothing({"-"}, false, empty);
    int calls = 0;
    RunPool(nothing, PoolSettings{2, false}, [](const Input &) { return PictureResult{}; },
            [&calls](const Input &, PictureResult &&) { ++calls; }, [] {});
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace zr::zrread
