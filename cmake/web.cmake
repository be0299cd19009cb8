# The browser build (emscripten): the program over the portable platform
# with the web host, as nightwick.js + nightwick.wasm, the pictures preloaded
# into its file system as nightwick.data, and our own page, index.html, with
# what makes it an installable app that runs offline: a manifest, icons and a
# service worker.
set(art_extra_files nightwick.png)
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

# The page, copied again whenever it changes. The service worker's cache is
# named for the version, so a new version replaces what visitors keep.
configure_file(${web_dir}/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
configure_file(${web_dir}/manifest.webmanifest ${CMAKE_BINARY_DIR}/manifest.webmanifest COPYONLY)
configure_file(${web_dir}/sw.js ${CMAKE_BINARY_DIR}/sw.js @ONLY)

# The app's icons: the program's own 256-pixel icon, and the sizes an
# installed web app asks for made from it (GraphicsMagick, Debian's
# graphicsmagick).
find_program(NIGHTWICK_GM gm REQUIRED)
set(icons ${CMAKE_BINARY_DIR}/nightwick.png)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/nightwick.png
  COMMAND ${CMAKE_COMMAND} -E copy ${art_dir}/nightwick.png ${CMAKE_BINARY_DIR}/nightwick.png
  DEPENDS art ${art_dir}/nightwick.png)
foreach(size 192 512)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/icon-${size}.png
    COMMAND ${NIGHTWICK_GM} convert ${art_dir}/nightwick.png -filter Lanczos -resize ${size}x${size}
            +profile "*" ${CMAKE_BINARY_DIR}/icon-${size}.png
    DEPENDS art ${art_dir}/nightwick.png
    VERBATIM)
  list(APPEND icons ${CMAKE_BINARY_DIR}/icon-${size}.png)
endforeach()
add_custom_target(web-icons ALL DEPENDS ${icons})
