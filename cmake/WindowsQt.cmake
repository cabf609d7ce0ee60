# Qt for the Windows cross build of the window: Qt 6.4.2 built for
# x86_64-w64-mingw32 (shared DLLs, posix threads), kept as one archive beside
# the project. The archive is checked against the checksum below and unpacked
# once into the user's cache, outside the build folder, so that a fresh build
# folder costs no second unpacking. moc, rcc and uic are Debian's own 6.4.2
# (qt6-base-dev-tools), which the archive's CMake files expect under /usr.
#
# Sets TORVANE_WINDOWS_QT (the unpacked install) and makes find_package(Qt6)
# find it.

set(TORVANE_QT_ARCHIVE "${PROJECT_SOURCE_DIR}/../shared/toolchains/qt6-mingw64-6.4.2.tar.xz"
    CACHE FILEPATH "Qt 6.4.2 for x86_64-w64-mingw32, as a .tar.xz archive")
# The archive this project was built and tested with.
set(TORVANE_QT_ARCHIVE_SHA256 385e6da3df510d3e70198153f777667d0f341cea53d4b4c67088760d8ee5c584)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    message(FATAL_ERROR
        "The window is built for 64-bit Windows only (the Qt archive holds an x86-64 build): "
        "configure this 32-bit build with -DTORVANE_BUILD_UI=OFF.")
endif()

if(NOT EXISTS "${TORVANE_QT_ARCHIVE}")
    message(FATAL_ERROR
        "The window's Windows build needs Qt for MinGW-w64, which Debian does not package.\n"
        "Expected: ${TORVANE_QT_ARCHIVE}\n"
        "Either put qt6-mingw64-6.4.2.tar.xz there (it is made by build-qt6-mingw64.sh, which "
        "travels with it), or name its place with -DTORVANE_QT_ARCHIVE=PATH (`make windows "
        "QT_ARCHIVE=PATH`), or build the tools alone with -DTORVANE_BUILD_UI=OFF.")
endif()

file(SHA256 "${TORVANE_QT_ARCHIVE}" archive_sha256)
if(NOT archive_sha256 STREQUAL TORVANE_QT_ARCHIVE_SHA256)
    message(FATAL_ERROR
        "${TORVANE_QT_ARCHIVE} is not the Qt archive this project expects:\n"
        "  its SHA-256:  ${archive_sha256}\n"
        "  expected:     ${TORVANE_QT_ARCHIVE_SHA256}\n"
        "Fetch it again, or update TORVANE_QT_ARCHIVE_SHA256 in cmake/WindowsQt.cmake after "
        "checking the new archive.")
endif()

if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(cache_root "$ENV{XDG_CACHE_HOME}/torvane")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
    set(cache_root "$ENV{HOME}/.cache/torvane")
else()
    set(cache_root "${CMAKE_BINARY_DIR}/qt-cache")
endif()
# Named after the checksum: another archive gets a folder of its own.
string(SUBSTRING "${archive_sha256}" 0 16 short_sha256)
set(TORVANE_WINDOWS_QT "${cache_root}/qt6-mingw64-6.4.2-${short_sha256}")

# The folder is complete once it exists: it is unpacked beside it under a name
# of this run's own and renamed, so neither a build stopped halfway nor a
# second build unpacking at the same moment can leave half an install there.
if(NOT EXISTS "${TORVANE_WINDOWS_QT}/lib/cmake/Qt6/Qt6Config.cmake")
    string(RANDOM LENGTH 12 unpack_tag)
    set(unpack_folder "${TORVANE_WINDOWS_QT}.unpacking-${unpack_tag}")
    message(STATUS "Unpacking ${TORVANE_QT_ARCHIVE} into ${TORVANE_WINDOWS_QT}")
    file(MAKE_DIRECTORY "${unpack_folder}")
    file(ARCHIVE_EXTRACT INPUT "${TORVANE_QT_ARCHIVE}" DESTINATION "${unpack_folder}")
    if(NOT EXISTS "${unpack_folder}/qt6-mingw64-6.4.2/lib/cmake/Qt6/Qt6Config.cmake")
        file(REMOVE_RECURSE "${unpack_folder}")
        message(FATAL_ERROR "${TORVANE_QT_ARCHIVE} holds no qt6-mingw64-6.4.2/ install")
    endif()
    file(RENAME "${unpack_folder}/qt6-mingw64-6.4.2" "${TORVANE_WINDOWS_QT}" RESULT renamed)
    file(REMOVE_RECURSE "${unpack_folder}")
    if(NOT EXISTS "${TORVANE_WINDOWS_QT}/lib/cmake/Qt6/Qt6Config.cmake")
        message(FATAL_ERROR "Could not unpack Qt into ${TORVANE_WINDOWS_QT}: ${renamed}")
    endif()
endif()

list(APPEND CMAKE_PREFIX_PATH "${TORVANE_WINDOWS_QT}")
list(APPEND CMAKE_FIND_ROOT_PATH "${TORVANE_WINDOWS_QT}")
set(QT_HOST_PATH /usr CACHE PATH "Where Debian's Qt 6.4.2 host tools live")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
    "Debian's CMake files of the Qt 6.4.2 host tools")

# Qt's own texts in Spanish (the message boxes' buttons, the file and folder
# choosers): the archive holds no translations, and a catalogue does not
# depend on the platform, so Debian's own for this Qt version
# (qt6-translations-l10n) goes beside the program, where the window looks.
set(TORVANE_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH
    "Qt 6.4.2's translation catalogues (Debian's qt6-translations-l10n)")
if(NOT EXISTS "${TORVANE_QT_TRANSLATIONS}/qtbase_es.qm")
    message(FATAL_ERROR
        "Qt's Spanish texts are not in ${TORVANE_QT_TRANSLATIONS}: install Debian's "
        "qt6-translations-l10n (scripts/setup-debian.sh), or name their folder with "
        "-DTORVANE_QT_TRANSLATIONS=PATH.")
endif()

# What a Qt program needs beside its .exe to start, by its place there: the
# Qt DLLs, the MinGW runtime DLLs they were built with (posix threads, as our
# compiler), the windows platform plugin, the native style and Qt's Spanish
# texts. The installer takes the same list.
set(TORVANE_QT_PROGRAM_FILES
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll
    platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/qtbase_es.qm)

#   torvane_copy_qt_runtime(TARGET FOLDER [OFFSCREEN])
# makes TARGET (built with ALL) copy them into FOLDER; with OFFSCREEN also the
# offscreen platform, for test programs run without a display.
function(torvane_copy_qt_runtime target folder)
    set(files ${TORVANE_QT_PROGRAM_FILES})
    if("OFFSCREEN" IN_LIST ARGN)
        list(APPEND files platforms/qoffscreen.dll)
    endif()
    set(commands)
    foreach(file ${files})
        get_filename_component(subfolder "${file}" DIRECTORY)
        if(subfolder STREQUAL "translations")
            get_filename_component(name "${file}" NAME)
            set(from "${TORVANE_QT_TRANSLATIONS}/${name}")
        elseif(subfolder)
            set(from "${TORVANE_WINDOWS_QT}/plugins/${file}")
        else()
            set(from "${TORVANE_WINDOWS_QT}/bin/${file}")
        endif()
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}/${subfolder}"
            COMMAND ${CMAKE_COMMAND} -E copy_if_different "${from}" "${folder}/${subfolder}")
    endforeach()
    add_custom_target(${target} ALL ${commands}
        COMMENT "Qt's DLLs and plugins beside the programs in ${folder}"
        VERBATIM)
endfunction()
