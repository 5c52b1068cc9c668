# The Win32 half, built with mingw-w64 i686: Setup.exe, the Win32 test programs and the
# sample product. Its tests run through Wine, with Xvfb as the display.
enable_testing()

if(NOT QUILLSET_TOOL OR NOT QUILLSET_EMBED_HELPER OR NOT QUILLSET_ZERO_TAIL_HELPER
   OR NOT QUILLSET_SHARE_DIR OR NOT QUILLSET_WINE_STATE)
    message(FATAL_ERROR "The Win32 build is configured by the native build; configure that one.")
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLSET_ROOT}/scripts/wine-run;${QUILLSET_WINE_STATE})
add_compile_options(-Wall -Wextra)

include(${CMAKE_CURRENT_LIST_DIR}/Win32Modules.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/WineTests.cmake)
# Every test of this build runs Win32 code.
set_property(DIRECTORY PROPERTY LABELS wine)

# One Wine session (prefix, wineserver, Xvfb display) for all tests that run Win32 code.
add_test(NAME wine_session_start
         COMMAND ${QUILLSET_ROOT}/scripts/wine-session start ${QUILLSET_WINE_STATE}
                 --desktop-keeper=$<TARGET_FILE:desktop_keeper>)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_session_stop
         COMMAND ${QUILLSET_ROOT}/scripts/wine-session stop ${QUILLSET_WINE_STATE})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# A second session whose Wine runs as an ordinary user, for the tests that root's rights would
# hide (root writes to read-only files); only those tests pay for its prefix.
set(QUILLSET_WINE_USER_STATE ${QUILLSET_WINE_STATE}-user)
add_test(NAME wine_user_session_start
         COMMAND ${QUILLSET_ROOT}/scripts/wine-session start ${QUILLSET_WINE_USER_STATE} --ordinary-user
                 --desktop-keeper=$<TARGET_FILE:desktop_keeper>)
set_tests_properties(wine_user_session_start PROPERTIES FIXTURES_SETUP wine_user)
add_test(NAME wine_user_session_stop
         COMMAND ${QUILLSET_ROOT}/scripts/wine-session stop ${QUILLSET_WINE_USER_STATE})
set_tests_properties(wine_user_session_stop PROPERTIES FIXTURES_CLEANUP wine_user)

# The shared freestanding library, and the Win32 routines that the wizard library and the
# uninstaller share (memory on the process heap, command lines for CreateProcess).
include(${QUILLSET_ROOT}/common/sources.cmake)
add_library(quillset_common_win32 STATIC ${QUILLSET_COMMON_SOURCES})
target_include_directories(quillset_common_win32 PUBLIC ${QUILLSET_ROOT})
quillset_no_runtime(quillset_common_win32)
add_library(quillset_runtime_win32 STATIC
    ${QUILLSET_ROOT}/common/win32/command_preparation.cpp
    ${QUILLSET_ROOT}/common/win32/log_file.cpp
    ${QUILLSET_ROOT}/common/win32/memory.cpp
    ${QUILLSET_ROOT}/common/win32/product_event.cpp
    ${QUILLSET_ROOT}/common/win32/product_lock_check.cpp
    ${QUILLSET_ROOT}/common/win32/registry_values.cpp
    ${QUILLSET_ROOT}/common/win32/setup_package.cpp
    ${QUILLSET_ROOT}/common/win32/temp_directory.cpp
    ${QUILLSET_ROOT}/common/win32/view_guard.cpp)
target_link_libraries(quillset_runtime_win32 PUBLIC quillset_common_win32)
quillset_no_runtime(quillset_runtime_win32)
# Compiled code asks for memset and memcpy; their own loops must not be turned back into calls.
set_source_files_properties(${QUILLSET_ROOT}/common/text.cpp ${QUILLSET_ROOT}/common/win32/memory.cpp
    PROPERTIES COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

add_subdirectory(third_party/zlib)
add_subdirectory(launcher)
add_subdirectory(wizard)
add_subdirectory(uninstaller)
add_subdirectory(examples)
add_subdirectory(tests/launcher)
add_subdirectory(tests/driver)
add_subdirectory(tests/wizard)
add_subdirectory(bench/start_time)
add_subdirectory(bench/install_floor)
