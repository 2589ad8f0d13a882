// The settings as text, through the built binary on emulated adapters: the
// export, settings files for the configure command, and the round trip of
// one adapter's settings to another that held something else.
#include "settings/ipv4_parser.h"
#include "settings/iscsi_name.h"
#include "settings/setting_table.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr int kRefusedStatus = 255;  // exit status -1 as the shell sees it
const std::string kSaving = "Saving settings to Adapter... please wait  ";

class SettingsText : public testing::Test {
protected:
    emulator_sandbox box;

    void SetUp() override {
        for (const char* name : {"adapter00", "adapter01"}) {
            box.add_blank_adapter(name);
            install(name, configured_record());
        }
    }

    void install(const std::string& adapter, const boot_settings_record& record) {
        box.write_file(adapter + "/flash.bin", flash_holding(record));
    }

    std::vector<std::uint8_t> flash_of(const std::string& adapter) const {
        return box.read_file(adapter + "/flash.bin");
    }

    // The display without its first line, "Adapter Index: \tN".
    std::string settings_shown(const char* index) const {
        const std::string out = box.run({"--display", index}).out;
        return out.substr(out.find('\n') + 1);
    }

    // The configure command refuses with err before anything is written.
    void expect_refused(const std::vector<std::string>& arguments, const std::string& err) {
        const std::vector<std::uint8_t> before = flash_of("adapter00");
        std::vector<std::string> command = {"--configure", "0"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const run_result r = box.run(command);
        EXPECT_EQ(r.status, kRefusedStatus) << arguments.back();
        EXPECT_EQ(r.out, "") << arguments.back();
        EXPECT_EQ(r.err, err) << arguments.back();
        EXPECT_EQ(flash_of("adapter00"), before) << arguments.back();
    }

    boot_settings_record configure_and_read(const std::vector<std::string>& arguments) {
        std::vector<std::string> command = {"--configure", "0"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const run_result r = box.run(command);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, kSaving);
        return record_from_flash(flash_of("adapter00"));
    }
};

TEST_F(SettingsText, ExportOfAConfiguredRecord) {
    const run_result r = box.run({"--export", "0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "bootenabled=yes\noskorvaneini=on\ninitiatorname=iqn.2001-04.com.example:host1\nheaderdigest=on\n"
              "datadigest=off\nchaptype=mutual\ninitiatoruser=hostuser\ninitiatorpass=hostsecret12\n"
              "networktype=static\nstaticip=10.0.0.5\nstaticmask=255.255.255.0\nstaticgw=10.0.0.1\n"
              "preferredport=1\nvlanid=12\ntargetname=iqn.2001-04.com.example:storage\nportalgroup=1\n"
              "targetportal=1@10.0.0.1:3260\ntargetportal=2@10.0.0.2:860\ntargetlun=3\n"
              "targetdiscoveryip=10.0.0.9\ntargetdiscoveryport=3260\ntargetuser=targetuser\n"
              "targetpass=targetsecret\n");
    EXPECT_EQ(box.run({"-x", "0"}).out, r.out);
    EXPECT_EQ(box.run({"-xyz", "0"}).out, r.out);  // prefix match, as every command word
}

// An erased sector shows as a record no setting can produce: every field
// the settings cannot store is named, and everything else is still written.
TEST_F(SettingsText, ExportOfAnErasedSectorNamesWhatCannotBeStored) {
    std::vector<std::uint8_t> flash = erased_flash();
    put_option_rom(&flash, 0x1A);
    box.write_file("adapter00/flash.bin", flash);
    const run_result r = box.run({"--export", "0"});
    EXPECT_EQ(r.status, kRefusedStatus);
    EXPECT_EQ(r.out,
              "bootenabled=yes\noskorvaneini=off\ninitiatorname=\nheaderdigest=on\ndatadigest=on\n"
              "initiatoruser=\ninitiatorpass=\nstaticmask=\nstaticmask=255.255.255.255\npreferredport=any\n"
              "targetname=\nportalgroup=255\ntargetfromdhcp=on\ndeleteportal=1\ndeleteportal=2\ntargetlun=255\n"
              "targetdiscoveryport=65535\ntargetuser=\ntargetpass=\n");
    const std::string tail = " holds a value that no setting can store, not exported!\n";
    EXPECT_EQ(r.err, "ERROR: chaptype" + tail + "ERROR: networktype" + tail + "ERROR: staticip" + tail +
                         "ERROR: staticgw" + tail + "ERROR: vlanid" + tail + "ERROR: targetdiscoveryip" + tail);
}

TEST_F(SettingsText, ExportRefusalsLeaveStandardOutputEmpty) {
    struct refusal {
        const char* what;
        std::vector<std::uint8_t> flash;
        const char* err;
    };
    std::vector<std::uint8_t> no_rom = erased_flash();
    put_record(&no_rom, configured_record());
    std::vector<std::uint8_t> version_one = erased_flash();
    put_option_rom(&version_one, 0x1A);
    boot_settings_record old = configured_record();
    old.version = 0x0100;
    put_record(&version_one, old);
    const refusal refusals[] = {
        {"no Option ROM", no_rom, "ERROR: Could not find valid Option ROM!\n"},
        {"version 1.0", version_one, "\nERROR: unsupported Option ROM version 1.0!\n"},
    };
    for (const refusal& c : refusals) {
        box.write_file("adapter00/flash.bin", c.flash);
        const run_result r = box.run({"--export", "0"});
        EXPECT_EQ(r.status, kRefusedStatus) << c.what;
        EXPECT_EQ(r.out, "") << c.what;
        EXPECT_EQ(r.err, c.err) << c.what;
    }
    box.write_text("adapter00/faults", "register-error 31\n");
    const run_result r = box.run({"--export", "0"});
    EXPECT_EQ(r.status, kRefusedStatus);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ERROR: Could not read data at start of Option ROM!\n"), std::string::npos) << r.err;
}

TEST_F(SettingsText, SettingsFileLinesAreArgumentsInPlace) {
    box.write_text("crlf.txt", "# fleet template\r\n\r\nvlanid=5\r\n#vlanid=6\r\n\ninitiatoruser=boot: admin\r\n");
    box.write_text("lf.txt", "targetlun=7\n@not-a-file=1\n  \n");
    box.write_text("last.txt", "targetlun=8");
    boot_settings_record r = configure_and_read({"@" + box.folder("crlf.txt")});
    EXPECT_EQ(r.vlanid, 5);
    EXPECT_STREQ(r.initiatoruser, "boot: admin");  // blanks are part of the value
    // A later argument wins, from the file or from the command line.
    r = configure_and_read({"@" + box.folder("crlf.txt"), "vlanid=9"});
    EXPECT_EQ(r.vlanid, 9);
    r = configure_and_read({"vlanid=9", "@" + box.folder("crlf.txt"), "targetlun=1", "@" + box.folder("last.txt")});
    EXPECT_EQ(r.vlanid, 5);
    EXPECT_EQ(r.targetlun, 8);  // a last line without its line end counts
    // "@" inside a file names no file, and a line of blanks is an argument.
    expect_refused({"@" + box.folder("lf.txt")},
                   "ERROR: " + box.folder("lf.txt") + ", line 2: unknown setting @not-a-file!\n");
    box.write_text("blank.txt", "targetlun=7\n  \n");
    expect_refused({"@" + box.folder("blank.txt")},
                   "ERROR: " + box.folder("blank.txt") + ", line 2: setting    must be of type setting=value\n");
}

TEST_F(SettingsText, UnusableSettingsFilesAreRefusedBeforeAnythingIsWritten) {
    const std::string comment_line = "#" + std::string(1022, 'c') + "\n";  // 1 KiB
    std::string at_limit;
    for (int i = 0; i < 64; ++i) {
        at_limit += comment_line;
    }
    box.write_text("at_limit.txt", at_limit);
    box.write_text("over_limit.txt", at_limit + "x");
    box.write_text("nul.txt", std::string("vlanid=5\n\0\n", 11));
    box.write_text("refused.txt", "vlanid=5\ntargetlun=300\nportalgroup=2\n");
    const std::string missing = box.folder("missing.txt");
    expect_refused({"vlanid=3", "@" + missing}, "ERROR: Could not read settings file " + missing + "!\n");
    expect_refused({"@" + box.folder("")}, "ERROR: Could not read settings file " + box.folder("") + "!\n");
    expect_refused({"@"}, "ERROR: Could not read settings file !\n");
    expect_refused({"@" + box.folder("over_limit.txt")},
                   "ERROR: Settings file " + box.folder("over_limit.txt") + " is larger than 64 KiB!\n");
    expect_refused({"@" + box.folder("nul.txt")},
                   "ERROR: Settings file " + box.folder("nul.txt") + " holds a NUL byte!\n");
    expect_refused(
        {"@" + box.folder("refused.txt")},
        "ERROR: " + box.folder("refused.txt") + ", line 2: Target LUN should be an integer number from 0 to 255!\n");
    // A file that cannot be read is refused even after a setting that would be.
    expect_refused({"targetlun=300", "@" + missing}, "ERROR: Could not read settings file " + missing + "!\n");
    const run_result r = box.run({"--configure", "0", "@" + box.folder("at_limit.txt"), "vlanid=4"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// Random settings, many to a command line, on two adapters; adapter 0's
// export applied to adapter 1 through a settings file must make adapter 1
// show what adapter 0 shows, whatever adapter 1 held before.
class random_settings {
public:
    explicit random_settings(unsigned start) : gen_(start) {}

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(gen_); }

    std::string one_of(const std::vector<std::string>& items) {
        return items[static_cast<std::size_t>(pick(0, static_cast<int>(items.size()) - 1))];
    }

    std::string text(std::uint32_t longest) {
        // Printable ASCII with the characters a settings file could trip on.
        static const std::string kCharacters = "abcXYZ019.:-_ #@=\\\"'";
        std::string t(static_cast<std::size_t>(pick(0, static_cast<int>(longest))), ' ');
        for (char& c : t) {
            c = kCharacters[static_cast<std::size_t>(pick(0, static_cast<int>(kCharacters.size()) - 1))];
        }
        return t;
    }

    // Empty (no name) or an iqn. name with the characters a name may hold
    // after its colon, up to the field's 95.
    std::string iscsi_name() {
        static const std::string kPrefix = "iqn.2026-01.com.example:";
        static const std::string kCharacters = "abcXYZ019.:-";
        if (pick(0, 5) == 0) {
            return "";
        }
        std::string name = kPrefix;
        for (int i = pick(0, 95 - static_cast<int>(kPrefix.size())); i > 0; --i) {
            name += kCharacters[static_cast<std::size_t>(pick(0, static_cast<int>(kCharacters.size()) - 1))];
        }
        return name;
    }

    // Addresses from a few subnets, so that gateways often pass and sometimes not.
    std::string address() {
        return one_of({"10.", "192.", "172."}) + std::to_string(pick(0, 2)) + "." + std::to_string(pick(0, 2)) + "." +
               std::to_string(pick(1, 254));
    }

    // A value of the row's kind that the row takes, made from the row.
    std::string value(const setting_row& row) {
        switch (row.kind) {
            case setting_kind::choice:
            case setting_kind::target_from_dhcp: {
                int words = 0;
                while (row.choices[words].word != nullptr) {
                    ++words;
                }
                const value_choice& c = row.choices[pick(0, words - 1)];
                return c.word + std::string(c.how == word_match::starts && pick(0, 1) == 0 ? "xyz" : "");
            }
            case setting_kind::text: return is_name_setting(row) ? iscsi_name() : text(row.maximum);
            case setting_kind::secret: return pick(0, 3) == 0 ? "" : random_secret(row);
            case setting_kind::number:
                return row.empty_clears && pick(0, 5) == 0
                           ? ""
                           : std::to_string(pick(static_cast<int>(row.minimum), static_cast<int>(row.maximum)));
            case setting_kind::address:
                if (row.ipv4_mode == kIpv4Mask) {
                    return one_of({"", "255.0.0.0", "255.255.0.0", "255.255.255.0", "255.255.254.0"});
                }
                return pick(0, 4) == 0 ? "" : address();
            case setting_kind::portal: {
                const std::string portal = std::to_string(pick(1, 2)) + "@" + address();
                return pick(0, 1) == 0 ? portal : portal + ":" + std::to_string(pick(1, 65535));
            }
            case setting_kind::portal_tag: return std::to_string(pick(1, 2));
        }
        return "";
    }

    std::vector<std::string> command(const char* adapter, int settings) {
        std::vector<std::string> c = {"--configure", adapter};
        const std::span<const setting_row> rows = setting_rows();
        for (int i = 0; i < settings; ++i) {
            // The target from DHCP twice as often, so that portal 1 can be deleted.
            const setting_row& row = pick(0, 24) == 0
                                         ? *find_setting_row("targetfromdhcp")
                                         : rows[static_cast<std::size_t>(pick(0, static_cast<int>(rows.size()) - 1))];
            c.push_back(std::string(row.name) + "=" + value(row));
        }
        return c;
    }

    // Every setting once but the deletion of a portal, in the table's order
    // after the mask is cleared, so that no subnet judges the gateway: a
    // record every field of which an export can carry.
    std::vector<std::string> everything(const char* adapter) {
        std::vector<std::string> c = {"--configure", adapter, "staticmask="};
        for (const setting_row& row : setting_rows()) {
            if (row.kind != setting_kind::portal_tag) {
                c.push_back(std::string(row.name) + "=" + value(row));
            }
        }
        return c;
    }

private:
    std::string random_secret(const setting_row& row) {
        std::string secret;
        while (secret.size() < row.minimum) {
            secret = text(row.maximum);
        }
        return secret;
    }

    std::mt19937 gen_;
};

TEST_F(SettingsText, ExportAppliedToAnotherAdapterShowsTheSameSettings) {
    random_settings random(20261207);
    constexpr int kRounds = 25;
    constexpr int kCommandsPerRound = 6;
    constexpr int kSettingsPerCommand = 14;
    int accepted_commands = 0;
    for (int round = 0; round < kRounds; ++round) {
        box.run(random.everything("0"));
        box.run(random.everything("1"));
        for (int i = 0; i < kCommandsPerRound; ++i) {
            accepted_commands += box.run(random.command("0", kSettingsPerCommand)).status == 0 ? 1 : 0;
        }
        box.run(random.command("1", kSettingsPerCommand));
        const run_result exported = box.run({"--export", "0"});
        ASSERT_EQ(exported.status, 0) << "round " << round << "\n" << exported.err;
        box.write_text("template.txt", exported.out);
        const run_result applied = box.run({"--configure", "1", "@" + box.folder("template.txt")});
        ASSERT_EQ(applied.status, 0) << "round " << round << "\n" << applied.err << "\n" << exported.out;
        EXPECT_EQ(settings_shown("1"), settings_shown("0")) << "round " << round << "\n" << exported.out;
        EXPECT_EQ(box.run({"--export", "1"}).out, exported.out) << "round " << round;
    }
    // The random commands must mostly be accepted, or the test shows little.
    EXPECT_GT(accepted_commands, kRounds * kCommandsPerRound / 4);
    std::printf("%d of %d random command lines accepted\n", accepted_commands, kRounds * kCommandsPerRound);
}

}  // namespace
