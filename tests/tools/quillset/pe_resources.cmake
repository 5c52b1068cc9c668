# Tests of the PE resource writer: fixture stubs linked with the mingw cross tools at build
# time, unit tests on them, and checks of the results with readpe, wrestool, osslsigncode, Wine.
find_program(QUILLSET_MINGW_GCC i686-w64-mingw32-gcc REQUIRED)
find_program(QUILLSET_MINGW_WINDRES i686-w64-mingw32-windres REQUIRED)

set(PE_FIXTURE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/fixtures)
set(PE_FIXTURE_DIR ${CMAKE_CURRENT_BINARY_DIR}/pe_fixtures)

add_custom_command(OUTPUT ${PE_FIXTURE_DIR}/stub_resources.o
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PE_FIXTURE_DIR}
    COMMAND ${QUILLSET_MINGW_WINDRES} -I ${PE_FIXTURE_SOURCE} -i ${PE_FIXTURE_SOURCE}/stub.rc
            -o ${PE_FIXTURE_DIR}/stub_resources.o
    DEPENDS ${PE_FIXTURE_SOURCE}/stub.rc ${PE_FIXTURE_SOURCE}/stub.ico
            ${PE_FIXTURE_SOURCE}/stub.manifest
    VERBATIM)

# Each fixture is the resource probe, stripped (a stub may not carry symbols after its sections).
function(add_pe_fixture name)
    cmake_parse_arguments(PARSE_ARGV 1 FIXTURE "" "" "OBJECTS;LINK_OPTIONS")
    add_custom_command(OUTPUT ${PE_FIXTURE_DIR}/${name}.exe
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PE_FIXTURE_DIR}
        COMMAND ${QUILLSET_MINGW_GCC} -Os -s -Wl,--no-insert-timestamp ${FIXTURE_LINK_OPTIONS}
                -o ${PE_FIXTURE_DIR}/${name}.exe ${PE_FIXTURE_SOURCE}/resource_probe.c
                ${FIXTURE_OBJECTS}
        DEPENDS ${PE_FIXTURE_SOURCE}/resource_probe.c ${FIXTURE_OBJECTS}
        VERBATIM)
endfunction()
# .rsrc is the last section, as in the launcher stub.
add_pe_fixture(rsrc_last OBJECTS ${PE_FIXTURE_DIR}/stub_resources.o
    LINK_OPTIONS -Wl,--disable-reloc-section)
# .reloc follows .rsrc.
add_pe_fixture(rsrc_inner OBJECTS ${PE_FIXTURE_DIR}/stub_resources.o)
# No resources at all.
add_pe_fixture(no_rsrc)
# A launcher stub as the tool takes one: a GUI program with the launcher's resources.
add_pe_fixture(gui_stub OBJECTS ${PE_FIXTURE_DIR}/stub_resources.o
    LINK_OPTIONS -mwindows -Wl,--disable-reloc-section)

# 6,000 zero bytes end its .data, which other sections with raw data follow.
add_pe_fixture(zero_tail OBJECTS ${PE_FIXTURE_DIR}/stub_resources.o ${PE_FIXTURE_SOURCE}/zero_tail_data.c
    LINK_OPTIONS -Wl,--disable-reloc-section)

# Wizard libraries: `name`.dll exports `export` and nothing else.
function(add_wizard_fixture name export)
    add_custom_command(OUTPUT ${PE_FIXTURE_DIR}/${name}.dll
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PE_FIXTURE_DIR}
        COMMAND ${QUILLSET_MINGW_GCC} -Os -s -shared -nostdlib -DWIZARD_EXPORT=${export}
                -Wl,--kill-at -Wl,-e,_DllEntry@12 -Wl,--no-insert-timestamp
                -o ${PE_FIXTURE_DIR}/${name}.dll ${PE_FIXTURE_SOURCE}/wizard_probe.c
        DEPENDS ${PE_FIXTURE_SOURCE}/wizard_probe.c
        VERBATIM)
endfunction()
add_wizard_fixture(wizard ShowWizard)
add_wizard_fixture(other_export ShowSomething)

add_custom_target(pe_fixtures ALL DEPENDS
    ${PE_FIXTURE_DIR}/rsrc_last.exe ${PE_FIXTURE_DIR}/rsrc_inner.exe ${PE_FIXTURE_DIR}/no_rsrc.exe
    ${PE_FIXTURE_DIR}/gui_stub.exe ${PE_FIXTURE_DIR}/zero_tail.exe ${PE_FIXTURE_DIR}/wizard.dll ${PE_FIXTURE_DIR}/other_export.dll)

add_executable(pe_resources_test pe_resources_test.cpp)
target_link_libraries(pe_resources_test PRIVATE quillset_core GTest::gtest_main)
target_compile_definitions(pe_resources_test PRIVATE PE_FIXTURE_DIR="${PE_FIXTURE_DIR}")
add_dependencies(pe_resources_test pe_fixtures)
gtest_discover_tests(pe_resources_test DISCOVERY_MODE PRE_TEST)

# Writes STUB with PACKAGE embedded to OUTPUT, for the checks with other tools.
add_executable(pe_embed_file pe_embed_file.cpp)
target_link_libraries(pe_embed_file PRIVATE quillset_core)

add_test(NAME pe_resources_tools
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/pe_resources_tools.sh
            $<TARGET_FILE:pe_embed_file> ${PE_FIXTURE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/pe_tools_work)
add_test(NAME pe_resources_wine
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/pe_resources_wine.sh
            $<TARGET_FILE:pe_embed_file> ${PE_FIXTURE_DIR} ${QUILLSET_ROOT}/scripts
            ${CMAKE_CURRENT_BINARY_DIR}/pe_wine)
set_tests_properties(pe_resources_wine PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
quillset_set_wine_timeout(600 pe_resources_wine)
