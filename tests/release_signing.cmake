# tests/release_signing.cmake: the signed release (scripts/package --sign), included by
# tests/CMakeLists.txt. `prepare` makes a throwaway CA and code-signing key in the build tree and
# packs a signed release with them; the rest check that release, and `clean` removes it all, keys
# included. Host scripts run as they are; the Windows test programs run on the signed files.
set(signing_state ${PROJECT_BINARY_DIR}/release-signing)
set(signing_script ${CMAKE_CURRENT_SOURCE_DIR}/release_signing.sh)

add_test(NAME release.signing.prepare
    COMMAND ${signing_script} prepare ${signing_state} ${PROJECT_BINARY_DIR}/bin
            $<TARGET_FILE:test_launcher_scenarios>)
add_test(NAME release.signing.clean COMMAND ${signing_script} clean ${signing_state})
set_tests_properties(release.signing.prepare PROPERTIES FIXTURES_SETUP signed TIMEOUT 300)
set_tests_properties(release.signing.clean PROPERTIES FIXTURES_CLEANUP signed)

set(signing_tests)
foreach(check verify tampered unsigned reproducible layout checksum time-sources removal-check
        archive timestamp)
    add_test(NAME release.signing.${check} COMMAND ${signing_script} ${check} ${signing_state})
    list(APPEND signing_tests release.signing.${check})
endforeach()

# The project's own checks of the shipped files, run on the signed launcher.
add_test(NAME release.signing.pe COMMAND test_pe)
add_test(NAME release.signing.resources COMMAND test_resources)
set_tests_properties(release.signing.pe release.signing.resources PROPERTIES
    ENVIRONMENT "VELTO_SHIPPED_BIN_DIR=Z:${signing_state}/shipped")

# The signed launcher starts, shows every region and starts the client: the scenarios that need
# no turn in front, from the end-to-end tests' program copied where it finds the signed launcher
# as its ..\bin.
add_test(NAME release.signing.starts
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${signing_state}/run/tests/$<TARGET_FILE_NAME:test_launcher_scenarios>
            --gtest_filter=LauncherScenarios.QuickBehind)
list(APPEND signing_tests release.signing.pe release.signing.resources release.signing.starts)

# Label "slow" too: each packaging builds, and they take turns, so the chain alone is longer than
# the rest of the quick loop. `ctest -L release` runs just these; scripts/test runs them anyway.
set_tests_properties(release.signing.prepare release.signing.clean ${signing_tests} PROPERTIES
    LABELS "release;slow")
set_tests_properties(${signing_tests} PROPERTIES FIXTURES_REQUIRED signed TIMEOUT 120)
set_tests_properties(release.signing.pe release.signing.resources release.signing.starts
    PROPERTIES FIXTURES_REQUIRED "signed;wine")
# Each runs scripts/package, which configures and builds the win32 tree: one at a time.
set_tests_properties(release.signing.prepare release.signing.tampered
    release.signing.reproducible release.signing.time-sources release.signing.removal-check
    release.signing.timestamp PROPERTIES RESOURCE_LOCK release_package)
