// The JSON forms of verify, configure and update through the built binary.
// Every row runs twice, on two sandboxes holding the same adapter: the text
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

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct row {
    const char* what;
    std::vector<std::string> arguments;  // after the command word and "0"; a word without "=" or "-": a file
    std::string fault = "";              // adapter 0's faults for this row
    json image_ids = nullptr;            // what an update's document must hold
};

class JsonWriteCommands : public ::testing::Test {
protected:
    void SetUp() override {
        add_realistic_adapters(text_box, 1);
        add_realistic_adapters(json_box, 1);
        const std::pair<const char*, const char*> images[] = {{"new.rom", "1abc:0b10"}, {"other.rom", "1abd:0b11"}};
        for (const auto& [name, ids] : images) {
            ASSERT_EQ(run_program(HBAEMU_PATH, {"make-rom", text_box.folder(name), "--ids", ids, "--version", "9.8.7"})
                          .status,
                      0);
        }
        ASSERT_EQ(text_box.run({"--backup", "0", text_box.folder("before.bak")}).status, 0);
    }

    // Runs the row in both forms: the document, and the text form's run in
    // text.
    json run_both(const char* command, const row& r, run_result* text) {
        std::vector<std::string> arguments = {command, "0"};
        for (const std::string& a : r.arguments) {
            arguments.push_back(a.find('=') == std::string::npos && a[0] != '-' ? text_box.folder(a) : a);
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
        EXPECT_EQ(document.value("error", ""), last_error_text(text->err));
        return document;
    }

    // The Option ROM sectors that the JSON run changed.
    json changed_sectors() const {
        const std::vector<std::uint8_t> after = json_box.read_file(kFlash);
        json sectors = json::array();
        for (std::size_t k = 0, size = 0x10000; k < 3; ++k) {
            if (!std::equal(before.begin() + k * size, before.begin() + (k + 1) * size, after.begin() + k * size)) {
                sectors.push_back(k);
            }
        }
        return sectors;
    }

    emulator_sandbox text_box;
    emulator_sandbox json_box;
    std::vector<std::uint8_t> before;
};

// The changes as the dry run prints them.
std::vector<std::string> change_lines(const json& changes) {
    std::vector<std::string> lines;
    const auto text = [](const json& v) { return v.is_null() ? std::string() : v.get<std::string>(); };
    for (const json& c : changes) {
        lines.push_back(text(c["setting"]) + ": " +
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
        const bool dry_run = r.arguments.back() == "-n";
        std::vector<std::string> dry = {"-c", "0"};
        dry.insert(dry.end(), r.arguments.begin(), r.arguments.end() - (dry_run ? 1 : 0));
        dry.push_back("-n");
        text_box.write_text("adapter00/faults", r.fault);
        const run_result dry_text = text_box.run(dry);
        run_result text;
        const json document = run_both("-c", r, &text);
        EXPECT_EQ(document["dry_run"], dry_run);
        EXPECT_EQ(document.contains("changes"), dry_text.status == 0);
        std::vector<std::string> expected = lines_of(dry_text.out);
        expected.resize(expected.empty() ? 0 : expected.size() - 1);  // without how many would change
        EXPECT_EQ(change_lines(document.value("changes", json::array())), expected);
        EXPECT_EQ(document["changed"], dry_run ? !expected.empty() : json_box.read_file(kFlash) != before);
        EXPECT_EQ(document.dump().find("Secret-"), std::string::npos);
        const bool lost = text.err.find("previous settings may be lost") != std::string::npos;
        EXPECT_EQ(document.value("previous_settings", ""), lost ? "may_be_lost" : "");
    }
}

TEST_F(JsonWriteCommands, UpdateSaysWhichSectorsItComparedAndWrote) {
    const json own = R"({"vendor_id": "1abc", "device_id": "0b10"})"_json;
    const json other = R"({"vendor_id": "1abd", "device_id": "0b11"})"_json;
    const row rows[] = {
        {"a dry run of a new image", {"new.rom", "--dry-run"}, "", own},
        {"the new image", {"new.rom"}, "", own},
        {"the same image again", {"new.rom"}, "", own},
        {"an image for another device", {"other.rom"}, "", other},
        {"the same, forced, dry run", {"other.rom", "--force", "-n"}, "", other},
        {"an adapter whose flash cannot be read", {"other.rom", "-f"}, "register-error 31\n", other},
        {"no image file", {"missing.rom"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        run_result text;
        const json document = run_both("-u", r, &text);
        const bool dry_run = r.arguments.back() == "-n" || r.arguments.back() == "--dry-run";
        EXPECT_EQ(document["dry_run"], dry_run);
        EXPECT_EQ(document.value("image_ids", json()), r.image_ids);
        EXPECT_EQ(document.value("adapter_ids", json()), r.image_ids.is_null() ? json() : own);
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
    const row rows[] = {
        {"a backup that holds the flash", {"before.bak"}},
        {"an image that differs", {"new.rom"}},
        {"an adapter whose flash cannot be read", {"before.bak"}, "register-error 31\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        run_result text;
        const json document = run_both("-V", r, &text);
        const std::vector<std::string> out = lines_of(text.out);
        const std::string line = out.empty() ? "" : out.back();
        unsigned offset = 0;
        unsigned rom = 0;
        unsigned size = 0;
        json expected = {{"file_kind", "backup"}};  // nothing compared
        if (std::sscanf(line.c_str(), "Flash differs from the image at offset 0x%x: %u of %u", &offset, &rom, &size) ==
            3) {
            expected = {{"file_kind", "image"},
                        {"equal", false},
                        {"compared_bytes", size},
                        {"first_difference", offset},
                        {"differing_bytes", {{"option_rom", rom}, {"settings", nullptr}}}};
        } else if (line == "Flash equals the backup (Option ROM and settings).") {
            expected = {{"file_kind", "backup"},
                        {"equal", true},
                        {"compared_bytes", 0x30000 + 448},
                        {"first_difference", nullptr},
                        {"differing_bytes", {{"option_rom", 0}, {"settings", 0}}}};
        }
        // A flash that differs is an answer: "error" only where nothing was compared.
        const bool compared = expected.contains("equal");
        EXPECT_EQ(document.contains("error"), !compared);
        EXPECT_EQ(document.size(), expected.size() + (compared ? 2 : 3));
        for (const auto& [name, value] : expected.items()) {
            EXPECT_EQ(document[name], value) << name;
        }
    }
}

}  // namespace
