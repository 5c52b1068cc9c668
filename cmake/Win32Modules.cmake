# Build settings of the Win32 modules that carry no language runtime: own entry points,
# no exceptions or RTTI, only the system's own libraries, and unused code left out.

# Compile and link `target` without the C and C++ runtime. Code goes into a section per
# routine so that unused routines are left out; data does not: with -fdata-sections mingw
# puts zero-filled globals into .data$ sections that take room in the file instead of .bss.
# The modules travel compressed, so what counts is their deflated size: -Oz, and no
# instruction scheduling after register allocation, whose reordering leaves the code the same
# size but less repetitive (about 500 bytes less of the wizard library's stream); nor tail
# merging and sibling calls, which save bytes of code that deflate would have packed anyway
# (80 bytes more off the stream).
# Arguments are pushed rather than stored into a frame area set aside in the prologue, which
# takes 512 bytes off the launcher and the uninstaller. mingw only sets that area aside for
# its stack probes; a frame that stays well under the 4 KiB guard page needs none, so the
# probes are off and a larger frame, or one of variable size, fails the build.
# The stack is kept 4-byte aligned, all that Windows on x86 promises a callee: GCC's default
# of 16 bytes adds an adjustment around many calls, and the modules use no SSE that would need
# more (635 bytes off the wizard library's stream, 312 off the uninstaller's).
# Each module is optimized whole at its link (-flto), across its own files and the shared
# libraries: 512 bytes off the launcher, 166 off the wizard library's stream and 776 off the
# uninstaller's. A program that links a shared library compiles for that link too, since
# mingw's linker takes an inline routine compiled both ways for two definitions.
function(quillset_no_runtime target)
    target_compile_options(${target} PRIVATE
        -Oz -fno-schedule-insns2 -fno-tree-tail-merge -fno-optimize-sibling-calls
        -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
        -fno-unwind-tables -fno-stack-protector -fno-threadsafe-statics
        -ffunction-sections -fno-ident
        -mno-stack-arg-probe -mno-accumulate-outgoing-args -mpreferred-stack-boundary=2
        -Werror=frame-larger-than=3840 -Werror=vla -flto)
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE" OR kind STREQUAL "SHARED_LIBRARY")
        # No link time in the headers: the same sources give the same modules, and so the same
        # Setup.exe, whose size then does not move with the time its modules were linked.
        target_link_options(${target} PRIVATE -flto -Oz
            -nostdlib -Wl,--gc-sections -s -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp)
        target_link_libraries(${target} PRIVATE gcc)
    else()
        target_compile_options(${target} INTERFACE -flto)
        target_link_options(${target} INTERFACE -flto)
    endif()
endfunction()

# A GUI executable without runtime whose entry routine is `entry` (a C name).
function(quillset_no_runtime_executable target entry)
    quillset_no_runtime(${target})
    target_link_options(${target} PRIVATE -mwindows -Wl,-e,_${entry}
        -Wl,--disable-dynamicbase -Wl,--disable-reloc-section)
endfunction()

# Exports the WINAPI routine ShowWizard of wizard library `target` undecorated, at ordinal 1,
# and nothing else, so that any launcher can find it by name.
function(quillset_wizard_exports target)
    set(definitions ${CMAKE_CURRENT_BINARY_DIR}/${target}_exports.def)
    file(WRITE ${definitions} "EXPORTS\n    ShowWizard = ShowWizard@12 @1\n")
    target_sources(${target} PRIVATE ${definitions})
endfunction()

# Puts module `target` into the share directory as `name`, where the tool finds it, with the
# zlib stream that the tool packs for it while its bytes are unchanged (prepacked_stream.h):
# zopfli takes under a second here, once per link, and makes the wizard library's stream,
# which every installer carries, some 300 bytes smaller than libdeflate's best level.
find_program(QUILLSET_ZOPFLI zopfli REQUIRED)
function(quillset_share_module target name)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLSET_SHARE_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${QUILLSET_SHARE_DIR}/${name}
        COMMAND ${QUILLSET_ZOPFLI} --zlib --i15 ${QUILLSET_SHARE_DIR}/${name}
        VERBATIM)
endfunction()
