# Shared build settings and the helpers every module and test uses.

add_library(kestrow_warnings INTERFACE)
target_compile_options(kestrow_warnings INTERFACE -Wall -Wextra -Wpedantic)
# GCC 12 reports overlaps that cannot happen inside std::string's operator+ once
# it inlines at -O3 (GCC bug 105651); the warning is worthless there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(kestrow_warnings INTERFACE -Wno-restrict)
endif()
if(KESTROW_WERROR)
  target_compile_options(kestrow_warnings INTERFACE -Werror)
endif()

# kestrow_module(<name> SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# Defines the static library kestrow_<name> (alias kestrow::<name>); headers are
# included as "<name>/header.h" from src/.
function(kestrow_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(kestrow_${name} STATIC ${ARG_SOURCES})
  add_library(kestrow::${name} ALIAS kestrow_${name})
  target_include_directories(kestrow_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(kestrow_${name} PUBLIC ${ARG_DEPS} PRIVATE kestrow_warnings ${ARG_PRIVATE_DEPS})
endfunction()

# kestrow_test(<name> SOURCES ... [DEPS ...] [LABELS ...])
# A GoogleTest executable whose cases are registered with CTest one by one.
function(kestrow_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main
                                        kestrow_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(props TIMEOUT 600)
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
endfunction()

include(KestrowVersion)

# Adds every direct subfolder of the current source folder that has a CMakeLists.txt.
function(kestrow_add_subdirectories)
  file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
