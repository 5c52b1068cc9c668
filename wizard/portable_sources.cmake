# The wizard library's freestanding sources: built into Wizard.dll by the cross build and,
# unchanged, into the native unit tests and the fuzzer. Paths relative to wizard/.
set(WIZARD_PORTABLE_SOURCES
    core/folder_values.cpp
    core/menu_folder.cpp
    install/file_tree.cpp
    install/install_progress.cpp
    ui/destination_checks.cpp
    ui/picker_title.cpp
    ui/ready_summary.cpp
)
