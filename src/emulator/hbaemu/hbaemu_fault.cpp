// hbaemu fault: the faults file of an adapter, or of the root.
#include "emulator/hbaemu/hbaemu_commands.h"
#include "emulator/model/emulator_faults.h"
#include "emulator/model/emulator_root.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_text(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

int run_fault(const hbaemu_arguments& arguments) {
    if (arguments.empty() || arguments.size() > 3) {
        return usage_error(kFaultCommand, "needs N or root, then KEY [VALUE] or --clear");
    }
    const std::string root = emulator_root();
    const bool is_root = arguments[0] == "root";
    const std::string folder = is_root ? root : adapter_folder_by_index(root, arguments[0]);
    if (folder.empty()) {
        return kHbaemuFailed;
    }
    const fs::path file = fs::path(folder) / "faults";
    if (arguments.size() == 1) {
        std::fputs(read_text(file).c_str(), stdout);
        return kHbaemuOk;
    }
    if (arguments[1] == "--clear") {
        std::error_code ec;
        fs::remove(file, ec);
        return kHbaemuOk;
    }
    // Append, then read the file back as the emulator will; a line it would
    // not understand is taken out again.
    const std::string before = read_text(file);
    std::string line = arguments[1] + (arguments.size() == 3 ? " " + arguments[2] : "") + "\n";
    const std::string after = before + (before.empty() || before.back() == '\n' ? "" : "\n") + line;
    if (!write_text(file, after)) {
        std::fprintf(stderr, "hbaemu fault: cannot write %s\n", file.string().c_str());
        return kHbaemuFailed;
    }
    emulator_faults faults;
    std::string problems;
    read_emulator_faults(file.string(), is_root, &faults, &problems);
    if (!problems.empty()) {
        if (before.empty()) {
            std::error_code ec;
            fs::remove(file, ec);
        } else {
            write_text(file, before);
        }
        std::fprintf(stderr, "hbaemu fault: %s", problems.c_str());
        return kHbaemuUsage;
    }
    std::printf("%s: %s", file.string().c_str(), line.c_str());
    return kHbaemuOk;
}

}  // namespace

extern const hbaemu_command kFaultCommand = {
    "fault",
    "fault N|root [KEY [VALUE] | --clear]",
    "add, show or clear injected faults",
    "Adds the line \"KEY VALUE\" to the faults file of adapter N (or of the root\n"
    "folder), shows that file when no KEY is given, or removes it with --clear.\n"
    "A key the emulator would not accept is refused and not written.\n"
    "Faults take effect the next time a program opens the adapter.\n"
    "\n"
    "Keys of an adapter:\n"
    "  detail-size-error N, detail-error N, open-error N   enumeration and open\n"
    "                      fail with Windows error N\n"
    "  register-error N    every register request fails with N\n"
    "  config-read-error N, config-write-error N   every configuration read,\n"
    "                      or write, fails with N\n"
    "  fail-after N        after N requests in one process, every request fails\n"
    "                      with 1167 (device not connected)\n"
    "  controller-busy-reads N   the flash control register reads busy N times\n"
    "                      after each transfer starts\n"
    "  controller-stuck    the flash control register always reads busy\n"
    "  program-busy-polls N, erase-busy-polls N   the flash status shows\n"
    "                      write-in-progress for N status reads after a page\n"
    "                      program, or a sector erase\n"
    "  program-time-us N, erase-time-ms N   the same in real time\n"
    "  flash-stuck         write-in-progress never clears after a program or\n"
    "                      erase\n"
    "  vpd-busy-reads N    the VPD flag reads \"not done\" N times after an\n"
    "                      address write\n"
    "  vpd-stuck           a VPD read never completes\n"
    "Key of the root:\n"
    "  class-error N       the interface list cannot be had: enumeration fails\n"
    "                      with N\n",
    run_fault,
};
