# Option ROM detection: the $DM$ search and read_dm_header in process against
# an emulated adapter; the display and erase commands through the binary.
add_executable(optionrom_detection_tests
  ${CMAKE_CURRENT_LIST_DIR}/dm_header_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/option_rom_commands_test.cpp
)
target_link_libraries(optionrom_detection_tests PRIVATE hba_optionrom hba_test_support GTest::gtest_main)
add_dependencies(optionrom_detection_tests hbabootcfg)
gtest_discover_tests(optionrom_detection_tests DISCOVERY_TIMEOUT 60)
