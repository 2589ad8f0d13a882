// Where emulated adapters live: every sub-folder of the root that holds a
// flash.bin is one adapter, enumerated in byte-wise order of folder names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// HBAEMU_DIR, or the per-user default $HOME/.hbaemu when it is unset or empty.
std::string emulator_root();

// The adapter folders' names (not paths), in enumeration order. A missing
// root yields none.
std::vector<std::string> list_adapter_folders(const std::string& root);

// 0 when the folder holds flash.bin, config.bin and vpd.bin of their exact
// sizes, otherwise 13 (invalid data).
std::uint32_t check_adapter_files(const std::string& folder);
