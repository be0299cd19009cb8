# The Windows build: the same program sources against the real SDK.
add_executable(nightwick-smoke WIN32 tools/smoke/smoke.cpp)
set_target_properties(nightwick-smoke PROPERTIES OUTPUT_NAME nightwick-smoke)
target_include_directories(nightwick-smoke PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(nightwick-smoke PRIVATE user32 gdi32 kernel32)
target_link_options(nightwick-smoke PRIVATE -static)
