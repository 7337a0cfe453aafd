# stapelix_platform: the Win32 subset on SDL2 (windows, events, GL contexts,
# display modes, message boxes), FreeType with fontconfig (glyph bitmaps) and
# the clock, plus main calling WinMain. Included by platform/CMakeLists.txt on
# hosts without Win32.
#
# main is an ordinary member of the archive: a program that defines its own
# main (or links GTest::gtest_main before this library) never pulls it in.
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(SDL2 REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)

add_library(stapelix_platform STATIC
  display_mode.cpp
  font.cpp
  font_bitmaps.cpp
  gl_context.cpp
  host.cpp
  key_map.cpp
  main.cpp
  message_box.cpp
  message_queue.cpp
  path_fopen.cpp
  window.cpp
  window_class.cpp)

target_link_libraries(stapelix_platform
  PUBLIC stapelix_clock OpenGL::GL OpenGL::GLU
  PRIVATE SDL2::SDL2 Freetype::Freetype Fontconfig::Fontconfig)

# The game names files with backslashes; every fopen of a program that links
# this library goes through __wrap_fopen, which turns them into slashes.
target_link_options(stapelix_platform INTERFACE "LINKER:--wrap=fopen")
