// Storing second-look results: added after the first look's, never twice for
// one symbol, never beyond maxResults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/second_look.hpp"
#include "zr/ZrDM.h"
#include "zr/ZrQR.h"

namespace {

// A QR-style record (text with a length) with a square of side `side` at (x, y).
QRResult QrAt(const char *text, int x, int y, int side = 40) {
    QRResult r{};
    const int corners[8] = {x, y, x + side, y, x + side, y + side, x, y + side};
    std::memcpy(r.corners, corners, sizeof(corners));
    r.length = static_cast<std::uint16_t>(std::strlen(text));
    std::memcpy(r.text, text, r.length);
    return r;
}

DMResult DmAt(const char *text, int x, int y, int side = 40) {
    DMResult r{};
    const int corners[8] = {x, y, x + side, y, x + side, y + side, x, y + side};
    std::memcpy(r.corners, corners, sizeof(corners));
    std::strcpy(r.text, text);
    return r;
}

TEST(SecondLookStore, AddsAfterStoredResultsAndKeepsThemUnchanged) {
    std::vector<QRResult> list(4);
    list[0] = QrAt("first", 0, 0);
    list[0].confidence = 77;
    int count = 1;
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 4, QrAt("second", 200, 0)), zr::SecondLookStore::kAdded);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::string(list[0].text), "first");
    EXPECT_EQ(list[0].confidence, 77);
    EXPECT_EQ(std::string(list[1].text), "second");
}

TEST(SecondLookStore, SameTextAtAnOverlappingPlaceIsADuplicate) {
    std::vector<QRResult> list(4);
    list[0] = QrAt("same", 100, 100);
    std::uint8_t count = 1;
    // Shifted by less than the symbol's size: the same symbol.
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 4, QrAt("same", 130, 110)),
              zr::SecondLookStore::kDuplicate);
    EXPECT_EQ(count, 1);
    // Same text elsewhere: a second symbol.
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 4, QrAt("same", 300, 100)), zr::SecondLookStore::kAdded);
    // Another text at the same place is kept too.
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 4, QrAt("other", 100, 100)), zr::SecondLookStore::kAdded);
    EXPECT_EQ(count, 3);
}

TEST(SecondLookStore, TextsCompareByLengthIncludingZeroBytes) {
    std::vector<QRResult> list(3);
    list[0] = QrAt("ab", 0, 0);
    std::uint8_t count = 1;
    QRResult longer = QrAt("ab", 0, 0);
    longer.length = 3;  // "ab\0": another text
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 3, longer), zr::SecondLookStore::kAdded);
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 3, longer), zr::SecondLookStore::kDuplicate);
}

TEST(SecondLookStore, FullListReportsFullAndWritesNothing) {
    std::vector<DMResult> list(2);
    list[0] = DmAt("one", 0, 0);
    list[1] = DmAt("two", 100, 0);
    int count = 2;
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 2, DmAt("three", 300, 0)), zr::SecondLookStore::kListFull);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::string(list[1].text), "two");
    // A duplicate is still told apart from a full list.
    EXPECT_EQ(zr::AddSecondLookResult(list.data(), count, 2, DmAt("one", 5, 5)), zr::SecondLookStore::kDuplicate);
}

TEST(SecondLookStore, ScannerOverloadUsesItsListAndCount) {
    std::vector<QRResult> list(2);
    ZrQRScanner scanner{};
    scanner.results = list.data();
    scanner.maxResults = 2;
    EXPECT_EQ(zr::AddSecondLookResult(scanner, QrAt("x", 0, 0)), zr::SecondLookStore::kAdded);
    EXPECT_EQ(zr::AddSecondLookResult(scanner, QrAt("x", 0, 0)), zr::SecondLookStore::kDuplicate);
    EXPECT_EQ(scanner.resultCount, 1);
}

}  // namespace
