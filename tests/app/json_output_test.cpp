// The display's JSON form and the command lines that carry --json, through
// the built binary: each document read back with a real JSON parser and
// held against the text output of the same adapter.
#include "support/emulator_sandbox.h"
#include "support/json_document.h"
#include "support/realistic_adapters.h"

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

// Every setting the export writes must be in the document with the value
// it means; the last line of a name is its final value.
void expect_settings_as_exported(const json& settings, const std::string& exported) {
    std::map<std::string, std::string> values;
    std::set<std::string> portals;
    std::istringstream in(exported);
    for (std::string line; std::getline(in, line);) {
        const std::string name = line.substr(0, line.find('='));
        const std::string value = line.substr(line.find('=') + 1);
        if (name == "targetportal") {
            portals.insert(value);
        } else if (name != "deleteportal") {
            values[name] = value;
        }
    }
    for (const auto& [name, value] : values) {
        SCOPED_TRACE(name);
        const json& member = settings[name];
        if (member.is_boolean()) {
            EXPECT_EQ(member, value == "yes" || value == "on") << value;
        } else if (member.is_object()) {
            EXPECT_EQ(member["set"], !value.empty());
        } else if (member.is_number()) {
            EXPECT_EQ(member.dump(), value);
        } else {
            EXPECT_EQ(member, value.empty() ? json() : json(value));
        }
    }
    std::set<std::string> shown;
    for (const json& portal : settings["targetportal"]) {
        shown.insert(portal["tag"].dump() + "@" + portal["address"].get<std::string>() + ":" + portal["port"].dump());
    }
    EXPECT_EQ(shown, portals);
}

TEST(DisplayJson, SettingsHoldWhatTheExportWritesAndNoSecret) {
    emulator_sandbox box;
    add_realistic_adapters(box, 2);
    ASSERT_EQ(box.run({"-c", "1", "chaptype=mutual", "initiatoruser=alice", "initiatorpass=Secret-One-12",
                       "targetpass=Secret-Two-34", "vlanid=7", "headerdigest=on", "oskorvaneini=off",
                       "targetportal=2@10.0.0.9:3261", "targetfromdhcp=on"})
                  .status,
              0);
    const run_result list = box.run({"--list"});
    for (const char* index : {"0", "1"}) {
        SCOPED_TRACE(index);
        const run_result r = box.run({"--display", index, "--json"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.find("Secret-"), std::string::npos);
        const json document = parse_document(r);
        EXPECT_EQ(document["adapter"]["index"], index[0] - '0');
        const std::string version = document["adapter"]["option_rom"]["version"];
        EXPECT_NE(list.out.find("Version: " + version + "\n"), std::string::npos) << version;
        EXPECT_EQ(document["settings_state"], "valid");
        EXPECT_EQ(document["settings"].size(), 23u);
        expect_settings_as_exported(document["settings"], box.run({"--export", index}).out);
    }
}

// Each row: one adapter with a flash byte changed (offset -1: none) and its
// faults, the index asked for, the status, and what the document must hold.
// The text display's lines and status must be the same, but where a fault
// counts requests: the JSON form reads more of the flash at the start.
TEST(DisplayJson, NoSettingsToShowSaysWhyAndFailuresSayWhat) {
    struct row {
        const char* name;
        int flash_offset;
        std::uint8_t flash_byte;
        const char* faults;
        const char* index;
        int status;
        const char* expected;
    };
    const row rows[] = {
        {"no Option ROM", 0, 0xFF, "", "0", 0,
         R"({"adapter": {"index": 0, "option_rom": {"present": false, "version": null, "header": null}},
             "settings": null, "settings_state": "no_option_rom"})"},
        {"version 1.0 record", 0x30009, 1, "", "0", 0, R"({"settings": null, "settings_state": "version_1_0"})"},
        {"settings sector erased", 0x30000, 0xFF, "", "0", 0, R"({"settings": null, "settings_state": "absent"})"},
        {"flash unreadable", -1, 0, "register-error 31\n", "0", 255,
         R"({"error": "Could not read data at start of Option ROM!"})"},
        // Enough requests for the first 512 bytes, none to spare for the
        // settings.
        {"settings unreadable", -1, 0, "fail-after 600\n", "0", 255,
         R"({"settings": null, "settings_state": "unreadable", "error": "Could not read settings data!"})"},
        {"index that names no adapter", -1, 0, "", "3", 255,
         R"({"error": "Invalid Adapter number! Only allowed value is 0, since only one Adapter is installed."})"},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        std::vector<std::uint8_t> flash = box.read_file("adapter00/flash.bin");
        if (c.flash_offset >= 0) {
            flash[c.flash_offset] = c.flash_byte;
        }
        box.write_file("adapter00/flash.bin", flash);
        box.write_text("adapter00/faults", c.faults);
        const run_result r = box.run({"-d", c.index, "--json"});
        const json document = parse_document(r);
        const json expected = json::parse(c.expected);
        for (const auto& [name, value] : expected.items()) {
            EXPECT_EQ(document[name], value) << name;
        }
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(document.contains("error"), c.status != 0);
        EXPECT_EQ(document.value("error", ""), last_error_text(r.err));
        if (std::string(c.faults).rfind("fail-after", 0) != 0) {
            const run_result text = box.run({"-d", c.index});
            EXPECT_EQ(r.err, text.err);
            EXPECT_EQ(r.status, text.status);
        }
    }
}

// --json on a command that has no JSON form, anywhere but last, or after
// arguments the command does not take: the usage text, -1, and not one
// request to an adapter.
TEST(JsonCommandLine, JsonWhereNoCommandTakesItIsNotUnderstood) {
    const char* rows[] = {"--json",
                          "-l --json --json",
                          "-l 0 --json",
                          "-d --json 0",
                          "-d 0 x --json",
                          "-d 10 --json",
                          "-x 0 --json",
                          "-c 0 --json",
                          "-c 0 -n --json",
                          "-c 0 x=1 --json -n",
                          "-u 0 f -f -n x --json",
                          "-V 0 f x --json",
                          "-e 0 rom -f --json",
                          "-v --json"};
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    const std::string usage = box.run({"--help"}).err;
    for (const char* row : rows) {
        SCOPED_TRACE(row);
        const run_result r = box.run(words_of(row), true);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(box.read_text("trace.log"), "");
    }
}

}  // namespace
