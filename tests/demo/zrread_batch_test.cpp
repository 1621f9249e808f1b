// zrread as a batch tool, run as a process: folders and lists with bad files in them, input
// order on several threads, the time limit and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "zrread_process.hpp"

namespace {

namespace fs = std::filesystem;
using zr::demo::test::Outcome;

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class ZrreadBatchTest : public zr::demo::test::ZrreadTest {
  protected:
    std::string Copy(const fs::path &from, const std::string &name) const {
        const fs::path to = dir_ / name;
        fs::create_directories(to.parent_path());
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        return to.string();
    }
    std::string Sample(const char *sample, const std::string &name) const {
        return Copy(fs::path(ZR_SAMPLES_DIR) / sample, name);
    }
    std::string List(const std::vector<std::string> &paths) const {
        std::string list = Path("list.txt");
        std::ofstream out(list);
        for (const std::string &path : paths) out << path << '\n';
        return list;
    }
    // The start of a JSON line: {"file":"PATH","status":"STATUS
    static std::string Record(const std::string &path, const std::string &status) {
        return "{\"file\":\"" + path + "\",\"status\":\"" + status;
    }
};

TEST_F(ZrreadBatchTest, BadFilesBecomeErrorRecordsAndTheBatchGoesOn) {
    const std::string a = Sample("code128.png", "pics/a.png");
    const std::string b = Copy(blank_, "pics/sub/b.bmp");
    const std::string c = Sample("ean13.png", "pics/sub/deeper/c.png");
    const std::string hostile = Copy(fs::path(ZR_HOSTILE_DIR) / "imgrw-slow-png-huge-ihdr.png", "pics/hostile.png");
    const std::string notes = Path("pics/sub/notes.txt");
    std::ofstream(notes) << "not a picture\n";
    const std::string truncated = Path("pics/sub/trunc.png");
    {
        const std::string whole = Slurp(fs::path(ZR_SAMPLES_DIR) / "code39.png");
        std::ofstream(truncated, std::ios::binary) << whole.substr(0, whole.size() / 2);
    }
    const std::string missing = Path("missing.png");
    const std::string pics = Path("pics");

    // The list names a missing file and the text file; the folder walk skips the text file.
    const Outcome run = Zrread("-r -j 2 --format jsonl --quiet - " + Quoted(pics), List({missing, notes}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u) << run.out;
    EXPECT_EQ(lines[0].rfind(Record(missing, missing + ": the file cannot be opened"), 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(Record(notes, notes + ": file type not supported"), 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind(Record(a, "ok\",\"barcodes\":[{\"format\":\"Code 128\",\"text\":\"ZrReaders 128\""), 0),
              0u)
        << lines[2];
    EXPECT_EQ(lines[3].rfind(Record(hostile, hostile + ": "), 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], Record(b, "ok\",\"barcodes\":[]}"));
    EXPECT_EQ(lines[5].rfind(Record(c, "ok\",\"barcodes\":[{\"format\":\"EAN 13\""), 0), 0u) << lines[5];
    EXPECT_EQ(lines[6].rfind(Record(truncated, truncated + ": the file is truncated or corrupt"), 0), 0u) << lines[6];

    // As text: symbols on standard output, the errors on standard error, a summary after them.
    const Outcome text = Zrread("-r " + Quoted(missing) + " " + Quoted(pics));
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, a + ": Code 128: ZrReaders 128\n" + c + ": EAN 13: 4006381333931\n");
    EXPECT_NE(text.err.find("zrread: " + missing + ": "), std::string::npos) << text.err;
    EXPECT_NE(text.err.find("zrread: 6 pictures: 2 with symbols, 1 without, 3 failed;"), std::string::npos)
        << text.err;

    // Without -r a folder is an error record of its own.
    const Outcome unwalked = Zrread("--format jsonl " + Quoted(pics));
    EXPECT_EQ(unwalked.status, 2);
    EXPECT_EQ(unwalked.out.rfind(Record(pics, pics + ": is a folder"), 0), 0u) << unwalked.out;
}

TEST_F(ZrreadBatchTest, InputOrderIsKeptOnSeveralThreads) {
    // Slow and quick pictures mixed, so that later ones are often done first.
    std::vector<std::string> paths;
    const char *const kinds[] = {"code128.png", "", "ean13.png", "codabar.png", ""};
    for (int i = 0; i < 30; ++i) {
        const std::string name = "in/" + std::to_string(i) + ".png";
        const char *kind = kinds[i % 5];
        paths.push_back(*kind != 0 ? Sample(kind, name) : Copy(blank_, name));
    }
    const std::string list = List(paths);
    const Outcome one = Zrread("-j 1 --format jsonl -", list);
    const Outcome two = Zrread("-j 2 --format jsonl -", list);
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(two.out, one.out);
    const std::vector<std::string> lines = Lines(two.out);
    ASSERT_EQ(lines.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(lines[i].rfind(Record(paths[i], "ok"), 0), 0u) << i;

    // Unordered: the same lines, each once.
    const Outcome loose = Zrread("-j 2 --unordered --format jsonl -", list);
    std::vector<std::string> sorted = Lines(loose.out), expected = lines;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);

    // The report keeps its text and names each picture, in order.
    const Outcome report = Zrread("--report --kind linear -j 2 --quiet " + Quoted(paths[0]) + " " + Quoted(paths[2]));
    EXPECT_EQ(report.out.rfind("File: " + paths[0] + "\nRead linear barcodes\n", 0), 0u) << report.out;
    EXPECT_NE(report.out.find("\n\nFile: " + paths[2] + "\nRead linear barcodes\n"), std::string::npos);
}

TEST_F(ZrreadBatchTest, TimeLimitFailsThePictureAndExitStatusFollows) {
    const std::string a = Sample("code128.png", "a.png");
    const Outcome late = Zrread("--timeout 0.000001 --format csv " + Quoted(a));
    EXPECT_EQ(late.status, 2);  // the only picture failed
    const std::vector<std::string> rows = Lines(late.out);
    ASSERT_EQ(rows.size(), 2u) << late.out;
    EXPECT_EQ(rows[0].rfind("file,status,format,", 0), 0u);
    EXPECT_EQ(rows[1].rfind(a + ",\"" + a + ": timed out: reading took ", 0), 0u) << rows[1];

    EXPECT_EQ(Zrread("--timeout 60 " + Quoted(a)).status, 0);
    EXPECT_EQ(Zrread(Quoted(blank_)).status, 1);
    EXPECT_EQ(Zrread("-r " + Quoted(Path("empty-folder-that-is-not-there"))).status, 2);
}

}  // namespace
