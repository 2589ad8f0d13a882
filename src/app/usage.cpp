#include "app/usage.h"

#include <cstdio>

namespace {

// Written verbatim: it holds no conversions.
const char kUsageText[] =
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
    "Add --dry-run (-n) to -c to show what would change without writing\n"
    "Add --json to -l, -d, -c, -u or -V for one JSON document on standard output\n"
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

}  // namespace

void print_usage() {
    std::fprintf(stderr, "\nversion=%s\n", kUtilityVersion);
    std::fputs(kUsageText, stderr);
}

void print_version() {
    std::fprintf(stderr, "version=%s\n", kUtilityVersion);
}
