// The one reader of files named on the command line: what it takes and
// refuses by kind, and where it stops, against what this machine really has.
#include "platform/file_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

struct reader_case {
    const char* name;
    const char* kind;  // "file", "folder", "missing", "fifo", "null"
    std::size_t file_size;
    unsigned kinds;
    int result;
    std::size_t count;
    bool more;
};

void PrintTo(const reader_case& c, std::ostream* os) {
    *os << c.name;
}

constexpr std::size_t kLimit = 64;

const reader_case kCases[] = {
    {"file_within_limit", "file", 10, kTakesDiskFile, kReadOk, 10, false},
    {"empty_file", "file", 0, kTakesDiskFile, kReadOk, 0, false},
    {"file_of_exactly_the_limit", "file", kLimit, kTakesDiskFile, kReadOk, kLimit, false},
    {"file_one_byte_over", "file", kLimit + 1, kTakesDiskFile, kReadOk, kLimit, true},
    {"huge_file_read_only_to_the_limit", "file", 1 << 20, kTakesAnyFile, kReadOk, kLimit, true},
    {"folder", "folder", 0, kTakesAnyFile, kReadIsFolder, 0, false},
    {"missing", "missing", 0, kTakesAnyFile, kReadNotOpened, 0, false},
    {"fifo_not_taken_is_refused_unopened", "fifo", 0, kTakesDiskFile, kReadNotTaken, 0, false},
    {"fifo_taken_is_read_to_its_end", "fifo", 20, kTakesDiskFile | kTakesPipe, kReadOk, 20, false},
    {"device_taken", "null", 0, kTakesAnyFile, kReadOk, 0, false},
    {"device_not_taken", "null", 0, kTakesDiskFile | kTakesPipe, kReadNotTaken, 0, false},
};

class FileReader : public ::testing::TestWithParam<reader_case> {
protected:
    void SetUp() override { folder = fs::temp_directory_path() / ("file_reader_" + std::to_string(getpid())); }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

TEST_P(FileReader, TakesOnlyItsKindsAndNeverReadsPastTheLimit) {
    const reader_case& c = GetParam();
    fs::create_directories(folder);
    fs::path path = folder / "f";
    std::thread writer;
    const std::string bytes(c.file_size, 'x');
    if (std::string(c.kind) == "file") {
        std::ofstream(path, std::ios::binary) << bytes;
    } else if (std::string(c.kind) == "folder") {
        fs::create_directory(path);
    } else if (std::string(c.kind) == "null") {
        path = "/dev/null";
    } else if (std::string(c.kind) == "fifo") {
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        if (c.result == kReadOk) {
            // The operator's writer, as `<(cat file)` gives it.
            writer = std::thread([path, bytes] { std::ofstream(path, std::ios::binary) << bytes; });
        }
    }
    char buffer[kLimit] = {};
    std::size_t count = 99;
    bool more = true;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(read_bounded_file(path, c.kinds, buffer, sizeof buffer, &count, &more), c.result);
    if (writer.joinable()) {
        writer.join();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(more, c.more);
    EXPECT_EQ(std::string(buffer, count), bytes.substr(0, count));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FileReader, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<reader_case>& info) { return info.param.name; });

}  // namespace
