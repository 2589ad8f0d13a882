// Bad input that must mislead neither an operator nor a script: a refused
// export leaves standard output empty, a settings file with no setting is no
// success, a file given through a pipe is read once and to its end, and a
// refused settings-file line never reaches the terminal raw.
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kRefused = 255;

struct bad_input {
    const char* name;
    const char* faults;     // adapter 0's faults file, or ""
    const char* file_text;  // written to FILE, or null
    const char* words;      // the arguments; FILE, ROM and BAK stand for the files' paths
    bool through_pipe;      // the last argument reaches the utility as <(cat ...)
    int status;
    const char* out_ends_with;  // "" : standard output empty
    const char* err;            // exact, FILE replaced; null: anything
};

void PrintTo(const bad_input& c, std::ostream* os) {
    *os << c.name;
}

const std::string kLongLine(60000, 'A');
const char kNoSetting[] = "ERROR: no setting given (the settings file FILE holds none)!\n";

const bad_input kCases[] = {
    {"export_open_denied", "open-error 5\n", nullptr, "--export 0", false, kRefused, "", nullptr},
    {"export_detail_failed", "detail-error 31\n", nullptr, "--export 0", false, kRefused, "", nullptr},
    {"configure_empty_file", "", "", "--configure 0 @FILE", false, kRefused, "", kNoSetting},
    {"configure_comments_only", "", "# nothing\r\n\n#vlanid=3\n", "--configure 0 @FILE", false, kRefused, "",
     kNoSetting},
    {"configure_escape_sequence", "", "vlanid=3\n\x1b[2J\x07=1\n", "--configure 0 @FILE", false, kRefused, "",
     "ERROR: FILE, line 2: unknown setting \\x1b[2J\\x07!\n"},
    {"configure_binary_value", "", "initiatorname=ok\nvlanid=\xff\x01\n", "--configure 0 @FILE", false, kRefused, "",
     nullptr},
    {"configure_huge_line", "", kLongLine.c_str(), "--configure 0 @FILE", false, kRefused, "", nullptr},
    {"verify_image_through_pipe", "", nullptr, "--verify 0 ROM", true, 0, "Flash equals the image (65536 bytes).\n",
     ""},
    {"verify_backup_through_pipe_read_to_its_end", "", nullptr, "--verify 0 BAK", true, 0,
     "Flash equals the backup (Option ROM and settings).\n", ""},
    {"verify_device_refused_at_once", "", nullptr, "--verify 0 /dev/zero", false, kRefused, "",
     "ERROR: Not a file or a pipe, the Adapter is only compared with a file!\n"},
};

std::string replaced(std::string text, const std::string& word, const std::string& by) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size())) {
        text.replace(at, word.size(), by);
    }
    return text;
}

class BadInput : public ::testing::TestWithParam<bad_input> {};

TEST_P(BadInput, IsRefusedCleanlyOrReadWhole) {
    const bad_input& c = GetParam();
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    const std::string adapter = "adapter00";
    const std::string file = box.folder("template.txt");
    const std::string rom = box.folder("rom.bin");
    const std::string bak = box.folder("adapter.bak");
    std::vector<std::uint8_t> flash = box.read_file(adapter + "/flash.bin");
    box.write_file("rom.bin", std::vector<std::uint8_t>(flash.begin(), flash.begin() + 65536));
    ASSERT_EQ(box.run({"--backup", "0", bak}).status, 0);
    if (c.file_text != nullptr) {
        box.write_text("template.txt", c.file_text);
    }
    box.write_text(adapter + "/faults", c.faults);

    std::vector<std::string> arguments;
    for (const std::string& a : words_of(c.words)) {
        arguments.push_back(replaced(replaced(replaced(a, "FILE", file), "ROM", rom), "BAK", bak));
    }
    run_result r;
    if (c.through_pipe) {
        // The file as bash hands a process substitution over: a pipe.
        std::string command = "exec \"$0\"";
        for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
            command += " '" + arguments[i] + "'";
        }
        command += " <(cat '" + arguments.back() + "')";
        r = box.run_program_here("/bin/bash", {"-c", command, HBABOOTCFG_PATH});
    } else {
        r = box.run(arguments);
    }
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string tail = c.out_ends_with;
    if (tail.empty()) {
        EXPECT_EQ(r.out, "");
    } else {
        EXPECT_GE(r.out.size(), tail.size());
        EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), tail.size())), tail);
    }
    if (c.err != nullptr) {
        EXPECT_EQ(r.err, replaced(c.err, "FILE", file));
    }
    // What reaches the terminal of a refused line: no control byte but the
    // line ends, and never a whole huge line.
    for (const char byte : r.err) {
        EXPECT_TRUE(byte == '\n' || static_cast<unsigned char>(byte) >= 0x20) << r.err;
    }
    EXPECT_LT(r.err.size(), 1000u);
    EXPECT_EQ(box.read_file(adapter + "/flash.bin"), flash);
}

INSTANTIATE_TEST_SUITE_P(EveryCase, BadInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<bad_input>& info) { return info.param.name; });

}  // namespace
