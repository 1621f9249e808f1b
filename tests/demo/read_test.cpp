#include <gtest/gtest.h>

#include <cstring>

#include "logic/read.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

ZrBarResult Named(const char *text) {
    ZrBarResult result{};
    result.type = 0x20;
    result.corners[7] = 99;
    result.angle = 12.5;
    result.barColor = 2;
    result.checksum = 1;
    std::strcpy(result.text, text);
    return result;
}

TEST(ResultCopies, FieldByFieldWithinTheArray) {
    ZrBarResult results[3] = {Named("one"), Named("two"), Named("three")};
    std::memset(results[1].text + 4, 'x', sizeof results[1].text - 4);  // bytes after the NUL
    std::memset(results[2].text, 'y', sizeof results[2].text);          // no NUL at all
    ZrBarScanner scanner{};
    scanner.results = results;
    scanner.maxResults = 3;
    scanner.resultCount = 3;

    const std::vector<ZrBarResult> copies = CopyLinearResults(scanner);
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_STREQ(copies[0].text, "one");
    EXPECT_EQ(copies[0].corners[7], 99);
    EXPECT_EQ(copies[0].type, 0x20u);
    EXPECT_EQ(copies[0].angle, 12.5);
    EXPECT_EQ(copies[0].barColor, 2);
    EXPECT_EQ(copies[0].checksum, 1);
    EXPECT_EQ(copies[1].text[4], '\0');  // only the text up to its NUL is copied
    EXPECT_EQ(std::strlen(copies[2].text), sizeof copies[2].text - 1);

    // A count beyond the array's capacity copies only the capacity; no array, no copies.
    scanner.maxResults = 2;
    scanner.resultCount = 200;
    EXPECT_EQ(CopyLinearResults(scanner).size(), 2u);
    scanner.results = nullptr;
    EXPECT_TRUE(CopyLinearResults(scanner).empty());
}

TEST(Read, EmptyDocumentReportsTheReadersStatus) {
    Document document;
    document.linearResults = {Named("old")};
    document.state.selectedIndex = 1;
    EXPECT_EQ(ReadSymbols(document, ReadSettings{}), ZR_ERR_NULL_DIB);
    EXPECT_EQ(document.state.lastOperation, Operation::ReadLinear);
    EXPECT_EQ(document.state.returnCode, ZR_ERR_NULL_DIB);
    EXPECT_EQ(document.state.symbolCount, 0);
    EXPECT_EQ(document.state.selectedIndex, 0);
    EXPECT_TRUE(document.linearResults.empty());
}

TEST(Read, BlankPictureFindsNothing) {
    Document document;
    test::TestImage picture(120, 80, 8);
    document.image = picture.image;
    document.linearResults = {Named("old")};
    EXPECT_EQ(ReadLinear(document, ReadSettings{}), ZR_OK);
    EXPECT_EQ(document.state.symbolCount, 0);
    EXPECT_TRUE(document.linearResults.empty());
    EXPECT_GE(document.state.runTime, 0.0);
    document.image = ZrImage{};
}

TEST(Read, KindsNotBuiltLeaveTheDocument) {
    EXPECT_TRUE(IsReaderBuilt(ReaderKind::Linear));
    EXPECT_EQ(RefreshHintFor(ReaderKind::Linear), 1026);
    EXPECT_EQ(RefreshHintFor(ReaderKind::MicroQr), 1030);
    Document document;
    document.linearResults = {Named("kept")};
    document.state.lastOperation = Operation::ReadLinear;
    for (const ReaderKindInfo &info : kReaderKinds) {
        if (info.read != nullptr) continue;
        ReadSettings settings;
        settings.readerKind = info.kind;
        EXPECT_EQ(ReadSymbols(document, settings), ZR_ERR_UNSUPPORTED) << info.name;
    }
    EXPECT_EQ(document.state.lastOperation, Operation::ReadLinear);
    EXPECT_EQ(document.linearResults.size(), 1u);
}

}  // namespace
}  // namespace zr::demo
