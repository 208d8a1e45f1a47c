# tests/client.cmake: the stand-in game client's tests, included by tests/CMakeLists.txt.
velto_add_test(NAME client_command_line SOURCES client_command_line_test.cpp
    LIBS client_command_line)
if(WIN32)
    # One test starts the built vexa.exe, so building the tests builds it too.
    add_dependencies(test_client_command_line vexa)
else()
    # That test skips itself off Windows; say so instead of counting it as passed.
    set_tests_properties(ClientProgram.RecordsItsCommandLineAndReportsTheVerdict
        PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()
