# Compiler hygiene shared by every target of the project.
add_library(kestrix_options INTERFACE)
target_compile_options(kestrix_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wunused -Woverloaded-virtual -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 warns about its own std::variant/optional internals in coroutine frames.
  target_compile_options(kestrix_options INTERFACE -Wno-maybe-uninitialized)
endif()
target_compile_definitions(kestrix_options INTERFACE
  QT_NO_KEYWORDS
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_CAST_FROM_BYTEARRAY
  QT_USE_QSTRINGBUILDER
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH)
target_include_directories(kestrix_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# mold links the many test programs several times faster than the system's linker.
find_program(KESTRIX_MOLD mold)
if(KESTRIX_MOLD)
  add_link_options(-fuse-ld=mold)
endif()

if(KESTRIX_SANITIZE)
  set(KESTRIX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # clang 14 instruments coroutine resume functions with a bogus function-type check.
    list(APPEND KESTRIX_SANITIZER_FLAGS -fno-sanitize=function)
  endif()
  add_compile_options(${KESTRIX_SANITIZER_FLAGS})
  add_link_options(${KESTRIX_SANITIZER_FLAGS})
endif()
