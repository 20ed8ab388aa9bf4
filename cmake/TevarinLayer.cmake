# tevarin_layer(TARGET FOLDER SOURCES ... [DEPENDS ...])
#
# One folder of src/ is one static library and one layer. Its headers are
# included as "<folder>/<name>.h", and only a target that links the layer can
# find them: each layer publishes an include folder of its own under the build
# tree that holds nothing but a link to its source folder. An include of a
# layer the target does not depend on therefore fails to compile, and the
# DEPENDS edges are the only dependencies there are.
function(tevarin_layer target folder)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${target} STATIC ${L_SOURCES})
  string(REPLACE "/" "_" key ${folder})
  set(root ${CMAKE_BINARY_DIR}/layers/${key})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
  if(L_DEPENDS)
    target_link_libraries(${target} PUBLIC ${L_DEPENDS})
  endif()
endfunction()
