# The update command: through the built binary on emulated adapters, and
# write_rom_image in-process behind a driver that spoils chosen transfers.
add_executable(optionrom_update_tests
  ${CMAKE_CURRENT_LIST_DIR}/update_command_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_faulty_driver_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_real_rom_test.cpp
)
target_include_directories(optionrom_update_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(optionrom_update_tests PRIVATE hba_optionrom hba_test_support GTest::gtest_main)
add_dependencies(optionrom_update_tests hbabootcfg)
gtest_discover_tests(optionrom_update_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
