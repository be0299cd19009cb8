# The pictures are painted by the art tool, which runs on the build machine
# only: a cross build takes them from NIGHTWICK_ART_DIR, or paints them with
# a build of the art tool for this machine. Sets art_dir, the target `art`,
# and `pictures`, the eight picture files copied into the build folder, from
# which the programs start. Files listed in art_extra_files (painted beside
# the pictures) are awaited as well.
set(NIGHTWICK_ART_DIR "" CACHE PATH "A folder holding the eight pictures and nightwick.ico")
include(ExternalProject)
if(NIGHTWICK_ART_DIR)
  set(art_dir ${NIGHTWICK_ART_DIR})
  add_custom_target(art)
else()
  set(art_dir ${CMAKE_BINARY_DIR}/host)
  list(TRANSFORM NIGHTWICK_PICTURE_NAMES PREPEND ${art_dir}/ OUTPUT_VARIABLE art_files)
  foreach(name ${art_extra_files})
    list(APPEND art_files ${art_dir}/${name})
  endforeach()
  ExternalProject_Add(art
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${art_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target pictures
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${art_files})
endif()

set(pictures)
foreach(name ${NIGHTWICK_PICTURE_NAMES})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${art_dir}/${name} ${CMAKE_BINARY_DIR}/${name}
    DEPENDS art ${art_dir}/${name})
  list(APPEND pictures ${CMAKE_BINARY_DIR}/${name})
endforeach()
add_custom_target(pictures ALL DEPENDS ${pictures})
