# The libFuzzer targets of tests/fuzz, built only with -DHBA_FUZZ=ON and
# clang (scripts/fuzz.sh). Everything is then compiled with the fuzzer's
# coverage instrumentation and AddressSanitizer and UndefinedBehaviorSanitizer,
# so that the parsers the targets drive are explored and checked alike; only
# the fuzz targets link libFuzzer's main.
option(HBA_FUZZ "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(HBA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "HBA_FUZZ needs clang (CXX=clang++): libFuzzer is part of clang")
  endif()
  if(WIN32)
    message(FATAL_ERROR "HBA_FUZZ builds the targets with the emulator, on the build machine")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_subdirectory(tests/fuzz)
endif()
