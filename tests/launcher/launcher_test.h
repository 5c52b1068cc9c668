// What the launcher tests' programs agree on: the environment variables through which the
// watcher talks to the test wizard library, the checks that wizard reports, and Check().
#pragma once

#include <stdio.h>
#include <string>

// Set by the watcher for the launcher it starts; the launcher passes its environment on.
#define RESULT_FILE_VARIABLE "QUILLSET_TEST_RESULT"        // where the wizard writes its report
#define EXPECTED_DIRECTORY_VARIABLE "QUILLSET_TEST_DIR"    // where its temporary file must lie
#define LOCK_PROBE_VARIABLE "QUILLSET_TEST_PROBE"          // the helper that tries to change it
#define PLANTED_LIBRARY_NAME "qsplant.dll"                 // planted beside Setup.exe and in
                                                           // its current directory

// The first line of the test package's information text.
#define INFO_TEXT_START "Quillset launcher test text"

// Every check the test wizard reports, one line each: "ok NAME" or "FAIL NAME: detail".
static const char* const WIZARD_CHECKS[] = {
    "launcher_module",
    "package_pointer",
    "library_location",
    "library_content",
    "decompress_exact",
    "decompress_larger_destination",
    "decompress_trailing_bytes",
    "decompress_empty_source",
    "decompress_short_destination",
    "decompress_truncated_source",
    "decompress_bad_checksum",
    "decompress_two_threads",
    "dll_search",
    "library_locked",
};
static const char WIZARD_REPORT_END[] = "end";

// Exit code bits of the lock probe: which attempt on the locked library succeeded.
enum {
    PROBE_OPENED_FOR_WRITING = 1,
    PROBE_OPENED_FOR_DELETING = 2,
    PROBE_RENAMED = 4,
    PROBE_DELETED = 8,
    PROBE_USAGE = 64,
};

// The test programs' checks: each prints "ok" or "FAIL" and its description; a program fails
// when any check did.
inline int failures = 0;

inline void Check(bool passed, const std::string& what)
{
    printf("%s %s\n", passed ? "ok  " : "FAIL", what.c_str());
    if (!passed) {
        ++failures;
    }
}
