# ts_expose_headers(TARGET FOLDER HEADER...): gives TARGET those headers of the add-on (paths
# relative to src/) and no others. Each is linked into a folder of the build tree of its own, which
# becomes TARGET's include path, so that TARGET spells them as the add-on does
# ("platform/fw_types.h") while every other header of src/ stays out of its reach.
function(ts_expose_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  foreach(header ${ARGN})
    get_filename_component(dir ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  target_include_directories(${target} INTERFACE ${root})
endfunction()
