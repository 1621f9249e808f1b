#include <gtest/gtest.h>

#include <cstring>

#include "logic/read.hpp"
#include "logic/report.hpp"
#include "logic/shapes.hpp"
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

// Each row of the table reaches its own kind's copies and no other: with one copy of every kind in
// the document, the row of the last read shows, outlines and drops exactly its own.
TEST(ReaderKinds, EachRowWorksOnItsOwnCopies) {
    Document document;
    document.linearResults.resize(1);
    document.pdf417Results.resize(1);
    document.dataMatrixResults.resize(1);
    document.qrResults.resize(1);
    document.microQrResults.resize(1);
    for (const ReaderKindInfo &row : kReaderKinds) {
        ASSERT_EQ(ReaderKindOf(row.operation), &row) << row.name;
        document.state.lastOperation = row.operation;
        EXPECT_STREQ(OperationLabel(row.operation), row.operationLabel);
        EXPECT_EQ(ResultCopyCount(document), 1u) << row.name;
        EXPECT_EQ(DetailLines(document, 0).front(), "Position: [(0,0), (0,0), (0,0), (0,0)]") << row.name;
        EXPECT_TRUE(DetailLines(document, 1).empty()) << row.name;
        EXPECT_EQ(row.resultJson(document, 0).rfind("{\"corners\":[0,0,0,0,0,0,0,0]", 0), 0u) << row.name;
        EXPECT_TRUE(row.resultJson(document, 1).empty()) << row.name;
        EXPECT_EQ(ResultShapes(document).size(), 1u) << row.name;
    }
    for (const ReaderKindInfo &row : kReaderKinds) {
        row.clearCopies(document);
        for (const ReaderKindInfo &other : kReaderKinds)
            EXPECT_EQ(other.copyCount(document), other.kind > row.kind ? 1u : 0u)
                << row.name << " " << other.name;
    }
    EXPECT_EQ(ReaderKindOf(Operation::OpenFile), nullptr);
    EXPECT_EQ(ReaderKindOf(Operation::None), nullptr);
}

}  // namespace
}  // namespace zr::demo
