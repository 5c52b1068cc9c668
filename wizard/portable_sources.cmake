# The wizard library's freestanding sources: built into Wizard.dll by the cross build and,
# unchanged, into the native unit tests and the fuzzer. Paths relative to wizard/.
set(WIZARD_PORTABLE_SOURCES
    core/folder_variables.cpp
    core/format.cpp
    core/menu_folder.cpp
    core/path_routines.cpp
    core/text.cpp
    install/command_line.cpp
    install/file_tree.cpp
    install/install_progress.cpp
    install/uninstall_log.cpp
    ui/destination_checks.cpp
    ui/picker_title.cpp
    ui/ready_summary.cpp
)
