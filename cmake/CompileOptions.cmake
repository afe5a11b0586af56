# Options shared by every target: warnings on and fatal. Deliverable code is also
# built without exceptions and without RTTI; the tests are built without them
# only where they link the deliverables' objects, which needs nothing of either.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2 -Werror)

add_library(deliverable_options INTERFACE)
target_link_libraries(deliverable_options INTERFACE project_warnings)
target_compile_options(deliverable_options INTERFACE -fno-exceptions -fno-rtti)

# Sanitizers for the host's checking builds, chosen by the preset.
set(NATIVELIB_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")
if(NATIVELIB_SANITIZE)
  add_compile_options(-fsanitize=${NATIVELIB_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${NATIVELIB_SANITIZE})
endif()

# Coverage for libFuzzer in every object of the fuzzing build.
option(NATIVELIB_FUZZ "Build the fuzz targets (clang only)" OFF)
if(NATIVELIB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
