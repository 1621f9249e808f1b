// The readers keep no state between calls: every reader on its own thread,
// and one reader on four threads with four records, give exactly the
// results of a single-threaded run.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/readers.hpp"
#include "support/render.hpp"

namespace zr::hardening {

using namespace zr::test;  // the reader traits
namespace {

// One picture per reader, with a symbol of its kind, at 8 and 24 bits, turned.
std::vector<std::vector<std::uint8_t>> PicturesFor(int symbology, const char *data) {
    test::SymbolOptions options;
    options.symbology = symbology;
    options.data = data;
    options.moduleSize = 3;
    const test::Raster symbol = test::RenderSymbol(options);
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int turn = 0; turn < 4; ++turn) {
        test::Raster canvas = test::Canvas(600, 500, 230);
        test::Paste(canvas, test::RotateQuarter(symbol, turn), 40, 40);
        test::Paste(canvas, test::RotateQuarter(symbol, turn + 1), 300, 260);
        pictures.push_back(
            test::ToDib(test::AddNoise(canvas, 15, static_cast<std::uint32_t>(turn)), turn % 2 ? 24 : 8));
    }
    return pictures;
}

// Everything a caller can read of one scan.
template <class Reader>
std::vector<std::string> ReadAll(const std::vector<std::vector<std::uint8_t>> &pictures, int rounds) {
    std::vector<std::string> seen;
    for (int round = 0; round < rounds; ++round) {
        for (const auto &dib : pictures) {
            typename Reader::Scanner scanner;
            Reader::Init(&scanner);
            scanner.image = dib.data();
            const std::uint16_t status = Reader::Scan(&scanner);
            std::string line = std::to_string(status) + ":";
            for (int i = 0; i < scanner.resultCount; ++i) {
                typename Reader::Result result;
                Reader::GetAt(&scanner, i, &result);
                line += " " + Reader::Text(result) + "@" + std::to_string(result.corners[0]) + "," +
                        std::to_string(result.corners[1]);
            }
            Reader::Free(&scanner);
            seen.push_back(line);
        }
    }
    return seen;
}

template <class Reader>
struct ReaderRun {
    using ReaderType = Reader;
    std::vector<std::vector<std::uint8_t>> pictures = PicturesFor(Reader::kSymbology, Reader::kData);
    std::vector<std::string> expected;
    std::vector<std::string> got;
};

template <class... Readers>
using RunsOf = std::tuple<ReaderRun<Readers>...>;
using AllRuns = EveryReader<RunsOf>;

template <class Reader>
void ExpectFound(const ReaderRun<Reader> &run) {
    // The single-threaded run must read something, or the comparison proves nothing.
    bool any = false;
    for (const std::string &line : run.expected) any = any || line.find(Reader::kData) != std::string::npos;
    EXPECT_TRUE(any) << Reader::kName << " read none of its pictures";
}

TEST(ThreadsTest, EveryReaderOnItsOwnThreadReadsAsAlone) {
    AllRuns runs;
    std::apply(
        [](auto &...run) {
            ((run.expected = ReadAll<typename std::decay_t<decltype(run)>::ReaderType>(run.pictures, 1)),
             ...);
        },
        runs);
    std::vector<std::thread> threads;
    std::apply(
        [&threads](auto &...run) {
            (threads.emplace_back([&run] {
                run.got = ReadAll<typename std::decay_t<decltype(run)>::ReaderType>(run.pictures, 3);
            }),
             ...);
        },
        runs);
    for (std::thread &t : threads) t.join();
    std::apply(
        [](auto &...run) {
            (([&run] {
                 ExpectFound(run);
                 std::vector<std::string> thrice;
                 for (int i = 0; i < 3; ++i)
                     thrice.insert(thrice.end(), run.expected.begin(), run.expected.end());
                 EXPECT_EQ(run.got, thrice);
             }()),
             ...);
        },
        runs);
}

TEST(ThreadsTest, OneReaderOnFourThreadsWithFourRecords) {
    ReaderRun<BarReader> run;
    run.expected = ReadAll<BarReader>(run.pictures, 2);
    ExpectFound(run);
    std::vector<std::vector<std::string>> got(4);
    std::vector<std::thread> threads;
    for (auto &g : got) threads.emplace_back([&g, &run] { g = ReadAll<BarReader>(run.pictures, 2); });
    for (std::thread &t : threads) t.join();
    for (const auto &g : got) EXPECT_EQ(g, run.expected);
}

}  // namespace
}  // namespace zr::hardening
