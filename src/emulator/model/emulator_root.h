// Where emulated adapters live: every sub-folder of the root that holds a
// flash.bin is one adapter, enumerated in byte-wise order of folder names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// HBAEMU_DIR, or the per-user default $HOME/.hbaemu when it is unset or empty.
std::string emulator_root();

// Why an existing root cannot be used (it is not a folder, or the folder
// cannot be read), naming it; empty when it can be used or does not exist,
// since a missing root is simply one without adapters.
std::string emulator_root_problem(const std::string& root);

// The adapter folders' names (not paths), in enumeration order. A missing
// or unusable root yields none.
std::vector<std::string> list_adapter_folders(const std::string& root);

// 0 when the folder holds flash.bin, config.bin and vpd.bin of their exact
// sizes, otherwise 13 (invalid data).
std::uint32_t check_adapter_files(const std::string& folder);
