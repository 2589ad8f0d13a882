// The JSON forms of verify, configure and update through the built binary.
// Every row runs twice, on two sandboxes holding the same adapters: the text
// form on one, the JSON form on the other. The document is read back with a
// real JSON parser and held against the text form's lines and status, and
// both runs must leave the same flash.
#include "emulator/contents/adapter_profile.h"
#include "support/emulator_sandbox.h"
#include "support/json_document.h"
#include "support/realistic_adapters.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

const std::string kFlash = realistic_adapter_profile(0).folder_name + "/flash.bin";
constexpr std::size_t kSector = 0x10000;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string last_line(const std::string& text) {
    const std::vector<std::string> lines = lines_of(text);
    return lines.empty() ? "" : lines.back();
}

struct row {
    const char* what;
    std::vector<std::string> arguments;   // after the command word and "0"
    std::string fault = "";               // in adapter 0's faults file for this row
    std::vector<std::string> first = {};  // a command run in both sandboxes before the row
};

// Two sandboxes with adapter 0 of `hbaemu init` and images beside them.
class JsonWriteCommands : public ::testing::Test {
protected:
    void SetUp() override {
        add_realistic_adapters(text_box, 1);
        add_realistic_adapters(json_box, 1);
        make_rom("new.rom", "1abc:0b10");
        make_rom("other.rom", "1abd:0b11");
        ASSERT_EQ(text_box.run({"--backup", "0", text_box.folder("before.bak")}).status, 0);
    }

    void make_rom(const char* name, const char* ids) {
        ASSERT_EQ(
            run_program(HBAEMU_PATH, {"make-rom", text_box.folder(name), "--ids", ids, "--version", "9.8.7"}).status,
            0);
    }

    // Runs the row in both forms; the document, with the text form's run in
    // text. The flash before the JSON run is in before.
    json run_both(const char* command, const row& r, run_result* text) {
        std::vector<std::string> arguments = {command, "0"};
        for (const std::string& a : r.arguments) {
            // A file's name: beside the adapters.
            arguments.push_back(a.find('=') == std::string::npos && a[0] != '-' ? text_box.folder(a) : a);
        }
        if (!r.first.empty()) {
            EXPECT_EQ(text_box.run(r.first).status, 0);
            EXPECT_EQ(json_box.run(r.first).status, 0);
        }
        text_box.write_text("adapter00/faults", r.fault);
        json_box.write_text("adapter00/faults", r.fault);
        *text = text_box.run(arguments);
        before = json_box.read_file(kFlash);
        arguments.push_back("--json");
        const run_result j = json_box.run(arguments);
        const json document = parse_document(j);
        EXPECT_EQ(j.status, text->status);
        EXPECT_EQ(j.err.find('\b'), std::string::npos);  // no progress line, not even on standard error
        EXPECT_EQ(json_box.read_file(kFlash), text_box.read_file(kFlash));
        // Without an error the document is the answer; with one, its text is
        // the text form's last ERROR line (the version 1.0 refusal prints
        // its line on standard output).
        const std::string err = text->err.find("ERROR: ") != std::string::npos ? text->err : text->out;
        const std::size_t at = err.rfind("ERROR: ");
        EXPECT_EQ(document.value("error", ""), at == std::string::npos ? "" : last_line(err.substr(at + 7)));
        return document;
    }

    // The sectors of adapter 0 that the JSON run changed.
    json changed_sectors() const {
        const std::vector<std::uint8_t> after = json_box.read_file(kFlash);
        json sectors = json::array();
        for (std::size_t k = 0; k < 3; ++k) {
            if (!std::equal(before.begin() + k * kSector, before.begin() + (k + 1) * kSector,
                            after.begin() + k * kSector)) {
                sectors.push_back(k);
            }
        }
        return sectors;
    }

    emulator_sandbox text_box;
    emulator_sandbox json_box;
    std::vector<std::uint8_t> before;
};

// The dry run's lines, as the document's changes read.
std::vector<std::string> change_lines(const json& changes) {
    std::vector<std::string> lines;
    for (const json& c : changes) {
        const auto text = [](const json& v) { return v.is_null() ? std::string() : v.get<std::string>(); };
        lines.push_back(c["setting"].get<std::string>() + ": " +
                        (c.contains("change") ? text(c["change"]) : text(c["from"]) + " -> " + text(c["to"])));
    }
    return lines;
}

TEST_F(JsonWriteCommands, ConfigureSaysWhatItChangesAsTheDryRunShowsIt) {
    const row rows[] = {
        {"a dry run with a secret", {"vlanid=12", "initiatorpass=Secret-One-12", "-n"}},
        {"changes", {"vlanid=12", "targetportal=2@10.1.1.1:3260"}},
        {"nothing changes", {"vlanid=12", "bootenabled=yes"}},
        {"a refusal", {"vlanid=5000"}},
        {"a save whose erase fails", {"vlanid=9"}, "erase-busy-polls 5\n"},
        {"an adapter that cannot be read", {"vlanid=10"}, "register-error 31\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> dry = {"-c", "0"};
        dry.insert(dry.end(), r.arguments.begin(), r.arguments.end());
        if (dry.back() != "-n") {
            dry.push_back("-n");
        }
        text_box.write_text("adapter00/faults", r.fault);
        const run_result dry_text = text_box.run(dry);
        run_result text;
        const json document = run_both("-c", r, &text);
        const bool dry_run = r.arguments.back() == "-n";
        EXPECT_EQ(document["dry_run"], dry_run);
        EXPECT_EQ(document.contains("changes"), dry_text.status == 0);
        std::vector<std::string> expected = lines_of(dry_text.out);
        if (!expected.empty()) {
            expected.pop_back();  // how many would change
        }
        EXPECT_EQ(change_lines(document.value("changes", json::array())), expected);
        EXPECT_EQ(document["changed"], dry_run ? !expected.empty() : json_box.read_file(kFlash) != before);
        EXPECT_EQ(document.dump().find("Secret-"), std::string::npos);
        const bool previous_lost = text.err.find("previous settings may be lost") != std::string::npos;
        EXPECT_EQ(document.value("previous_settings", ""), previous_lost ? "may_be_lost" : "");
    }
}

TEST_F(JsonWriteCommands, UpdateSaysWhichSectorsItComparedAndWrote) {
    const json adapter_ids = R"({"vendor_id": "1abc", "device_id": "0b10"})"_json;
    const json other_ids = R"({"vendor_id": "1abd", "device_id": "0b11"})"_json;
    struct update_row {
        row r;
        json image_ids;
    };
    const update_row rows[] = {
        {{"a dry run of a new image", {"new.rom", "--dry-run"}}, adapter_ids},
        {{"the new image", {"new.rom"}}, adapter_ids},
        {{"the same image again", {"new.rom"}}, adapter_ids},
        {{"an image for another device", {"other.rom"}}, other_ids},
        {{"the same, forced, dry run", {"other.rom", "--force", "-n"}}, other_ids},
        {{"an adapter whose flash cannot be read", {"other.rom", "-f"}, "register-error 31\n"}, other_ids},
        {{"no image file", {"missing.rom"}}, nullptr},
    };
    for (const update_row& u : rows) {
        SCOPED_TRACE(u.r.what);
        run_result text;
        const json document = run_both("-u", u.r, &text);
        const bool dry_run = u.r.arguments.back() == "-n" || u.r.arguments.back() == "--dry-run";
        EXPECT_EQ(document["dry_run"], dry_run);
        EXPECT_EQ(document.value("image_ids", json()), u.image_ids);
        EXPECT_EQ(document.value("adapter_ids", json()), u.image_ids.is_null() ? json() : adapter_ids);
        int would = 0;
        int of = 0;
        if (std::sscanf(text.out.c_str(), "%d of %d sectors would be erased", &would, &of) == 2) {
            EXPECT_EQ(document["sectors_compared"], of);
            EXPECT_EQ(document["sectors_to_write"].size(), static_cast<std::size_t>(would));
            EXPECT_EQ(document["changed"], true);
        }
        if (!dry_run && text.status == 0) {
            EXPECT_EQ(document["sectors_written"], changed_sectors());
            EXPECT_EQ(document["changed"], !changed_sectors().empty());
            EXPECT_EQ(text.out.find("Option ROM unchanged") != std::string::npos, !document["changed"]);
        }
    }
}

TEST_F(JsonWriteCommands, VerifySaysWhatItComparedAndHowMuchDiffers) {
    text_box.write_text("neither.bin", "not a ROM");
    const row rows[] = {
        {"a backup that holds the flash", {"before.bak"}},
        {"an image that differs", {"new.rom"}},
        {"a backup whose settings differ", {"before.bak"}, "", {"-c", "0", "vlanid=5"}},
        {"a file that is neither", {"neither.bin"}},
        {"an adapter whose flash cannot be read", {"before.bak"}, "register-error 31\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        run_result text;
        const json document = run_both("-V", r, &text);
        const std::string line = last_line(text.out);
        unsigned offset = 0;
        unsigned rom = 0;
        unsigned other = 0;
        json expected = {{"equal", false}, {"first_difference", nullptr}};
        if (std::sscanf(line.c_str(), "Flash differs from the image at offset 0x%x: %u of %u", &offset, &rom, &other) ==
            3) {
            expected = {{"file_kind", "image"},
                        {"equal", false},
                        {"compared_bytes", other},
                        {"first_difference", offset},
                        {"differing_bytes", {{"option_rom", rom}, {"settings", nullptr}}}};
        } else if (std::sscanf(line.c_str(),
                               "Flash differs from the backup at offset 0x%x: %u bytes differ in the "
                               "Option ROM, %u in",
                               &offset, &rom, &other) == 3) {
            expected = {{"file_kind", "backup"},
                        {"equal", false},
                        {"compared_bytes", 0x30000 + 448},
                        {"first_difference", offset},
                        {"differing_bytes", {{"option_rom", rom}, {"settings", other}}}};
        } else if (line == "Flash equals the backup (Option ROM and settings).") {
            expected = {{"file_kind", "backup"},
                        {"equal", true},
                        {"compared_bytes", 0x30000 + 448},
                        {"first_difference", nullptr},
                        {"differing_bytes", {{"option_rom", 0}, {"settings", 0}}}};
        } else {
            // Nothing compared: the kind is known once the file was read.
            EXPECT_EQ(document.contains("file_kind"), text.err.find("Could not read the flash") != std::string::npos);
            EXPECT_FALSE(document.contains("equal"));
            continue;
        }
        for (const auto& [name, value] : expected.items()) {
            EXPECT_EQ(document[name], value) << name;
        }
    }
}

}  // namespace
