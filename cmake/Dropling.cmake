# Project-wide build helpers: warnings and sanitizers for our own code only.

find_package(PkgConfig REQUIRED)

# Flags every target of ours gets. Third-party headers come in as SYSTEM
# includes, so -Werror never trips over them.
add_library(dropling_options INTERFACE)
if(DROPLING_FUZZ)
  # The fuzz build is clang's and exists to find crashes: warnings stay on
  # but do not stop it (the gcc builds hold the line on them). Everything of
  # ours is instrumented for coverage and runs under the sanitizers.
  target_compile_options(dropling_options INTERFACE -Wall -Wextra)
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
            -fno-sanitize-recover=undefined)
  target_compile_options(dropling_options INTERFACE ${_fuzz})
  target_link_options(dropling_options INTERFACE -fsanitize=address,undefined)
else()
  target_compile_options(dropling_options INTERFACE -Wall -Wextra -Werror)
endif()
if(DROPLING_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(dropling_options INTERFACE ${_san})
  target_link_options(dropling_options INTERFACE ${_san})
  target_compile_definitions(dropling_options INTERFACE DROPLING_SANITIZE=1)
endif()

# dropling_library(<name> <sources...>): one subsystem library.
function(dropling_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC dropling_options)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# dropling_executable(<name> <sources...>)
function(dropling_executable name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE dropling_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
