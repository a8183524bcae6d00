# Precompiled headers for the test executables with many files: GoogleTest and the standard
# headers every test file includes are parsed once per executable instead of once per file.
#
# Qt's headers are left out: they define "slots", "signals" and "emit" as macros, and a header
# of the lower layers included after them (model/key_table.h has a member named slots) would no
# longer compile.
#
# A compiler cache does not keep the files compiled against a precompiled header (unless told
# to be sloppy about it), and it saves more than the header does, so a build through one goes
# without. A precompiled header is seen by every file of its target, so a file that forgets to
# include one of these headers still compiles; a build without them checks that every file
# includes what it uses.
if(CMAKE_CXX_COMPILER_LAUNCHER)
    set(quorvel_pch_default OFF)
else()
    set(quorvel_pch_default ON)
endif()
option(QUORVEL_PRECOMPILE_HEADERS "Precompile the GoogleTest and standard headers of the tests"
    ${quorvel_pch_default})

if(QUORVEL_PRECOMPILE_HEADERS)
    # Not hidraw_tests: GCC inlines its string building differently against the precompiled
    # header and warns (-Warray-bounds) where it does not without.
    foreach(target base_tests model_tests device_tests emulator_tests cli_tests
            hidserv_hidapi_tests fault_tests app_tests editors_tests skin_tests desktop_tests)
        if(TARGET ${target})
            target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <algorithm> <array>
                <filesystem> <functional> <memory> <optional> <string> <string_view> <thread>
                <vector>)
        endif()
    endforeach()
endif()
