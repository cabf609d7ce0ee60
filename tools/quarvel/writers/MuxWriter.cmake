# Included by tools/quarvel/CMakeLists.txt: the writer that drives the FFmpeg
# muxing module (tools/quarvel/mux). quarvel links no FFmpeg library; it only
# needs the dynamic loader, the module built beside it, and core's program
# folder (the one place that asks the system where the running program is;
# core is window-free and depends on nothing of the tools).
target_sources(quarvel_tracks PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MuxWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MuxLoader_${TORVANE_PLATFORM}.cpp)
target_link_libraries(quarvel_tracks PUBLIC ${CMAKE_DL_LIBS} PRIVATE torvane_core)
# Where no FFmpeg is at hand for the target (the Windows cross build), there
# is no module to build: quarvel then says so for the tracks that need one.
if(TARGET quarvel_mux)
    add_dependencies(quarvel_tracks quarvel_mux)
endif()
