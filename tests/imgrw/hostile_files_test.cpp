// Every file in hostile/ reads with the status listed in hostile/expected.txt
// and asks for no more memory than listed there.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "alloc_counter.hpp"
#include "limits_files.hpp"

namespace imgrw_test {
namespace {

struct Expected {
    std::string file;
    unsigned status = 0;
    std::uint64_t maxBytes = 0;
};

std::vector<Expected> ReadList() {
    std::vector<Expected> list;
    std::ifstream in(std::string(ZR_HOSTILE_DIR) + "/expected.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Expected e;
        if (fields >> e.file >> e.status >> e.maxBytes) list.push_back(e);
    }
    return list;
}

TEST(HostileFiles, StatusAndMemoryAsListed) {
    const std::vector<Expected> list = ReadList();
    ASSERT_GE(list.size(), 4u);
    for (const Expected &e : list) {
        const std::string path = std::string(ZR_HOSTILE_DIR) + "/" + e.file;
        const std::string extension = e.file.substr(e.file.rfind('.') + 1);
        ASSERT_FALSE(FileBytes(path).empty()) << e.file;
        Image image;
        std::uint16_t code = 0;
        std::uint64_t total = 0;
        {
            const CountAllocations count;
            code = ReadAs(extension == "tiff" ? "tif" : extension, &image.rec, path);
            total = count.Total();
        }
        EXPECT_EQ(code, e.status) << e.file;
        if (CountAllocations::Available()) {
            EXPECT_LE(total, e.maxBytes) << e.file;
        }
    }
}

}  // namespace
}  // namespace imgrw_test
