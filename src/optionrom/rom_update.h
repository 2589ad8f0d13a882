// Writing a new Option ROM image from a file.
#pragma once

#include "optionrom/rom_image_checks.h"
#include "optionrom/rom_sector_compare.h"
#include "platform/progress_line.h"

#include <cstdint>
#include <filesystem>

// The flash already held the image: nothing was erased or written.
inline constexpr int kRomImageUnchanged = 1;

// What an update found and did, beside the lines it prints: for a report of
// the run in another form than those lines.
struct rom_update_report {
    rom_image_ids ids;                   // the image's and the adapter's IDs as the checks compared them
    bool accepted;                       // the image passed every check; plan holds the comparison
    rom_sector_plan plan;                // which covered sectors differ from the image
    bool erased[kOptionRomSectorCount];  // the sectors the update set out to erase and program
};

// Loads the image file and writes it: 0, kRomImageUnchanged, or -1 after its
// message. progress shows while the image is programmed (null: nothing
// shows); report (when given) receives what the update found and did.
int update_rom_from_file(std::uint8_t adapter, const std::filesystem::path& path,
                         rom_id_check ids = rom_id_check::required, const progress_report* progress = &kProgressLine,
                         rom_update_report* report = nullptr);

// What the update checks before it reads the flash: size, signature, then
// what the firmware checks (check_rom_image). 0, or 12 after its line.
int check_update_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids,
                       rom_image_ids* found = nullptr);

// Checks, then compares the sectors the image needs with the flash, erases
// and programs those that differ with a progress line, and reads the whole
// image back: 0, kRomImageUnchanged (no sector differed), 12 image rejected,
// 6 erase or programming failed.
int write_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                    rom_id_check ids = rom_id_check::required, const progress_report* progress = &kProgressLine,
                    rom_update_report* report = nullptr);
