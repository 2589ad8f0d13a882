// The boot settings record in the settings sector (flash sector 3, from
// 0x30000). The sector is erased whole before every save, so between the
// erase and the last page program the only copy of the previous record is
// the one the caller read and hands to the save: a save that fails on the
// way puts that copy back, and a save that seems to succeed is read back and
// compared, because a page program that did not take reports nothing by
// itself.
#include "settings/settings_storage.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "platform/interrupt_hold.h"
#include "settings/settings_display.h"

#include <cstdio>
#include <cstring>

namespace {

// The read-back found other bytes than those written. No flash operation
// returns -4, so this code cannot be taken for one of theirs.
constexpr int kSettingsReadBackDiffers = -4;
constexpr int kNoBuffer = -1;

std::uint8_t* record_bytes(boot_settings_record* record) {
    return reinterpret_cast<std::uint8_t*>(record);
}

const std::uint8_t* record_bytes(const boot_settings_record* record) {
    return reinterpret_cast<const std::uint8_t*>(record);
}

// Whether the settings sector now holds exactly these record bytes; the read
// code when the sector cannot be read.
int compare_with_flash(std::uint8_t adapter, const std::uint8_t* expected, bool* matches) {
    const flash_region_comparison compared =
        flash_compare_region(adapter, kSettingsOffset, kSettingsRecordSize, expected, nullptr);
    *matches = compared.outcome == flash_comparison::equal;
    return compared.read_code;
}

// One attempt to put back the record the caller read before the save,
// judged by reading it back: a restore that only looks successful is none.
// Without a previous record there is nothing to put back.
bool restore_previous_record(std::uint8_t adapter, const boot_settings_record* previous) {
    if (previous == nullptr) {
        return false;
    }
    if (flash_erase_sectors(adapter, kSettingsSector, kSettingsSector) != 0) {
        return false;
    }
    if (flash_program_region(adapter, kSettingsOffset, kSettingsRecordSize, record_bytes(previous),
                             flash_erased_pages::program, nullptr) != 0) {
        return false;
    }
    bool matches = false;
    compare_with_flash(adapter, record_bytes(previous), &matches);
    return matches;
}

// A failed save whose previous record is not known to be back: the operator
// learns how to bring it back.
void report_previous_may_be_lost(std::uint8_t adapter) {
    std::fprintf(stderr, "ERROR: The previous settings may be lost; put them back from a backup with %s.\n",
                 settings_restore_command(adapter));
}

// Tries to put the previous record back and says how it went.
previous_settings_state put_back_previous_record(std::uint8_t adapter, const boot_settings_record* previous) {
    if (restore_previous_record(adapter, previous)) {
        std::fprintf(stderr, "ERROR: Previous settings restored, new settings not saved.\n");
        return previous_settings_state::restored;
    }
    std::fprintf(stderr, "ERROR: Previous settings could not be restored!\n");
    report_previous_may_be_lost(adapter);
    return previous_settings_state::may_be_lost;
}

// An erase that failed may have erased nothing (the command never reached
// the flash), part of the sector or all of it (the flash is slow or stuck),
// so the sector is read back to know; a flash still busy reads 0xFF, so a
// record that reads back whole is whole. Nothing is written: a flash that did
// not finish its erase takes no program.
previous_settings_state report_failed_erase(std::uint8_t adapter, const boot_settings_record* previous) {
    bool matches = false;
    if (previous != nullptr && compare_with_flash(adapter, record_bytes(previous), &matches) == 0 && matches) {
        std::fprintf(stderr, "ERROR: Settings not saved, the previous settings are still in place.\n");
        return previous_settings_state::in_place;
    }
    report_previous_may_be_lost(adapter);
    return previous_settings_state::may_be_lost;
}

// After the last page: the record must read back as written. When it does
// not, the flash holds neither the new record nor the old one, so the old one
// is put back as after a failed page; one line says what happened. When the
// record cannot be read back at all, every page was nevertheless reported
// programmed: the new record is most likely in place, and writing the old one
// over it through an adapter that does not answer would only risk losing
// both, so nothing is restored and the line says only that it went unchecked:
// the previous record is then as good as lost.
int verify_saved_record(std::uint8_t adapter, const boot_settings_record& record, const boot_settings_record* previous,
                        previous_settings_state* left) {
    bool matches = false;
    const int rc = compare_with_flash(adapter, record_bytes(&record), &matches);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read back saved settings, error %d!\n", rc);
        std::fprintf(stderr,
                     "ERROR: The new settings are most likely in place but unchecked; the previous ones can be put "
                     "back from a backup with %s.\n",
                     settings_restore_command(adapter));
        *left = previous_settings_state::may_be_lost;
        return rc;
    }
    if (matches) {
        return 0;
    }
    const bool restored = restore_previous_record(adapter, previous);
    *left = restored ? previous_settings_state::restored : previous_settings_state::may_be_lost;
    const char* outcome = restored ? "previous settings restored" : "previous settings could not be restored";
    std::fprintf(stderr, "ERROR: Settings read back from the Adapter differ from those saved, %s!\n", outcome);
    if (!restored) {
        report_previous_may_be_lost(adapter);
    }
    return kSettingsReadBackDiffers;
}

// The save: erase, then the two pages, then the read-back. The header is
// fixed up only once the erase has gone through, so a refused save leaves the
// caller's record as it was.
int store_record(std::uint8_t adapter, settings_buffer* buffer, const boot_settings_record* previous, bool fix_up,
                 previous_settings_state* left) {
    *left = previous_settings_state::in_place;
    if (buffer == nullptr) {
        return kNoBuffer;
    }
    // The sector may be partly or wholly erased already when the erase
    // fails, so the operator must hear of it like of a failed page. The
    // record stays as the caller has it.
    const int erase_rc = flash_erase_sectors(adapter, kSettingsSector, kSettingsSector);
    if (erase_rc != 0) {
        std::fprintf(stderr, "ERROR: Saving settings failed, error %d\n", erase_rc);
        *left = report_failed_erase(adapter, previous);
        return erase_rc;
    }
    if (fix_up) {
        fix_up_settings_header(&buffer->record);
    }

    std::fputs("Saving settings to Adapter... please wait  ", stdout);
    std::fflush(stdout);  // the operator sees the prompt while the pages program

    const int rc =
        flash_program_region(adapter, kSettingsOffset, kSettingsWrittenSize,
                             reinterpret_cast<const std::uint8_t*>(buffer), flash_erased_pages::program, nullptr);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Saving settings failed, error %d\n", rc);
        *left = put_back_previous_record(adapter, previous);
        return rc;
    }
    return verify_saved_record(adapter, buffer->record, previous, left);
}

}  // namespace

const char* settings_restore_command(std::uint8_t adapter) {
    static char command[64];
    std::snprintf(command, sizeof command, "\"hbabootcfg --restore %d BACKUP-FILE settings --force\"", adapter);
    return command;
}

int read_settings(std::uint8_t adapter, settings_buffer* buffer, bool print) {
    if (buffer == nullptr) {
        return -1;
    }
    if (flash_read_region(adapter, kSettingsOffset, kSettingsRecordSize, record_bytes(&buffer->record), nullptr) != 0) {
        std::fputs(kSettingsUnreadableLine, stderr);
        return -1;
    }
    // The 4 bytes after the record are written by a save but never read.
    std::memset(buffer->trailer, 0, sizeof buffer->trailer);
    if (print) {
        print_settings(buffer->record);
    }
    return 0;
}

// From the erase to the last read-back, or to the previous record put back,
// the sector holds no record that can be trusted: an interrupt waits.
int save_settings(std::uint8_t adapter, settings_buffer* buffer, const boot_settings_record* previous,
                  previous_settings_state* left) {
    const interrupt_hold_scope hold;
    previous_settings_state unused = previous_settings_state::in_place;
    return store_record(adapter, buffer, previous, true, left != nullptr ? left : &unused);
}

int write_settings_record(std::uint8_t adapter, settings_buffer* buffer, const boot_settings_record* previous) {
    const interrupt_hold_scope hold;
    previous_settings_state left = previous_settings_state::in_place;
    return store_record(adapter, buffer, previous, false, &left);
}

int erase_settings(std::uint8_t adapter) {
    const interrupt_hold_scope hold;
    return flash_erase_sectors(adapter, kSettingsSector, kSettingsSector);
}
