# The native half: the quillset tool, the portable core and its unit tests, and the
# cross build of the Win32 modules as an external project whose tests join this CTest run.
include(ExternalProject)
include(GNUInstallDirs)
enable_testing()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
add_compile_options(-Wall -Wextra)
include(${CMAKE_CURRENT_LIST_DIR}/WineTests.cmake)

# The tool looks for what it packs in ../share/quillset beside its own bin/ folder,
# in the build tree as under an install prefix.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(QUILLSET_SHARE_DIR ${CMAKE_BINARY_DIR}/share/quillset)

find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(tomlplusplus REQUIRED)
find_package(CLI11 REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

# The shared freestanding library: formats, readers and the rules about names and paths.
include(common/sources.cmake)
add_library(quillset_common STATIC ${QUILLSET_COMMON_SOURCES})
target_include_directories(quillset_common PUBLIC ${QUILLSET_ROOT})

add_subdirectory(tools/quillset)
add_subdirectory(tests/common)
add_subdirectory(tests/package)
add_subdirectory(tests/tools/quillset)
add_subdirectory(tests/wizard/core)
add_subdirectory(tests/wizard/install)
add_subdirectory(tests/uninstaller)
add_subdirectory(bench)

# The Win32 modules and their Wine tests. The tool is built first: the Win32 build packs
# its test installers and the sample product with it, and embeds the deliberately faulty
# packages, which the tool refuses, with the resource writer's test helper; the launcher's
# link is finished by the zero-tail helper.
ExternalProject_Add(win32
    SOURCE_DIR ${QUILLSET_ROOT}
    BINARY_DIR ${CMAKE_BINARY_DIR}/win32
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${QUILLSET_ROOT}/cmake/mingw-i686.cmake
        -DCMAKE_BUILD_TYPE=MinSizeRel
        -DQUILLSET_TOOL=$<TARGET_FILE:quillset>
        -DQUILLSET_EMBED_HELPER=$<TARGET_FILE:pe_embed_file>
        -DQUILLSET_ZERO_TAIL_HELPER=$<TARGET_FILE:pe_zero_tail>
        -DQUILLSET_SHARE_DIR=${QUILLSET_SHARE_DIR}
        -DQUILLSET_WINE_STATE=${CMAKE_BINARY_DIR}/wine
        -DQUILLSET_WAIT_SCALE=${QUILLSET_WAIT_SCALE}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS quillset pe_embed_file pe_zero_tail
    USES_TERMINAL_BUILD ON)

# Let one ctest run take in the Win32 build's tests as well, where this machine can run them.
configure_file(${CMAKE_CURRENT_LIST_DIR}/win32-tests.cmake.in ${CMAKE_BINARY_DIR}/win32-tests.cmake @ONLY)
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/win32-tests.cmake)

install(TARGETS quillset RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${QUILLSET_SHARE_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillset)
include(${CMAKE_CURRENT_LIST_DIR}/Packaging.cmake)
