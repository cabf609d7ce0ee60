# Run by cpack once the package's files are staged, before the package is
# made: the Depends field of the Debian package, as dpkg-shlibdeps reads it
# from the programs and the muxing module, after any dependency the
# configuration names itself.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

set(binaries)
foreach(binary IN LISTS CPACK_TORVANE_BINARIES)
    list(APPEND binaries "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${binary}")
endforeach()
# dpkg-shlibdeps runs where a debian/control file is, as in a source package.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/debian")
file(TOUCH "${work}/debian/control")
execute_process(
    COMMAND dpkg-shlibdeps -O ${binaries}
    WORKING_DIRECTORY "${work}"
    OUTPUT_VARIABLE found
    ERROR_VARIABLE messages
    RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT found MATCHES "^shlibs:Depends=([^\n]+)")
    message(FATAL_ERROR "dpkg-shlibdeps found no dependencies (${status}):\n${messages}")
endif()
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${CMAKE_MATCH_1}")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
