// The VPD of an adapter as the list command and the backup read it, through
// the emulator's model of the VPD capability: the input lies over the
// adapter's VPD from 0xC00 (the VPD image, then the high block from 0x1000)
// and what it does not cover keeps the realistic contents.
#include "device/adapter_table.h"
#include "fuzz_support.h"
#include "inventory/adapter_list.h"
#include "inventory/vpd_image.h"
#include "pci/adapter_ids.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string g_vpd_path;
std::vector<std::uint8_t> g_realistic_vpd;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_vpd_path = open_emulated_adapter() + "/vpd.bin";
    std::ifstream file(g_vpd_path, std::ios::binary);
    g_realistic_vpd.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> vpd = g_realistic_vpd;
    const std::size_t covered = std::min(size, vpd.size() - kVpdImageStart);
    std::copy(data, data + covered, vpd.begin() + kVpdImageStart);
    // The model loads the file when the adapter is opened, which the list
    // does anew each time.
    write_fuzz_file(g_vpd_path, vpd.data(), vpd.size());
    if (build_adapter_list() == 0) {
        print_adapter_list();
    }
    release_adapter_list();
    pci_ids ids{};
    read_vpd_ids(0, &ids);
    close_adapter_handles();
    return 0;
}
