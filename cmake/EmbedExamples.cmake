# cmake -DEXAMPLES=<folder> -DOUTPUT=<file.cpp> -P EmbedExamples.cmake
# Writes the definition of sim::exampleMachines(): every <folder>/*.json as a byte
# array (so that no text of a profile can end a string literal early), named by
# its file name without ".json", sorted by name.
file(GLOB PROFILES "${EXAMPLES}/*.json")
set(names)
foreach(profile IN LISTS PROFILES)
  get_filename_component(name "${profile}" NAME_WE)
  if(NOT name MATCHES "^[A-Za-z0-9_-]+$")
    message(FATAL_ERROR "example profile ${profile}: a name holds only letters, digits, '-' and '_'")
  endif()
  list(APPEND names "${name}")
  set(path_of_${name} "${profile}")
endforeach()
list(SORT names COMPARE STRING)

# CMake's regular expressions have no {n}: sixteen bytes to a line, spelt out.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen_bytes)
set(arrays "")
set(rows "")
set(index 0)
foreach(name IN LISTS names)
  file(READ "${path_of_${name}}" bytes HEX)
  string(LENGTH "${bytes}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "example profile ${path_of_${name}} is empty")
  endif()
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
  string(REGEX REPLACE "${sixteen_bytes}" "\\0\n    " bytes "${bytes}")
  string(APPEND arrays "// examples/${name}.json\nconstexpr unsigned char kProfile${index}[${size}] = {\n    ${bytes}\n};\n\n")
  string(APPEND rows "      {\"${name}\", {reinterpret_cast<const char*>(kProfile${index}), sizeof kProfile${index}}},\n")
  math(EXPR index "${index} + 1")
endforeach()

if(index EQUAL 0)
  set(body "  return {};\n")
else()
  set(body "  static const ExampleMachine table[] = {\n${rows}  };\n  return table;\n")
endif()

set(text "// Generated from examples/*.json by cmake/EmbedExamples.cmake at build time; do not edit.
#include \"sim/example_machines.h\"

namespace sim {
namespace {

${arrays}}  // namespace

std::span<const ExampleMachine> exampleMachines() {
${body}}

}  // namespace sim
")
file(WRITE "${OUTPUT}" "${text}")
