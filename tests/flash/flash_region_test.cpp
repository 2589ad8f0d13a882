// Reading, programming and comparing whole regions against the recording
// driver: how a region is cut into reads and pages, what a failure part way
// leaves behind, the all-0xFF pages a program may skip, and the progress
// each operation tells.
#include "support/adapter_bench.h"

#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// Register requests of one page program of n bytes when nothing is busy:
// write enable and command (4 each), a transfer per 4 bytes (4 each), and
// one status read (8).
std::size_t page_program_requests(std::uint32_t bytes) {
    return 4 + 4 + 4 * ((bytes + 3) / 4) + 8;
}

// Register requests of one read of n words: command, dummy byte, data words.
std::size_t read_requests(std::uint32_t words) {
    return 4 + 4 + 4 * static_cast<std::size_t>(words);
}

// Every report, as (done, total).
struct progress_log {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> reports;
    flash_progress progress() { return {record, this}; }
    static void record(void* context, std::uint32_t done, std::uint32_t total) {
        static_cast<progress_log*>(context)->reports.emplace_back(done, total);
    }
};

using report_list = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// The fast-read commands sent, as the addresses they read from.
std::vector<std::uint32_t> fast_read_addresses(const std::vector<flash_command>& commands) {
    std::vector<std::uint32_t> addresses;
    for (const flash_command& c : commands) {
        if (c.opcode() == flash_wire::kFastRead && c.sent.size() >= 4) {
            addresses.push_back(c.address());
        }
    }
    return addresses;
}

using flash_region_test = adapter_bench_test;

TEST_F(flash_region_test, ReadCutsTheRegionIntoRunsAndStopsAtAFailedOne) {
    struct read_case {
        const char* name;
        std::uint32_t address;
        std::uint32_t size;
        std::uint64_t failing_request;  // 0: none; else the first request that fails (1 the first)
        int runs_stored;                // runs whose bytes reach the buffer
        std::vector<std::uint32_t> reads;
        report_list reports;
    };
    const std::vector<read_case> cases = {
        {"settings record", kSettingsOffset, 444, 0, 1, {kSettingsOffset}, {{444, 444}}},
        // The last word is read whole; the two bytes past the region are not stored.
        {"two runs, short last word", 0x1000, 4096 + 6, 0, 2, {0x1000, 0x2000}, {{4096, 4102}, {4102, 4102}}},
        // The command goes out, then every request fails from the dummy byte on.
        {"second run fails at its dummy byte", 0, 8192 + 8, read_requests(1024) + 5, 1, {0, 0x1000}, {{4096, 8200}}},
        {"first run fails at its last word", 0, 4096, read_requests(1024), 0, {0}, {}},
    };
    for (const read_case& c : cases) {
        hw() = bench_setup{};
        for (std::size_t i = 0; i < kFlashBytes; ++i) {
            hw().flash[i] = static_cast<std::uint8_t>(i * 5 + (i >> 12));
        }
        if (c.failing_request != 0) {
            hw().fail_error = kErrorDeviceNotConnected;
            hw().fail_after = c.failing_request - 1;
        }
        bench.clear_log();
        // A guard byte either side; the region lands at an odd address.
        std::vector<std::uint8_t> buffer(c.size + 2, 0xEE);
        progress_log log;
        const flash_progress progress = log.progress();
        const auto [result, err] =
            run([&] { return flash_read_region(0, c.address, c.size, buffer.data() + 1, &progress); });

        EXPECT_EQ(result == kFlashOk, c.failing_request == 0) << c.name;
        EXPECT_EQ(err.empty(), c.failing_request == 0) << c.name;
        EXPECT_EQ(fast_read_addresses(bench.commands()), c.reads) << c.name;
        EXPECT_EQ(log.reports, c.reports) << c.name;
        const std::size_t stored = std::min<std::size_t>(c.size, 4096u * static_cast<std::size_t>(c.runs_stored));
        EXPECT_EQ(std::memcmp(buffer.data() + 1, hw().flash.data() + c.address, stored), 0) << c.name;
        for (std::size_t i = stored; i < c.size; ++i) {
            ASSERT_EQ(buffer[1 + i], 0xEE) << c.name << " byte " << i;
        }
        EXPECT_EQ(buffer.front(), 0xEE) << c.name;
        EXPECT_EQ(buffer.back(), 0xEE) << c.name;
    }
}

TEST_F(flash_region_test, ProgramWritesPageByPageSkipsErasedPagesOnRequestAndStopsAtAFailedOne) {
    constexpr std::uint32_t kBase = 0x20000;
    struct program_case {
        const char* name;
        std::uint32_t size;
        std::vector<int> erased_pages;  // pages of the data that are all 0xFF
        flash_erased_pages policy;
        int failing_page;  // -1: none; else the page whose write enable fails
        std::vector<std::uint32_t> programmed;
        report_list reports;
    };
    const std::vector<program_case> cases = {
        {"settings save", 448, {}, flash_erased_pages::program, -1, {0, 256}, {{256, 448}, {448, 448}}},
        {"erased page programmed all the same",
         768,
         {1},
         flash_erased_pages::program,
         -1,
         {0, 256, 512},
         {{256, 768}, {512, 768}, {768, 768}}},
        {"erased pages skipped", 1024, {0, 2}, flash_erased_pages::skip, -1, {256, 768}, {{512, 1024}, {1024, 1024}}},
        {"erased short last piece skipped", 300, {1}, flash_erased_pages::skip, -1, {0}, {{256, 300}}},
        {"third page fails", 1024, {}, flash_erased_pages::program, 2, {0, 256}, {{256, 1024}, {512, 1024}}},
        {"first page fails", 448, {}, flash_erased_pages::program, 0, {}, {}},
    };
    for (const program_case& c : cases) {
        hw() = bench_setup{};
        std::vector<std::uint8_t> data = pattern(c.size, 0x21);
        for (const int page : c.erased_pages) {
            const std::size_t start = static_cast<std::size_t>(page) * 256;
            std::fill(data.begin() + static_cast<long>(start),
                      data.begin() + static_cast<long>(std::min<std::size_t>(start + 256, c.size)), 0xFF);
        }
        // Pages before the failing one each cost their full traffic.
        std::size_t before_failure = 0;
        for (const std::uint32_t offset : c.programmed) {
            before_failure += page_program_requests(std::min<std::uint32_t>(256, c.size - offset));
        }
        if (c.failing_page >= 0) {
            hw().fail_error = kErrorDeviceNotConnected;
            hw().fail_after = before_failure;
        }
        bench.clear_log();
        progress_log log;
        const flash_progress progress = log.progress();
        const auto [result, err] =
            run([&] { return flash_program_region(0, kBase, c.size, data.data(), c.policy, &progress); });

        EXPECT_EQ(result == kFlashOk, c.failing_page < 0) << c.name;
        EXPECT_EQ(err.empty(), c.failing_page < 0) << c.name;
        EXPECT_EQ(bench.programs(), static_cast<int>(c.programmed.size())) << c.name;
        EXPECT_EQ(log.reports, c.reports) << c.name;
        // Nothing is sent after the failed request.
        EXPECT_EQ(bench.requests.size(), before_failure + (c.failing_page >= 0 ? 1 : 0)) << c.name;
        for (const std::uint32_t offset : c.programmed) {
            const std::uint32_t length = std::min<std::uint32_t>(256, c.size - offset);
            EXPECT_EQ(std::memcmp(bench.flash().data() + kBase + offset, data.data() + offset, length), 0)
                << c.name << " page at " << offset;
        }
    }
}

TEST_F(flash_region_test, ProgramFromAnAddressOffAPageSendsNothing) {
    const std::vector<std::uint8_t> data = pattern(16, 1);
    const auto [result, err] = run([&] {
        return flash_program_region(0, kSettingsOffset + 4, 16, data.data(), flash_erased_pages::program, nullptr);
    });
    EXPECT_EQ(result, kFlashBadArgument);
    EXPECT_EQ(err, "ERROR: flash region to program does not start on a page: 0x30004\n");
    EXPECT_TRUE(bench.requests.empty());
}

TEST_F(flash_region_test, CompareFindsTheFirstDifferenceReadsNoFurtherAndReportsAFailedRead) {
    struct compare_case {
        const char* name;
        std::uint32_t size;
        std::vector<std::uint32_t> changed;  // offsets where the expected bytes differ from flash
        std::uint64_t failing_request;       // 0: none
        flash_comparison outcome;
        std::uint32_t first_difference;
        std::vector<std::uint32_t> reads;
    };
    const std::vector<compare_case> cases = {
        {"equal", 8192 + 3, {}, 0, flash_comparison::equal, 0, {0, 0x1000, 0x2000}},
        {"last byte", 8192 + 3, {8192 + 2}, 0, flash_comparison::differs, 8192 + 2, {0, 0x1000, 0x2000}},
        {"first run, later ones unread", 8192, {17, 5000}, 0, flash_comparison::differs, 17, {0}},
        {"byte past the region is not compared", 5, {}, 0, flash_comparison::equal, 0, {0}},
        {"second run unreadable", 8192, {}, read_requests(1024) + 5, flash_comparison::unreadable, 0, {0, 0x1000}},
    };
    for (const compare_case& c : cases) {
        hw() = bench_setup{};
        const std::vector<std::uint8_t> contents = pattern(0x3000, 0x40);
        std::copy(contents.begin(), contents.end(), hw().flash.begin());
        std::vector<std::uint8_t> expected(contents.begin(), contents.begin() + c.size);
        for (const std::uint32_t offset : c.changed) {
            expected[offset] ^= 0x01;
        }
        // The flash byte just past a short region differs from anything compared.
        hw().flash[c.size] ^= 0x80;
        if (c.failing_request != 0) {
            hw().fail_error = kErrorDeviceNotConnected;
            hw().fail_after = c.failing_request - 1;
        }
        bench.clear_log();
        flash_region_comparison compared{};
        const std::string err = run([&] {
                                    compared = flash_compare_region(0, 0, c.size, expected.data(), nullptr);
                                    return 0;
                                }).second;
        EXPECT_EQ(err.empty(), c.outcome != flash_comparison::unreadable) << c.name;
        EXPECT_EQ(compared.outcome, c.outcome) << c.name;
        EXPECT_EQ(compared.first_difference, c.first_difference) << c.name;
        EXPECT_EQ(compared.read_code != kFlashOk, c.outcome == flash_comparison::unreadable) << c.name;
        EXPECT_EQ(fast_read_addresses(bench.commands()), c.reads) << c.name;
    }
}

}  // namespace
