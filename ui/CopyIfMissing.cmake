# Copies SOURCE to DESTINATION unless DESTINATION exists: the user's own
# format table beside the programs is never replaced by the default.
if(NOT EXISTS "${DESTINATION}")
    configure_file("${SOURCE}" "${DESTINATION}" COPYONLY)
endif()
