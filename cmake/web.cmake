# The browser build (emscripten): the program over the portable platform
# with the web host, as nightwick.js + nightwick.wasm, the pictures preloaded
# into its file system as nightwick.data, and our own page, index.html.
include(cmake/art.cmake)

set(web_dir ${CMAKE_SOURCE_DIR}/platform/portable/hosts/web)
add_executable(nightwick platform/portable/hosts/web.cpp platform/portable/hosts/web_main.cpp)
target_link_libraries(nightwick PRIVATE app)
add_dependencies(nightwick pictures)
# The program's loop stays a loop: the host's waits yield to the browser
# through ASYNCIFY. As on Windows, nothing lives in the lowest 64 KiB, where
# a value in place of a pointer is a number (an ordinal, a resource id), not
# an address. The pictures lie in the folder the program starts in.
set(preloads)
foreach(name ${NIGHTWICK_PICTURE_NAMES})
  list(APPEND preloads "SHELL:--preload-file ${CMAKE_BINARY_DIR}/${name}@${name}")
endforeach()
target_link_options(nightwick PRIVATE
  -sASYNCIFY -sASYNCIFY_IMPORTS=[nightwick_web_wait] -sALLOW_MEMORY_GROWTH
  -sENVIRONMENT=web -sEXIT_RUNTIME=0 -sGLOBAL_BASE=65536
  "SHELL:--js-library ${web_dir}/library_nightwick.js" ${preloads})
set_target_properties(nightwick PROPERTIES SUFFIX .js
  LINK_DEPENDS "${web_dir}/library_nightwick.js;${pictures}")

# The page, copied again whenever it changes.
configure_file(${web_dir}/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
