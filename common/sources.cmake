# The shared freestanding library's sources, built by both halves: into the runtime modules
# without a runtime, and natively into the tool, the unit tests and the fuzzers.
set(QUILLSET_COMMON_SOURCES
    ${QUILLSET_ROOT}/common/command_quoting.cpp
    ${QUILLSET_ROOT}/common/folder_variables.cpp
    ${QUILLSET_ROOT}/common/format.cpp
    ${QUILLSET_ROOT}/common/path_copy.cpp
    ${QUILLSET_ROOT}/common/path_routines.cpp
    ${QUILLSET_ROOT}/common/product_locks.cpp
    ${QUILLSET_ROOT}/common/registry_keys.cpp
    ${QUILLSET_ROOT}/common/text.cpp
    ${QUILLSET_ROOT}/common/uninstall_log_builder.cpp
    ${QUILLSET_ROOT}/common/uninstall_log_carry.cpp
    ${QUILLSET_ROOT}/common/uninstall_log_reader.cpp
    ${QUILLSET_ROOT}/common/uninstall_log_walks.cpp
    ${QUILLSET_ROOT}/package/package_check.cpp
    ${QUILLSET_ROOT}/package/package_reader.cpp
)
