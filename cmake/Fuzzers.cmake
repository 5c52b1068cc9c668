# libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer, compiled by clang apart
# from this build's own compiler, so that they exist whichever one that is.
find_program(CLANGXX_FOR_FUZZING NAMES clang++ clang++-16 clang++-15 clang++-14)

# quillset_add_fuzzer(NAME TARGET target TEST test SOURCES ... [HEADERS ...] [INCLUDES ...]
#                     [SEEDS folder] [ARGUMENTS ...])
# Builds fuzzer NAME and adds `test`, which runs it over a corpus of its own in the build tree
# and the seeds, which it only reads. ARGUMENTS bound it in runs and time; any finding makes
# libFuzzer exit non-zero. Without clang, neither exists.
function(quillset_add_fuzzer name)
    cmake_parse_arguments(PARSE_ARGV 1 fuzz "" "TARGET;TEST;SEEDS" "SOURCES;HEADERS;INCLUDES;ARGUMENTS")
    if(NOT CLANGXX_FOR_FUZZING)
        message(STATUS "clang++ not found: ${name} is not built")
        return()
    endif()
    set(fuzzer ${CMAKE_CURRENT_BINARY_DIR}/${name})
    list(TRANSFORM fuzz_INCLUDES PREPEND -I OUTPUT_VARIABLE include_flags)
    add_custom_command(OUTPUT ${fuzzer}
        COMMAND ${CLANGXX_FOR_FUZZING} -std=c++20 -g -O1 -fno-sanitize-recover=all
                -fsanitize=fuzzer,address,undefined ${include_flags} ${fuzz_SOURCES} -o ${fuzzer}
        DEPENDS ${fuzz_SOURCES} ${fuzz_HEADERS}
        COMMENT "Building ${name} with ${CLANGXX_FOR_FUZZING}"
        VERBATIM)
    add_custom_target(${fuzz_TARGET} ALL DEPENDS ${fuzzer})
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${fuzz_TEST}
             COMMAND ${fuzzer} ${fuzz_ARGUMENTS} -seed=1 -print_final_stats=1 ${corpus} ${fuzz_SEEDS}
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
