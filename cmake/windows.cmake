# The Windows build: the same program sources against the real SDK.
add_library(gfx STATIC ${GFX_SOURCES})
target_include_directories(gfx PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(gfx PUBLIC user32 gdi32 kernel32 winmm dxguid)

add_executable(nightwick WIN32 ${APP_SOURCES})
target_link_libraries(nightwick PRIVATE gfx)
target_link_options(nightwick PRIVATE -static)

add_executable(nightwick-smoke WIN32 tools/smoke/smoke.cpp)
target_include_directories(nightwick-smoke PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(nightwick-smoke PRIVATE user32 gdi32 kernel32)
target_link_options(nightwick-smoke PRIVATE -static)
