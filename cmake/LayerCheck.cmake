# Fails the build when a file includes a header of a module that its own
# module does not link to, directly or through others: the include graph must
# follow the link graph, so that a dependency against the layers shows at once.
#
# setup_dialog_layer_check(EXECUTABLE TARGET...) checks the given targets and
# the executable, and runs before the executable is linked.
function(setup_dialog_layer_check executable)
  set(targets ${ARGN} ${executable})
  set(map "")
  set(files "")
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface_links ${target} INTERFACE_LINK_LIBRARIES)
    set(deps "")
    foreach(link IN LISTS links interface_links)
      if(link IN_LIST targets)
        list(APPEND deps ${link})
      endif()
    endforeach()
    # Sources are named from the folder of the target's own CMakeLists.
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(absolute "")
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir}
                 NORMALIZE OUTPUT_VARIABLE path)
      list(APPEND absolute ${path})
    endforeach()
    list(APPEND files ${absolute})
    list(JOIN absolute "," absolute)
    list(JOIN deps "," deps)
    string(APPEND map "${target}|${absolute}|${deps}\n")
  endforeach()
  set(map_file ${CMAKE_CURRENT_BINARY_DIR}/layer_map.txt)
  file(WRITE ${map_file} "${map}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layer_check.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMAP=${map_file} -DROOT=${CMAKE_CURRENT_SOURCE_DIR}/src
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${map_file} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayers.cmake
    COMMENT "Checking that includes follow the module links"
    VERBATIM)
  add_custom_target(layer_check DEPENDS ${stamp})
  add_dependencies(${executable} layer_check)
endfunction()
