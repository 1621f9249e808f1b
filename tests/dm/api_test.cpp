// The exported calls' contract, pictures of shapes that are no symbols, and
// scans on several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

struct Scanner {
    ZrDMScanner s{};
    std::vector<std::uint8_t> dib;
    explicit Scanner(const Raster &picture) : dib(zr::test::ToDib(picture, 8)) {
        EXPECT_EQ(ZrInitDMScanner(&s), 0);
        s.image = dib.data();
    }
    ~Scanner() { ZrFreeDMScanner(&s); }
};

Raster OneSymbol() {
    return test::RenderDm("API", *test::FindSize(12, 12), 5);
}

TEST(Api, VersionInitAndNullRecords) {
    EXPECT_EQ(ZrDMGetVersion(), 65560u);
    EXPECT_EQ(ZrInitDMScanner(nullptr), 15);
    EXPECT_EQ(ZrScanDM(nullptr), 15);
    EXPECT_EQ(ZrFreeDMScanner(nullptr), 15);
    DMResult r;
    EXPECT_EQ(GetDMAt(nullptr, 0, &r), 15);

    ZrDMScanner s;
    std::memset(&s, 0xA5, sizeof s);
    ASSERT_EQ(ZrInitDMScanner(&s), 0);
    EXPECT_EQ(s.image, nullptr);
    EXPECT_EQ(s.left + s.top + s.rectWidth + s.rectHeight, 0u);
    EXPECT_EQ(s.resultCount, 0);
    EXPECT_EQ(s.results, nullptr);
    EXPECT_EQ(s.maxResults, 20);
    EXPECT_EQ(s.scanFlags, 3);
    EXPECT_EQ(s.runTime, 0);
}

TEST(Api, AScanWithoutAnImage) {
    ZrDMScanner s;
    ZrInitDMScanner(&s);
    s.runTime = 5;
    EXPECT_EQ(ZrScanDM(&s), 14);
    EXPECT_EQ(s.runTime, 0);
    EXPECT_EQ(s.results, nullptr);
    EXPECT_EQ(s.resultCount, 0);
    // An unreadable DIB: its status, nothing allocated.
    std::vector<std::uint8_t> junk(60, 0);
    s.image = junk.data();
    EXPECT_NE(ZrScanDM(&s), 0);
    EXPECT_EQ(s.results, nullptr);
}

TEST(Api, OptionDefaultsAreWrittenBack) {
    // The first-look-only bit stands apart and is kept as given.
    for (int flags : {0, 7, 100, 200}) {
        Scanner scanner(OneSymbol());
        scanner.s.scanFlags = static_cast<std::uint8_t>(flags);
        scanner.s.maxResults = 0;
        EXPECT_EQ(ZrScanDM(&scanner.s), 0);
        EXPECT_EQ(scanner.s.scanFlags, 3 | (flags & ZR_DM_FIRST_LOOK_ONLY));
        EXPECT_EQ(scanner.s.maxResults, 20);
        EXPECT_EQ(scanner.s.resultCount, 1);
        EXPECT_GE(scanner.s.runTime, 0);
    }
}

TEST(Api, GetAtAndFree) {
    Scanner scanner(OneSymbol());
    ASSERT_EQ(ZrScanDM(&scanner.s), 0);
    ASSERT_EQ(scanner.s.resultCount, 1);
    DMResult r;
    std::memset(&r, 0x5A, sizeof r);
    EXPECT_EQ(GetDMAt(&scanner.s, -1, &r), 15);
    EXPECT_EQ(GetDMAt(&scanner.s, 1, &r), 15);
    EXPECT_EQ(r.rows, 0x5A5A);  // untouched
    ASSERT_EQ(GetDMAt(&scanner.s, 0, &r), 0);
    EXPECT_STREQ(r.text, "API");
    EXPECT_EQ(r.text[4], 0);  // the rest of the field is zero
    EXPECT_EQ(r.rows, 12);
    // A second scan replaces the list; free twice is harmless and a freed
    // record gives nothing.
    ASSERT_EQ(ZrScanDM(&scanner.s), 0);
    EXPECT_EQ(ZrFreeDMScanner(&scanner.s), 0);
    EXPECT_EQ(ZrFreeDMScanner(&scanner.s), 0);
    EXPECT_EQ(scanner.s.results, nullptr);
    EXPECT_EQ(GetDMAt(&scanner.s, 0, &r), 15);
}

TEST(Api, TheRectangleIsHonouredAndLeftAlone) {
    Raster picture = zr::test::Canvas(300, 120);
    Paste(picture, OneSymbol(), 180, 0);
    Scanner scanner(picture);
    scanner.s.left = 0;
    scanner.s.rectWidth = 150;
    EXPECT_EQ(ZrScanDM(&scanner.s), 0);
    EXPECT_EQ(scanner.s.resultCount, 0);
    EXPECT_EQ(scanner.s.rectWidth, 150u);
    scanner.s.left = 5000;  // beyond the picture: from column 0
    scanner.s.top = 7000;
    EXPECT_EQ(ZrScanDM(&scanner.s), 0);
    EXPECT_EQ(scanner.s.resultCount, 1);
    EXPECT_EQ(scanner.s.left, 5000u);
    EXPECT_EQ(scanner.s.top, 7000u);
    scanner.s.left = 150;
    scanner.s.top = 0;
    scanner.s.rectWidth = 150;  // right edge equal to the width
    scanner.s.rectHeight = 120;
    EXPECT_EQ(ZrScanDM(&scanner.s), 0);
    EXPECT_EQ(scanner.s.resultCount, 1);
}

// Shapes the region labelling can hand over that are no symbols.
TEST(BadInput, ShapesThatAreNoSymbols) {
    std::vector<Raster> pictures;
    Raster r = zr::test::Canvas(200, 160);
    for (int x = 10; x < 190; ++x) r.at(x, 50) = 0;  // a line of one pixel
    for (int y = 5; y < 150; ++y) r.at(100, y) = 0;
    pictures.push_back(r);
    r = zr::test::Canvas(200, 160);
    for (int i = 20; i < 140; ++i) r.at(20, i) = r.at(i, 139) = 0;  // an L of one pixel
    pictures.push_back(r);
    r = zr::test::Canvas(200, 160);
    for (int i = 0; i < 100; ++i)
        r.at(30 + i, 30) = r.at(30 + i, 129) = r.at(30, 30 + i) = r.at(129, 30 + i) = 0;
    pictures.push_back(r);              // a ring
    r = zr::test::Canvas(200, 160, 0);  // dark everywhere, and shapes touching every edge
    pictures.push_back(r);
    r = zr::test::Canvas(200, 160);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x)
            if ((x < 60 && y < 3) || x > 196 || (y > 100 && x < 40) ||
                ((x * 7 + y * 13) % 11 == 0 && x > 100))
                r.at(x, y) = 0;
    pictures.push_back(r);
    // Thick Ls with a dotted border: a finder and timing without data.
    r = zr::test::Canvas(200, 200);
    for (int i = 20; i < 180; ++i)
        for (int w = 0; w < 8; ++w) {
            r.at(20 + w, i) = r.at(i, 172 + w) = 0;
            if ((i / 8) % 2 == 0) r.at(i, 20 + w) = r.at(172 + w, i) = 0;
        }
    pictures.push_back(r);
    pictures.push_back(zr::test::AddNoise(zr::test::Canvas(300, 300, 128), 127, 3));
    // A symbol cut by the picture's edges.
    const Raster symbol =
        test::RenderDm(test::FillerFor(*test::FindSize(24, 24)), *test::FindSize(24, 24), 4, 0);
    r = zr::test::Canvas(60, 60);
    Paste(r, symbol, -20, -30);
    pictures.push_back(r);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        for (int turns = 0; turns < 4; ++turns) {
            const test::ScanOutcome outcome = test::Scan(zr::test::RotateQuarter(pictures[i], turns));
            EXPECT_EQ(outcome.status, 0) << i;
            EXPECT_TRUE(outcome.results.empty()) << i << " " << outcome.FirstText();
        }
    }
}

TEST(BadInput, TinyAndOneRowPictures) {
    for (const Raster &r : {zr::test::Canvas(1, 1, 0), zr::test::Canvas(1, 500, 0),
                            zr::test::Canvas(500, 1, 0), zr::test::Canvas(2, 2)}) {
        const test::ScanOutcome outcome = test::Scan(r);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(outcome.results.empty());
    }
}

TEST(Threads, ScannersOnSeveralThreadsAtOnce) {
    const DMSize &size = *test::FindSize(40, 40);
    const Raster pictures[2] = {test::RenderDm("THREAD ONE", size, 3),
                                zr::test::RotateQuarter(test::RenderDm("THREAD TWO", size, 4), 1)};
    std::vector<std::string> seen(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 5; ++k) {
                const test::ScanOutcome outcome = test::Scan(pictures[t % 2]);
                if (outcome.results.size() != 1) return;
                seen[static_cast<std::size_t>(t)] = outcome.FirstText();
            }
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(seen[0], "THREAD ONE");
    EXPECT_EQ(seen[1], "THREAD TWO");
    EXPECT_EQ(seen[2], "THREAD ONE");
    EXPECT_EQ(seen[3], "THREAD TWO");
}

}  // namespace
}  // namespace zr::dm
