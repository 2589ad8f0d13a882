// The command front end through the built binary: usage, version, the
// adapter index rules and the argument paths that end before any flash work.
#include "settings/setting_table.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// What a run without arguments prints: the usage text, checked below.
const std::string& usage() {
    static const std::string text = emulator_sandbox().run({}).err;
    return text;
}

// The usage text is headed by the version, lists every command word and,
// line by line, every setting of the settings table, and no setting that
// is not in it.
TEST(UsageAndVersion, NoArgumentsPrintsUsage) {
    const run_result r = emulator_sandbox().run({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("\nversion=1.1\n\nHelp / Usage:\n")) << r.err;
    EXPECT_TRUE(r.err.ends_with("\tNot specifying the value will cause the setting to be cleared.\n")) << r.err;
    for (const char* command :
         {"-b | --backup <hba> <file>", "-c | --configure <hba> <setting>=<value>", "-d | --display <hba>",
          "-e | --erase <hba> <rom|settings> <-f|--force>", "-x | --export <hba>", "-l | --list",
          "-r | --restore <hba> <file> <rom|settings|all>", "-u | --update <hba> <Option ROM file path>",
          "-V | --verify <hba> <file>", "-v | --version"}) {
        EXPECT_NE(r.err.find(std::string("\n\t") + command), std::string::npos) << command;
    }
    for (const char* option : {"Add --dry-run (-n) to -c to show what would change without writing\n",
                               "Add --json to -l, -d, -c, -u or -V for one JSON document on standard output\n"}) {
        EXPECT_NE(r.err.find(option), std::string::npos) << option;
    }
    for (const setting_row& row : setting_rows()) {
        EXPECT_NE(r.err.find(std::string("\n\t") + row.name + "="), std::string::npos) << row.name;
    }
    std::istringstream lines(r.err.substr(r.err.find("Configuration Settings available:")));
    int listed = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("\t") && line.find('=') != std::string::npos) {
            const std::string name = line.substr(1, line.find('=') - 1);
            const setting_row* row = find_setting_row(name.c_str());
            EXPECT_TRUE(row != nullptr && name == row->name) << line;
            ++listed;
        }
    }
    EXPECT_EQ(listed, static_cast<int>(setting_rows().size()));
}

TEST(CommandWords, EachFormMatchesAsAPrefix) {
    emulator_sandbox box;
    add_realistic_adapters(box, 2);
    const run_result display = box.run({"--display", "1"});
    ASSERT_EQ(display.status, 0);
    ASSERT_NE(display.out.find("Option ROM: \tpresent\n"), std::string::npos) << display.out;
    for (const char* word : {"-d", "-dx", "--display", "--displayed", "-display"}) {
        const run_result r = box.run({word, "1"});
        EXPECT_EQ(r.out, display.out) << word;
        EXPECT_EQ(r.err, display.err) << word;
        EXPECT_EQ(r.status, 0) << word;
    }
}

// Every run that did nothing, or could not do what was asked, ends -1; an
// answer that is true ends 0. Each row: the adapters, the command line, what
// standard output and error must hold (the whole of it, "USAGE" for the
// usage text, or with a leading '~' a part of it) and the status. No row
// changes adapter 0's flash, and a command line refused before any flash
// work sends no request at all.
TEST(ExitStatus, NothingDoneIsNeverReportedAsSuccess) {
    enum class adapters {
        none,
        realistic,
        three,   // realistic
        twenty,  // blank
        erased,
        version_1_0,
        flash_unreadable,
        settings_unreadable,
        no_list
    };
    struct row {
        std::string name;
        adapters setup;
        std::vector<std::string> arguments;
        std::string err;
        int status;
        std::string out = "";
        bool no_request = false;
    };
    const std::string which_erase =
        "ERROR: please specify if you want to erase Option ROM (rom) or Configuration settings (settings)!\n";
    const std::string no_adapter = "ERROR: no Adapter found!\n";
    const std::string rom_unread = "~ERROR: Could not read data at start of Option ROM!\n";
    const std::string settings_unread = "~ERROR: Could not read settings data!\n";
    const std::string no_force = "ERROR: not proceeding without --force option!\n";
    const std::string one_adapter =
        "ERROR: Invalid Adapter number! Only allowed value is 0, since only one Adapter is installed.\n";
    const std::string three_adapters =
        "ERROR: Invalid Adapter number! Only allowed values are 0 to 2, since only 3 Adapters are installed.\n";
    const std::string version = "version=1.1\n";
    const std::string no_image = "ERROR: please specify the file path to flash to the Adapter!\n";
    const std::string no_file = "ERROR: please specify the image or backup file to compare the Adapter with!\n";
    const std::string list_refused = "SetupDiGetClassDevs failed: 5\n";
    std::vector<row> rows = {
        {"typo of settings", adapters::realistic, {"--erase", "0", "setting", "--force"}, which_erase, 255},
        {"upper-case rom", adapters::realistic, {"--erase", "0", "ROM", "--force"}, which_erase, 255},
        {"unknown erase target", adapters::realistic, {"-e", "0", "everything", "--force"}, which_erase, 255},
        {"erase without a target", adapters::realistic, {"--erase", "0"}, which_erase, 255},
        {"erase without --force", adapters::realistic, {"-e", "0", "rom"}, no_force, 255},
        {"erase with -force", adapters::realistic, {"-e", "0", "rom", "-force"}, no_force, 255},
        {"erase with --forced", adapters::realistic, {"-e", "0", "rom", "--forced"}, no_force, 255},
        {"erase with -F", adapters::realistic, {"-e", "0", "settings", "-F"}, no_force, 255},
        {"update without a file", adapters::realistic, {"--update", "0"}, no_image, 255},
        {"misspelt display", adapters::realistic, {"--dispaly", "0"}, "USAGE", 255},
        {"misspelt update", adapters::realistic, {"--updat", "0", "new.rom"}, "USAGE", 255},
        {"unknown word", adapters::realistic, {"--bogus", "0"}, "USAGE", 255},
        {"unknown word, no index", adapters::realistic, {"--bogus"}, "USAGE", 255},
        {"display without an index", adapters::realistic, {"--display"}, "USAGE", 255},
        {"configure without a setting", adapters::realistic, {"--configure", "0"}, "USAGE", 255, "", true},
        {"-c without a setting", adapters::realistic, {"-c", "0"}, "USAGE", 255, "", true},
        {"misspelt list", adapters::realistic, {"--lsit"}, "USAGE", 255},
        {"two-digit index", adapters::realistic, {"--display", "10"}, "USAGE", 255},
        {"two-digit index of three", adapters::three, {"--display", "12"}, "USAGE", 255},
        {"empty index", adapters::three, {"-d", ""}, "USAGE", 255},
        {"negative index", adapters::realistic, {"--display", "-1"}, "USAGE", 255},
        {"unknown option", adapters::realistic, {"-z"}, "USAGE", 255},
        {"unknown word with an index", adapters::three, {"unknown", "0"}, "USAGE", 255},
        {"no argument", adapters::realistic, {}, "USAGE", 0},
        {"--help", adapters::realistic, {"--help"}, "USAGE", 0},
        {"-h", adapters::realistic, {"-h"}, "USAGE", 0},
        {"-?", adapters::realistic, {"-?"}, "USAGE", 0},
        {"/?", adapters::realistic, {"/?"}, "USAGE", 0},
        {"--version", adapters::none, {"--version"}, version, 0},
        {"-v", adapters::none, {"-v"}, version, 0},
        {"-vx", adapters::none, {"-vx"}, version, 0},
        {"--version and words", adapters::none, {"--version", "extra", "words"}, version, 0},
        {"--version with an index", adapters::three, {"--version", "1"}, "", 0},
        {"--list with an index", adapters::three, {"--list", "0"}, "", 0},
        {"index 9 of twenty", adapters::twenty, {"-v", "9"}, "", 0},
        {"display, no adapter", adapters::none, {"--display", "0"}, no_adapter, 255},
        {"erase, no adapter", adapters::none, {"--erase", "0", "rom", "--force"}, no_adapter, 255},
        {"restore, no adapter", adapters::none, {"--restore", "0", "f.bak", "all", "--force"}, no_adapter, 255},
        {"list, no adapter", adapters::none, {"--list"}, "", 0},
        {"-l, no adapter", adapters::none, {"-l"}, "", 0},
        {"--help, no adapter", adapters::none, {"--help"}, "USAGE", 0},
        {"--help with an index", adapters::realistic, {"--help", "0"}, "USAGE", 0},
        {"index of one", adapters::realistic, {"--display", "1"}, one_adapter, 255},
        {"unknown word, index of one", adapters::realistic, {"bogus", "5"}, one_adapter, 255},
        {"index 5 of three", adapters::three, {"-d", "5"}, three_adapters, 255},
        {"index 3 of three", adapters::three, {"-d", "3"}, three_adapters, 255},
        {"letter index", adapters::three, {"--erase", "x", "rom", "-f"}, three_adapters, 255},
        {"dash index", adapters::three, {"-d", "-"}, three_adapters, 255},
        {"verify without a file", adapters::realistic, {"--verify", "0"}, no_file, 255},
        {"display, flash unreadable", adapters::flash_unreadable, {"--display", "0"}, rom_unread, 255, "~"},
        {"display, settings unreadable", adapters::settings_unreadable, {"--display", "0"}, settings_unread, 255, "~"},
        {"display, no Option ROM", adapters::erased, {"--display", "0"}, "", 0, "~not present"},
        {"display, version 1.0 record", adapters::version_1_0, {"--display", "0"}, "", 0, "~version!"},
        {"display, all read", adapters::realistic, {"--display", "0"}, "", 0, "~Target CHAP secret"},
        {"list, interface list unavailable", adapters::no_list, {"--list"}, list_refused, 255},
        {"display, interface list unavailable", adapters::no_list, {"--display", "0"}, list_refused + no_adapter, 255},
    };
    // Whatever the command word, an adapter index with no adapter is refused.
    for (const char* word : {"-d", "--display", "-c", "-u", "-e", "--list", "-v", "whatever"}) {
        for (const char* index : {"0", "x"}) {
            rows.push_back(
                {std::string(word) + " " + index + ", no adapter", adapters::none, {word, index}, no_adapter, 255});
        }
    }
    // A word that only resembles a command is no command.
    for (const char* word : {"display", "---display", "-D", "--Display"}) {
        rows.push_back({std::string(word) + " resembles --display", adapters::three, {word, "1"}, "USAGE", 255});
    }
    const auto expect_text = [](const std::string& actual, const std::string& expected) {
        if (expected.starts_with("~")) {
            EXPECT_NE(actual.find(expected.substr(1)), std::string::npos) << actual;
        } else {
            EXPECT_EQ(actual, expected == "USAGE" ? usage() : expected);
        }
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        const bool blank = c.setup == adapters::none || c.setup == adapters::no_list || c.setup == adapters::twenty;
        add_realistic_adapters(box, c.setup == adapters::three ? 3 : blank ? 0 : 1);
        box.add_blank_adapters(c.setup == adapters::twenty ? 20 : 0);
        if (c.setup == adapters::erased) {
            box.write_file("adapter00/flash.bin", erased_flash());
        }
        if (c.setup == adapters::version_1_0) {
            bytes flash = box.read_file("adapter00/flash.bin");
            flash[kRecordOffset + 9] = 0x01;  // high byte of the record's version
            box.write_file("adapter00/flash.bin", flash);
        }
        if (c.setup == adapters::flash_unreadable) {
            box.write_text("adapter00/faults", "register-error 31\n");
        }
        if (c.setup == adapters::settings_unreadable) {
            // Enough requests for the first word of the Option ROM, none to
            // spare for the settings.
            box.write_text("adapter00/faults", "fail-after 50\n");
        }
        if (c.setup == adapters::no_list) {
            box.write_text("faults", "class-error 5\n");
        }
        const bytes before = box.read_file("adapter00/flash.bin");
        const run_result r = box.run(c.arguments, true);
        expect_text(r.out, c.out);
        expect_text(r.err, c.err);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(box.read_file("adapter00/flash.bin"), before);
        if (c.no_request) {
            EXPECT_EQ(box.read_text("trace.log"), "");
        }
    }
}

}  // namespace
