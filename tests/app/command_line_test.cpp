// The command front end through the built binary: usage, version, the
// adapter index rules and the argument paths that end before any flash work.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kUsageText =
    "\n"
    "Help / Usage:\n"
    "\n"
    "This program allows you to configure the iSCSI Boot Option ROM.\n"
    "\tThe current configuration can be displayed and edited.\n"
    "\tNew versions of the Option ROM can be flashed to the Adapter.\n"
    "\t\n"
    "Command syntax:\n"
    "\t\t<command> [hba] [setting=value ..]\n"
    "\t\n"
    "Commands:\n"
    "\t-b | --backup <hba> <file>\t\t\tBackup Option ROM and settings\n"
    "\t-c | --configure <hba> <setting>=<value>\tConfigure setting\n"
    "\t-d | --display <hba>\t\t\t\tDisplay configuration\n"
    "\t-e | --erase <hba> <rom|settings> <-f|--force>\tErase Option ROM of the HBA\n"
    "\t-x | --export <hba>\t\t\t\tPrint the settings as setting=value lines\n"
    "\t-l | --list\t\t\t\t\tList the Adapters found \n"
    "\t-r | --restore <hba> <file> <rom|settings|all> <-f|--force>\tRestore a backup\n"
    "\t-u | --update <hba> <Option ROM file path>\tUpdate Option ROM of the HBA\n"
    "\t-V | --verify <hba> <file>\t\t\tCompare the flash with an image or a backup\n"
    "\t-v | --version\t\t\t\t\tUtility version\n"
    "\t\n"
    "Multiple settings can be specified for the -c option with space delimiters\n"
    "Settings can also be read from a file: -c <hba> @<file>, one setting=value a line\n"
    "\t\n"
    "Configuration Settings available:\n"
    "\t\n"
    "**Global settings**\n"
    "\tbootenabled=yes|no\n"
    "\toskorvaneini=yes|no\n"
    "\t\n"
    "**Network Settings**\n"
    "\tpreferredport=any|0|1\tChoose the Ethernet port to use\n"
    "\tnetworktype=dhcp|static\tChoose DHCP or Static IP address\n"
    "\tstaticip=A.B.C.D\t\tStatic IPv4 address\n"
    "\tstaticmask=X.X.Y.Z\t\tStatic Netmask\n"
    "\tstaticgw=A.B.C.D\t\tStatic Gateway IP address\n"
    "\tvlanid=VLAN ID\t\tNumber between 1-4094, 0 to clear tag\n"
    "\t\n"
    "**iSCSI Initiator Settings**\n"
    "\tinitiatorname=Initiator-IQN-name\tIQN format Initiator name\n"
    "\theaderdigest=on|off\t\tCRC32C checksum of iSCSI Header\n"
    "\tdatadigest=on|off\t\tCRC32C checksum of Data\n"
    "\tchaptype=none|oneway|mutual\tone-way=Initiator, mutual=Initiator + Target\n"
    "\tinitiatoruser=CHAP-username\tInitiator's CHAP username\n"
    "\tinitiatorpass=CHAP-password\tInitiator secret, 12-16 characters\n"
    "\t\n"
    "**Boot Target Settings**\n"
    "\ttargetname=Target-IQN-name\tIQN format Target name\n"
    "\tportalgroup=Tag-number\t\tPortal Group Tag number to boot from > 0\n"
    "\ttargetportal=<Tag-number>@<IP-address>[:TCP-port]\te.g.:1@192.168.1.1\n"
    "\tdeleteportal=<Tag-number>\tPortal Group to clear\n"
    "\ttargetlun=LUN-number\t\tInteger number >=0\n"
    "\ttargetuser=CHAP-username\tTarget's CHAP username\n"
    "\ttargetpass=CHAP-password\tTarget secret, 12-16 characters\n"
    "\ttargetfromdhcp=on|off\t\tRequires DHCP configuration if enabled\n"
    "\ttargetdiscoveryip=A.B.C.D\tIPv4 IP address of Target\n"
    "\ttargetdiscoveryport=TCP-Port\tTCP port of Target, usually 3260\n"
    "\t\n"
    "Items in < > brackets are mandatory, in [ ] brackets are optional.\n"
    "\tNot specifying the value will cause the setting to be cleared.\n";

const std::string kUsageOutput = "\nversion=1.1\n" + kUsageText;
const std::string kOneAdapterError =
    "ERROR: Invalid Adapter number! Only allowed value is 0, since only one Adapter is installed.\n";

void expect_result(const run_result& r, const std::string& out, const std::string& err, int status) {
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.status, status);
}

TEST(UsageAndVersion, NoArgumentsPrintsUsage) {
    emulator_sandbox box;
    expect_result(box.run({}), "", kUsageOutput, 0);
}

TEST(UsageAndVersion, UnknownWordWithoutIndexPrintsUsageAndFails) {
    emulator_sandbox box;
    expect_result(box.run({"--bogus"}), "", kUsageOutput, 255);
    expect_result(box.run({"--display"}), "", kUsageOutput, 255);
}

TEST(UsageAndVersion, VersionWordsPrintVersionOnly) {
    emulator_sandbox box;
    expect_result(box.run({"--version"}), "", "version=1.1\n", 0);
    expect_result(box.run({"-v"}), "", "version=1.1\n", 0);
    expect_result(box.run({"-vx"}), "", "version=1.1\n", 0);
    expect_result(box.run({"--version", "extra", "words"}), "", "version=1.1\n", 0);
}

TEST(UsageAndVersion, TwoCharacterIndexIsNotTheAdapterForm) {
    emulator_sandbox box;
    box.add_blank_adapters(3);
    expect_result(box.run({"--display", "12"}), "", kUsageOutput, 255);
    expect_result(box.run({"-d", ""}), "", kUsageOutput, 255);
}

TEST(UsageAndVersion, ListWithoutAdaptersPrintsNothing) {
    emulator_sandbox box;
    expect_result(box.run({"--list"}), "", "", 0);
    expect_result(box.run({"-l"}), "", "", 0);
}

TEST(AdapterIndex, NoAdapterIsAnErrorForEveryCommand) {
    emulator_sandbox box;
    for (const char* word : {"-d", "--display", "-c", "-u", "-e", "--list", "-v", "whatever"}) {
        expect_result(box.run({word, "0"}), "", "ERROR: no Adapter found!\n", 255);
        expect_result(box.run({word, "x"}), "", "ERROR: no Adapter found!\n", 255);
    }
    expect_result(box.run({"--erase", "0", "rom", "--force"}), "", "ERROR: no Adapter found!\n", 255);
}

TEST(AdapterIndex, IndexAtOrBeyondTheCountIsRefused) {
    emulator_sandbox box;
    box.add_blank_adapters(1);
    expect_result(box.run({"--display", "1"}), "", kOneAdapterError, 255);
    expect_result(box.run({"bogus", "5"}), "", kOneAdapterError, 255);

    box.add_blank_adapters(3);
    expect_result(box.run({"-d", "5"}), "",
                  "ERROR: Invalid Adapter number! Only allowed values are 0 to 2, since only 3 Adapters are "
                  "installed.\n",
                  255);
    expect_result(box.run({"-d", "3"}), "",
                  "ERROR: Invalid Adapter number! Only allowed values are 0 to 2, since only 3 Adapters are "
                  "installed.\n",
                  255);
}

TEST(AdapterIndex, TwentyAdaptersStillOnlyNameZeroToNine) {
    emulator_sandbox box;
    box.add_blank_adapters(20);
    expect_result(box.run({"-v", "9"}), "", "", 0);
}

TEST(AdapterIndex, NonDigitIndexIsRefusedInsteadOfSelectingAdapterZero) {
    emulator_sandbox box;
    box.add_blank_adapters(3);
    const std::string refusal =
        "ERROR: Invalid Adapter number! Only allowed values are 0 to 2, since only 3 Adapters are installed.\n";
    expect_result(box.run({"--erase", "x", "rom", "-f"}), "", refusal, 255);
    expect_result(box.run({"-d", "-"}), "", refusal, 255);
    // Nothing was erased on adapter 0.
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), erased_flash());
}

TEST(AdapterIndex, VersionAndListWordsWithAnIndexDoNothing) {
    emulator_sandbox box;
    box.add_blank_adapters(2);
    expect_result(box.run({"--version", "1"}), "", "", 0);
    expect_result(box.run({"--list", "0"}), "", "", 0);
    expect_result(box.run({"unknown", "0"}), "", kUsageOutput, 255);
}

TEST(EraseArguments, MissingTargetOrForceIsRefused) {
    emulator_sandbox box;
    box.add_blank_adapters(1);
    expect_result(box.run({"--erase", "0"}), "",
                  "ERROR: please specify if you want to erase Option ROM (rom) or Configuration settings "
                  "(settings)!\n",
                  255);
    const std::string no_force = "ERROR: not proceeding without --force option!\n";
    expect_result(box.run({"-e", "0", "rom"}), "", no_force, 255);
    expect_result(box.run({"-e", "0", "rom", "-force"}), "", no_force, 255);
    expect_result(box.run({"-e", "0", "rom", "--forced"}), "", no_force, 255);
    expect_result(box.run({"-e", "0", "settings", "-F"}), "", no_force, 255);
}

TEST(EraseArguments, UnknownTargetErasesNothingAndFails) {
    emulator_sandbox box;
    box.add_blank_adapters(1);
    const bytes flash(kFlashBytes, 0x00);
    box.write_file("adapter00/flash.bin", flash);
    const std::string which =
        "ERROR: please specify if you want to erase Option ROM (rom) or Configuration settings (settings)!\n";
    expect_result(box.run({"-e", "0", "everything", "--force"}), "", which, 255);
    expect_result(box.run({"-e", "0", "ROM", "-f"}), "", which, 255);
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), flash);
}

TEST(UpdateArguments, MissingPathFails) {
    emulator_sandbox box;
    box.add_blank_adapters(1);
    expect_result(box.run({"--update", "0"}), "", "ERROR: please specify the file path to flash to the Adapter!\n",
                  255);
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
    // A word that only resembles a command is no command: nothing happens,
    // and the run says so.
    for (const char* word : {"display", "---display", "-D", "--Display"}) {
        expect_result(box.run({word, "1"}), "", kUsageOutput, 255);
    }
}

TEST(CommandWords, ConfigureWordNeverFallsThroughToUpdateOrErase) {
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    const std::vector<std::uint8_t> before = box.read_file("adapter00/flash.bin");
    expect_result(box.run({"--configure", "0"}), "", kUsageOutput, 255);
    expect_result(box.run({"-c", "0"}), "", kUsageOutput, 255);
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), before);
}

TEST(ConfigureArguments, ConfigureWithoutSettingsDoesNothingAndFails) {
    emulator_sandbox box;
    box.add_blank_adapters(1);
    expect_result(box.run({"--configure", "0"}, true), "", kUsageOutput, 255);
    // Not even a read reached the adapter.
    EXPECT_EQ(box.read_text("trace.log"), "");
}

// Every run that did nothing, or could not do what was asked, ends -1; an
// answer that is true ends 0. Each row: the adapters, the command line, what
// standard error must hold (the whole of it, or a line in it) and the status.
TEST(ExitStatus, NothingDoneIsNeverReportedAsSuccess) {
    enum class adapters { none, realistic, erased, version_1_0, flash_unreadable, settings_unreadable, no_list };
    struct row {
        const char* name;
        adapters setup;
        std::vector<std::string> arguments;
        std::string err;  // exact, or with a leading '~' a part of it
        int status;
    };
    const std::string which_erase =
        "ERROR: please specify if you want to erase Option ROM (rom) or Configuration settings (settings)!\n";
    const std::string no_adapter = "ERROR: no Adapter found!\n";
    const std::vector<row> rows = {
        {"typo of settings", adapters::realistic, {"--erase", "0", "setting", "--force"}, which_erase, 255},
        {"upper-case rom", adapters::realistic, {"--erase", "0", "ROM", "--force"}, which_erase, 255},
        {"update without a file",
         adapters::realistic,
         {"--update", "0"},
         "ERROR: please specify the file path to flash to the Adapter!\n",
         255},
        {"misspelt display", adapters::realistic, {"--dispaly", "0"}, kUsageOutput, 255},
        {"misspelt update", adapters::realistic, {"--updat", "0", "new.rom"}, kUsageOutput, 255},
        {"unknown word", adapters::realistic, {"--bogus", "0"}, kUsageOutput, 255},
        {"configure without a setting", adapters::realistic, {"--configure", "0"}, kUsageOutput, 255},
        {"misspelt list", adapters::realistic, {"--lsit"}, kUsageOutput, 255},
        {"two-digit index", adapters::realistic, {"--display", "10"}, kUsageOutput, 255},
        {"negative index", adapters::realistic, {"--display", "-1"}, kUsageOutput, 255},
        {"unknown option", adapters::realistic, {"-z"}, kUsageOutput, 255},
        {"no argument", adapters::realistic, {}, kUsageOutput, 0},
        {"--help", adapters::realistic, {"--help"}, kUsageOutput, 0},
        {"-h", adapters::realistic, {"-h"}, kUsageOutput, 0},
        {"-?", adapters::realistic, {"-?"}, kUsageOutput, 0},
        {"/?", adapters::realistic, {"/?"}, kUsageOutput, 0},
        {"display, no adapter", adapters::none, {"--display", "0"}, no_adapter, 255},
        {"erase, no adapter", adapters::none, {"--erase", "0", "rom", "--force"}, no_adapter, 255},
        {"restore, no adapter", adapters::none, {"--restore", "0", "f.bak", "all", "--force"}, no_adapter, 255},
        {"list, no adapter", adapters::none, {"--list"}, "", 0},
        {"--help, no adapter", adapters::none, {"--help"}, kUsageOutput, 0},
        {"--help with an index", adapters::realistic, {"--help", "0"}, kUsageOutput, 0},
        {"verify without a file",
         adapters::realistic,
         {"--verify", "0"},
         "ERROR: please specify the image or backup file to compare the Adapter with!\n",
         255},
        {"display, flash unreadable",
         adapters::flash_unreadable,
         {"--display", "0"},
         "~ERROR: Could not read data at start of Option ROM!\n",
         255},
        {"display, settings unreadable",
         adapters::settings_unreadable,
         {"--display", "0"},
         "~ERROR: Could not read settings data!\n",
         255},
        {"display, no Option ROM", adapters::erased, {"--display", "0"}, "", 0},
        {"display, version 1.0 record", adapters::version_1_0, {"--display", "0"}, "", 0},
        {"display, all read", adapters::realistic, {"--display", "0"}, "", 0},
        {"list, interface list unavailable", adapters::no_list, {"--list"}, "SetupDiGetClassDevs failed: 5\n", 255},
        {"display, interface list unavailable",
         adapters::no_list,
         {"--display", "0"},
         "SetupDiGetClassDevs failed: 5\n" + no_adapter,
         255},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        if (c.setup != adapters::none && c.setup != adapters::no_list) {
            add_realistic_adapters(box, 1);
        }
        if (c.setup == adapters::erased) {
            box.write_file("adapter00/flash.bin", erased_flash());
        }
        if (c.setup == adapters::version_1_0) {
            std::vector<std::uint8_t> flash = box.read_file("adapter00/flash.bin");
            flash[0x30009] = 0x01;  // high byte of the record's version
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
        const run_result r = box.run(c.arguments);
        if (c.err.rfind('~', 0) == 0) {
            EXPECT_NE(r.err.find(c.err.substr(1)), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(r.status, c.status);
    }
}

}  // namespace
