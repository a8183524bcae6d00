# quorvelctl starts as a new process for every command, and the service library it loads is the
# only other C++ code in it. Linking the C++ runtime into both spares every command the loading
# and relocation of the shared one: about a millisecond here, a third of what a command that
# does nothing takes to start.
#
# A service library keeps its copy to itself (--exclude-libs), since the window program loads
# it beside the shared runtime that Qt brings; only C crosses the service interface. Sanitizer
# and fuzzing builds keep the shared runtime, which their own runtimes expect.
function(quorvel_link_cxx_runtime_statically target)
    if(NOT QUORVEL_SANITIZE STREQUAL "" OR QUORVEL_FUZZ)
        return()
    endif()
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
    endif()
endfunction()
