# The settings display in process; storage against emulated adapters in
# process (with a fault-injecting transport where the emulator has no such
# fault); the display and erase commands through the built binary.
add_executable(settings_display_storage_tests
  ${CMAKE_CURRENT_LIST_DIR}/settings_display_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_storage_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_commands_test.cpp
)
target_link_libraries(settings_display_storage_tests PRIVATE hba_settings hba_test_support GTest::gtest_main)
add_dependencies(settings_display_storage_tests hbabootcfg)
gtest_discover_tests(settings_display_storage_tests DISCOVERY_TIMEOUT 60)
