# The fixed version record (the VS_FIXEDFILEINFO layout) that every program of
# the project carries, filled from the project version. The reader in
# src/platform finds it by its ELF section name.

set(KESTROW_VERSION_SECTION ".kestrow_version")

function(_kestrow_version_word out high low)
  if(NOT high)
    set(high 0)
  endif()
  if(NOT low)
    set(low 0)
  endif()
  math(EXPR word "(${high} << 16) | ${low}" OUTPUT_FORMAT HEXADECIMAL)
  set(${out} ${word} PARENT_SCOPE)
endfunction()

# kestrow_add_version_record(<target>): adds the record to an executable.
function(kestrow_add_version_record target)
  _kestrow_version_word(ms "${PROJECT_VERSION_MAJOR}" "${PROJECT_VERSION_MINOR}")
  _kestrow_version_word(ls "${PROJECT_VERSION_PATCH}" "${PROJECT_VERSION_TWEAK}")
  set(file ${CMAKE_BINARY_DIR}/generated/kestrow_version_record.cpp)
  # Rewritten only when the content changes, so builds stay incremental.
  file(CONFIGURE OUTPUT ${file} CONTENT [[
// Generated from the project version @PROJECT_VERSION@; do not edit.
#include <cstdint>

// Signature, structure version, file version, product version, flags mask,
// flags, OS, type (application), subtype, date.
extern "C" const std::uint32_t kestrow_version_record[13]
    __attribute__((section("@KESTROW_VERSION_SECTION@"), used)) = {
        0xFEEF04BDu, 0x00010000u, @ms@u, @ls@u, @ms@u, @ls@u,
        0x3Fu, 0u, 0u, 1u, 0u, 0u, 0u};
]] @ONLY)
  target_sources(${target} PRIVATE ${file})
endfunction()

# kestrow_executable(<name> SOURCES ... [DEPS ...]): a program of the project,
# with the version record. Use it for every executable we ship.
function(kestrow_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} kestrow_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  kestrow_add_version_record(${name})
endfunction()
