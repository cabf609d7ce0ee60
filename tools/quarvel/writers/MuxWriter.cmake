# Included by tools/quarvel/CMakeLists.txt: the writer that drives the FFmpeg
# muxing module (tools/quarvel/mux). quarvel links no FFmpeg library; it only
# needs the dynamic loader, and the module built beside it.
target_sources(quarvel_tracks PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MuxWriter.cpp)
target_link_libraries(quarvel_tracks PUBLIC ${CMAKE_DL_LIBS})
add_dependencies(quarvel_tracks quarvel_mux)
