# The setting assignments, the IPv4 parser and the export in-process, and the configure
# command through the built binary on emulated adapters.
add_executable(settings_assignment_tests
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_parser_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assignment_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assignment_values_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assignment_addresses_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_export_test.cpp
)
target_link_libraries(settings_assignment_tests PRIVATE hba_settings GTest::gtest_main)
gtest_discover_tests(settings_assignment_tests DISCOVERY_TIMEOUT 60)

add_executable(configure_command_tests
  ${CMAKE_CURRENT_LIST_DIR}/configure_command_test.cpp
)
target_link_libraries(configure_command_tests PRIVATE hba_test_support GTest::gtest_main)
add_dependencies(configure_command_tests hbabootcfg)
gtest_discover_tests(configure_command_tests DISCOVERY_TIMEOUT 60)

# The export, settings files and the round trip between two adapters,
# through the built binary.
add_executable(settings_text_tests
  ${CMAKE_CURRENT_LIST_DIR}/settings_text_test.cpp
)
target_link_libraries(settings_text_tests PRIVATE hba_settings hba_test_support GTest::gtest_main)
add_dependencies(settings_text_tests hbabootcfg)
gtest_discover_tests(settings_text_tests DISCOVERY_TIMEOUT 60)
