// A test fixture with an empty folder of its own, removed after the test.
#ifndef ZR_TESTS_DEMO_SCRATCH_DIR_HPP
#define ZR_TESTS_DEMO_SCRATCH_DIR_HPP

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace zr::demo::test {

class ScratchDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps two builds' test runs at once (a plain and a
        // sanitizer build, say) out of each other's folders.
        dir_ = std::filesystem::temp_directory_path() / ("zr_" + std::string(info->test_suite_name()) + "_" +
                                                         info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const char *name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

}  // namespace zr::demo::test

#endif  // ZR_TESTS_DEMO_SCRATCH_DIR_HPP
