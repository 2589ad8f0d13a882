// The list's JSON form through the built binary: each document read back
// with a real JSON parser and held against the text list of the same
// adapters, for adapters whose VPD, Option ROM or flash let the list down.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/json_document.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

// The lines of text that start with one of the prefixes, the ERROR
// lines' texts without their mark.
std::vector<std::string> lines_starting(const std::string& text, const std::vector<std::string>& prefixes, bool strip) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        for (const std::string& prefix : prefixes) {
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(strip ? line.substr(prefix.size()) : line);
            }
        }
    }
    return lines;
}

// The two lines the text list prints for an adapter of the document.
std::vector<std::string> text_lines_of(const json& adapter) {
    const auto id = [](const json& v) { return v.is_null() ? std::string("0000") : v.get<std::string>(); };
    const json& version = adapter["option_rom"]["version"];
    return {"Device: " + id(adapter["vendor_id"]) + ":" + id(adapter["device_id"]),
            "Version: " + (version.is_null() ? std::string("0.0.0") : version.get<std::string>())};
}

TEST(ListJson, EveryAdapterHoldsWhatTheTextListShowsAndWhatItGathers) {
    struct row {
        const char* name;
        adapter_contents adapter;
        const char* expected;  // the members the adapter's object must hold
    };
    std::vector<row> rows;
    rows.push_back({"healthy", healthy_adapter(0x1234, 0x5678),
                    R"({"vendor_id": "1234", "device_id": "5678", "description": "Dual Port HBA",
                        "part_number": "HBA-2P-ISCSI-10G", "engineering_change": "EC-A12",
                        "sl": "SN26A004711", "network_address": "0a:1b:2c:3d:4e:5f",
                        "option_rom": {"present": true, "version": "2.7.15", "header": "$DM$"},
                        "settings_record": "valid", "errors": []})"});
    rows.push_back({"without VPD capability", healthy_adapter(0x1234, 0x5678),
                    R"({"vendor_id": null, "description": null, "sl": null, "network_address": null,
                        "settings_record": "valid", "errors": ["Capability 03 not found."]})"});
    rows.back().adapter.config.assign(256, 0);
    rows.push_back({"without Option ROM", healthy_adapter(0x2345, 0x6789),
                    R"({"vendor_id": "2345", "option_rom": {"present": false, "version": null, "header": null},
                        "settings_record": null, "errors": []})"});
    rows.back().adapter.flash = erased_flash();
    rows.push_back(
        {"Option ROM without $DM$ header", healthy_adapter(0x2345, 0x6789),
         R"({"option_rom": {"present": true, "version": null, "header": "$PXE"}, "settings_record": null})"});
    rows.back().adapter.set_option_rom(-1);
    rows.push_back({"settings sector erased", healthy_adapter(0x2345, 0x6789), R"({"settings_record": "absent"})"});
    const std::uint8_t erased[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    rows.back().adapter.set_settings(erased);
    rows.push_back({"flash unreadable", healthy_adapter(0x4321, 0x8765),
                    R"({"vendor_id": "4321", "option_rom": {"present": null, "version": null, "header": null},
                        "settings_record": null})"});
    rows.back().adapter.faults = "register-error 31\n";
    rows.push_back({"VPD texts with any byte", healthy_adapter(0x4321, 0x8765),
                    R"({"description": "Caf\u00e9 \"x\\\u0001", "network_address": null})"});
    rows.back().adapter.set_vpd("Caf\xe9 \"x\\\x01", "0a1b2c3d4eZZ", 0x4321, 0x8765);
    rows.push_back({"not opened", healthy_adapter(0x4321, 0x8765),
                    R"({"vendor_id": null, "option_rom": {"present": null, "version": null, "header": null}})"});
    rows.back().adapter.faults = "open-error 5\n";

    emulator_sandbox box;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].adapter.write_to(box, "a" + std::to_string(i));
    }
    const run_result text = box.run({"--list"});
    const run_result r = box.run({"--list", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.status, text.status);
    // The error lines as the text list prints them; its open's line, which
    // the text list leaves on standard output, comes first.
    EXPECT_EQ(r.err, "CreateFile failed: 0x5\n" + text.err);
    const json document = parse_document(r);
    const json& adapters = document["adapters"];
    ASSERT_EQ(adapters.size(), rows.size()) << r.out;
    std::vector<std::string> pairs;
    std::vector<std::string> errors;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const json& adapter = adapters[i];
        EXPECT_EQ(adapter["index"], i);
        const json expected = json::parse(rows[i].expected);
        for (const auto& [name, value] : expected.items()) {
            EXPECT_EQ(adapter[name], value) << name;
        }
        for (const std::string& line : text_lines_of(adapter)) {
            pairs.push_back(line);
        }
        for (const json& error : adapter["errors"]) {
            errors.push_back(error.get<std::string>());
        }
    }
    EXPECT_EQ(pairs, lines_starting(text.out, {"Device: ", "Version: "}, false));
    // The same lines, each with its adapter; the text list says why an
    // adapter could not be opened while it enumerates, before every record.
    std::vector<std::string> text_errors = lines_starting(text.err, {"ERROR: "}, true);
    std::sort(errors.begin(), errors.end());
    std::sort(text_errors.begin(), text_errors.end());
    EXPECT_EQ(errors, text_errors);
}

TEST(ListJson, NoAdapterIsAnEmptyListAndNoInterfaceListIsAnError) {
    emulator_sandbox none;
    const run_result empty = none.run({"-l", "--json"});
    EXPECT_EQ(parse_document(empty)["adapters"], json::array());
    EXPECT_EQ(empty.err, "");
    EXPECT_EQ(empty.status, 0);

    emulator_sandbox no_list;
    no_list.write_text("faults", "class-error 5\n");
    const run_result failed = no_list.run({"--list", "--json"});
    const json document = parse_document(failed);
    EXPECT_EQ(document["error"], "SetupDiGetClassDevs failed: 5");
    EXPECT_FALSE(document.contains("adapters"));
    EXPECT_EQ(failed.err, no_list.run({"--list"}).err);
    EXPECT_EQ(failed.status, 255);
}

}  // namespace
