# The include levels of src/, enforced by the build.
#
# Every folder of src/ (a subsystem, its win32/ side, the framework and its portable part, base)
# is one library made by kf_add_level. The libraries a level links are the levels it may use:
# the edges are written once, in target_link_libraries. kf_check_levels then gives every level a
# build step that reads the #include lines of the folder's files and fails the build on any
# include of a src/ folder that is not the level itself or one it links (directly or through
# another level), so a back edge or a cycle stops the build with the file and the include named.

# kf_add_level(TARGET FOLDER [SOURCES...]): a static library of the folder's .cpp files (or the
# sources given), with its folder recorded for the check.
function(kf_add_level target folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE ${KF_WARNINGS})
  set_target_properties(${target} PROPERTIES KF_FOLDER ${folder})
  set_property(GLOBAL APPEND PROPERTY KF_LEVELS ${target})
endfunction()

# The folders a level may include: its own and those of every level it links, transitively.
function(_kf_allowed_folders target out)
  set(seen)
  set(queue ${target})
  set(folders)
  while(queue)
    list(POP_FRONT queue current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(folder ${current} KF_FOLDER)
    if(folder)
      list(APPEND folders ${folder})
    endif()
    get_target_property(links ${current} LINK_LIBRARIES)
    if(links)
      list(APPEND queue ${links})
    endif()
    get_target_property(interface_links ${current} INTERFACE_LINK_LIBRARIES)
    if(interface_links)
      list(APPEND queue ${interface_links})
    endif()
  endwhile()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# Call once, after every level and its links are declared.
function(kf_check_levels)
  get_property(levels GLOBAL PROPERTY KF_LEVELS)
  foreach(target ${levels})
    get_target_property(folder ${target} KF_FOLDER)
    _kf_allowed_folders(${target} allowed)
    file(GLOB files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
    set(config ${CMAKE_BINARY_DIR}/levels/${target}.cmake)
    file(WRITE ${config}.in "set(KF_LEVEL \"${folder}\")\nset(KF_ALLOWED \"${allowed}\")\nset(KF_FILES \"${files}\")\n")
    configure_file(${config}.in ${config} COPYONLY)
    set(stamp ${CMAKE_BINARY_DIR}/levels/${target}.ok)
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -DKF_CONFIG=${config} -DKF_SRC=${CMAKE_SOURCE_DIR}/src -DKF_STAMP=${stamp}
              -P ${CMAKE_SOURCE_DIR}/cmake/check_levels.cmake
      DEPENDS ${files} ${config} ${CMAKE_SOURCE_DIR}/cmake/check_levels.cmake
      COMMENT "Checking the include level of src/${folder}"
      VERBATIM)
    add_custom_target(${target}_levels DEPENDS ${stamp})
    add_dependencies(${target} ${target}_levels)
  endforeach()
endfunction()
