# What the tests that run under Wine share in both builds: their label, `wine`, and their time
# limits, lengthened QUILLSET_WAIT_SCALE times where Wine runs slower (in an emulated machine).
set(QUILLSET_WAIT_SCALE 1 CACHE STRING "How many times longer the tests under Wine may take (1 to 100)")
if(NOT QUILLSET_WAIT_SCALE MATCHES "^([1-9][0-9]?|100)$")
    message(FATAL_ERROR "QUILLSET_WAIT_SCALE is not a whole number from 1 to 100: ${QUILLSET_WAIT_SCALE}")
endif()

# Gives the tests named after SECONDS that limit, as it stands on a machine of full speed.
function(quillset_set_wine_timeout seconds)
    math(EXPR limit "${seconds} * ${QUILLSET_WAIT_SCALE}")
    set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${limit})
endfunction()
