# Client code for a Wayland protocol, made by wayland-scanner at build time from the XML that a
# system package ships; protocol descriptions are never copied into this tree.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
# wayland-scanner writes C: its interface tables are not valid C++.
enable_language(C)

# Adds the client header and code of the protocol in xml to target, and the client library.
function(quorvel_wayland_protocol target xml)
    if(NOT EXISTS "${xml}")
        message(FATAL_ERROR "Wayland protocol description not found: ${xml}")
    endif()
    get_filename_component(name "${xml}" NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/wayland)
    set(out ${dir}/${name})
    add_custom_command(OUTPUT ${out}-client-protocol.h ${out}-protocol.c
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}-client-protocol.h
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}-protocol.c
        DEPENDS ${xml}
        VERBATIM)
    target_sources(${target} PRIVATE ${out}-client-protocol.h ${out}-protocol.c)
    target_include_directories(${target} PRIVATE ${dir})
    target_link_libraries(${target} PRIVATE PkgConfig::WAYLAND_CLIENT)
endfunction()
