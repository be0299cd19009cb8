# The Windows build: the same program sources against the real SDK, as
# nightwick.exe on the system's DirectDraw (which switches the display mode),
# and as nightwick-scaled.exe and the screensaver Nightwick.scr on the
# built-in display (our own DirectDraw in the program's window, scaled to
# the monitor), with resources.
enable_language(RC)

# The graphics layer and the program, once per display. GCC for 64-bit
# Windows does not align the stack for 32-byte vectors, so a spilled AVX
# register could fault there: its build keeps to SSE2. The program is
# objects, not an archive: WinMain is wanted only by the C runtime's
# start-up code, which the linker reads after the program's archives.
function(nightwick_program_libraries suffix)
  add_library(gfx${suffix} STATIC ${GFX_SOURCES})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_definitions(gfx${suffix} PRIVATE NIGHTWICK_NO_WIDE_VECTORS)
  endif()
  target_include_directories(gfx${suffix} PUBLIC ${CMAKE_SOURCE_DIR})
  add_library(app${suffix} OBJECT ${APP_SOURCES})
  target_link_libraries(app${suffix} PUBLIC gfx${suffix})
endfunction()
nightwick_program_libraries("")
target_link_libraries(gfx PUBLIC user32 gdi32 kernel32 dxguid)
# The classic program's calls to the system pass through its seams first:
# its header comes before every source, so the program is left as it is.
# WINMM is not imported: the seams reach it in the system folder.
add_library(platform_classic STATIC platform/windows/classic_seam.cpp platform/windows/system_modules.cpp
  platform/portable/control/timer_resolution.cpp)
target_include_directories(platform_classic PUBLIC ${CMAKE_SOURCE_DIR})
string(JOIN "," picture_list ${NIGHTWICK_PICTURE_NAMES})
target_compile_definitions(platform_classic PRIVATE "NIGHTWICK_PICTURE_NAMES=\"${picture_list}\"")
target_link_libraries(platform_classic PUBLIC gfx user32 kernel32)
foreach(classic gfx app)
  target_compile_options(${classic} PRIVATE -include ${CMAKE_SOURCE_DIR}/platform/windows/classic_seams.h)
endforeach()
target_link_libraries(app PUBLIC platform_classic)
add_subdirectory(platform/portable)
target_sources(platform_win32 PRIVATE ${CMAKE_SOURCE_DIR}/platform/windows/system_modules.cpp)
nightwick_program_libraries(_builtin)
target_link_libraries(gfx_builtin PUBLIC platform_builtin_display)

# The pictures and the icon, painted on the build machine.
set(art_extra_files nightwick.ico)
include(cmake/art.cmake)

set(NIGHTWICK_ICON ${art_dir}/nightwick.ico)
set(NIGHTWICK_MANIFEST ${CMAKE_SOURCE_DIR}/platform/windows/nightwick.manifest)
# The programs on the built-in display carry the pictures, used when the
# folder has none.
set(NIGHTWICK_PICTURE_RESOURCES "")
foreach(picture ${NIGHTWICK_PICTURE_NAMES})
  string(TOUPPER ${picture} resource)
  string(APPEND NIGHTWICK_PICTURE_RESOURCES "${resource} RCDATA \"${art_dir}/${picture}\"\n")
endforeach()
# The 64-bit files are released as nightwick64.exe and the like: their
# version resources say so, and which they are, in Task Manager and the
# file's properties.
function(nightwick_windows_program target file description app)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "(\\.[a-z]+)$" "64\\1" file ${file})
    string(APPEND description " (64-bit)")
  endif()
  set(NIGHTWICK_FILE ${file})
  set(NIGHTWICK_DESCRIPTION ${description})
  set(NIGHTWICK_PICTURES "")
  set(picture_files "")
  if(app STREQUAL "app_builtin")
    set(NIGHTWICK_PICTURES "${NIGHTWICK_PICTURE_RESOURCES}")
    set(picture_files ${pictures})
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/platform/windows/nightwick.rc.in ${CMAKE_BINARY_DIR}/${target}.rc @ONLY)
  set_source_files_properties(${CMAKE_BINARY_DIR}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${NIGHTWICK_ICON};${NIGHTWICK_MANIFEST};${picture_files}")
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/${target}.rc)
  add_dependencies(${target} art)
  target_link_libraries(${target} PRIVATE ${app})
  target_link_options(${target} PRIVATE -static $<$<CONFIG:Release>:-s>)
endfunction()

add_executable(nightwick WIN32)
nightwick_windows_program(nightwick nightwick.exe "Nightwick" app)

add_executable(nightwick-scaled WIN32)
nightwick_windows_program(nightwick-scaled nightwick-scaled.exe "Nightwick, scaled to the monitor" app_builtin)

# WinMain is the program's; the screensaver unit only watches its messages.
add_executable(nightwick-screensaver WIN32 platform/windows/screensaver.cpp platform/windows/screensaver_arguments.cpp)
set_target_properties(nightwick-screensaver PROPERTIES OUTPUT_NAME Nightwick SUFFIX .scr)
nightwick_windows_program(nightwick-screensaver Nightwick.scr "Nightwick screensaver" app_builtin)

# What the Wine test uses as the control panel's preview window, and to ask
# Windows about the program's window from outside.
foreach(tool preview_window window_tool)
  string(REPLACE "_" "-" target ${tool})
  add_executable(${target} tests/windows/${tool}.cpp)
  target_link_libraries(${target} PRIVATE user32 gdi32)
  target_link_options(${target} PRIVATE -static)
endforeach()
# A library that notes when it is loaded, left beside the screensaver under
# the names of system modules.
add_library(marker-dll SHARED tests/windows/marker_dll.cpp)
set_target_properties(marker-dll PROPERTIES PREFIX "" OUTPUT_NAME marker)
target_link_options(marker-dll PRIVATE -static)

add_executable(nightwick-smoke WIN32 tools/smoke/smoke.cpp)
target_include_directories(nightwick-smoke PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(nightwick-smoke PRIVATE user32 gdi32 kernel32)
target_link_options(nightwick-smoke PRIVATE -static)

# The release for Windows users: both programs, the screensaver, the
# pictures and a short README, in one zip. The 64-bit program comes from a
# second build of the same sources with the other toolchain.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  ExternalProject_Add(nightwick64
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/x86_64
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DNIGHTWICK_ART_DIR=${art_dir}
               -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target nightwick nightwick-scaled nightwick-screensaver preview-window
                  window-tool marker-dll
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    EXCLUDE_FROM_ALL ON
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/x86_64/nightwick.exe ${CMAKE_BINARY_DIR}/x86_64/nightwick-scaled.exe
                     ${CMAKE_BINARY_DIR}/x86_64/Nightwick.scr ${CMAKE_BINARY_DIR}/x86_64/preview-window.exe
                     ${CMAKE_BINARY_DIR}/x86_64/window-tool.exe ${CMAKE_BINARY_DIR}/x86_64/marker.dll)
  add_dependencies(nightwick64 art)
  set(release ${CMAKE_BINARY_DIR}/release)
  # The README with the line ends every Notepad reads.
  configure_file(${CMAKE_SOURCE_DIR}/platform/windows/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  set(release_files nightwick.exe nightwick64.exe nightwick-scaled.exe nightwick-scaled64.exe Nightwick.scr
                    Nightwick64.scr ${NIGHTWICK_PICTURE_NAMES} README.txt)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/nightwick-windows.zip
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${release}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nightwick> ${release}/nightwick.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/x86_64/nightwick.exe ${release}/nightwick64.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nightwick-scaled> ${release}/nightwick-scaled.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/x86_64/nightwick-scaled.exe ${release}/nightwick-scaled64.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nightwick-screensaver> ${release}/Nightwick.scr
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/x86_64/Nightwick.scr ${release}/Nightwick64.scr
    COMMAND ${CMAKE_COMMAND} -E copy ${pictures} ${release}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/README.txt ${release}/README.txt
    COMMAND ${CMAKE_COMMAND} -E chdir ${release}
            ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/nightwick-windows.zip --format=zip ${release_files}
    DEPENDS nightwick nightwick-scaled nightwick-screensaver nightwick64 ${pictures} ${CMAKE_BINARY_DIR}/README.txt
    COMMENT "Packing nightwick-windows.zip")
  add_custom_target(windows-zip DEPENDS ${CMAKE_BINARY_DIR}/nightwick-windows.zip)
endif()
