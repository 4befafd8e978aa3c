# Turns the bytes of a file into a C++ source defining quelvo::resources::<FUNCTION>().
# cmake -DINPUT=<file> -DOUTPUT=<source.cpp> -DFUNCTION=<name> -P embed.cmake
foreach(var INPUT OUTPUT FUNCTION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes a line, each as 0xNN.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " body "${body}")
if(size EQUAL 0)
  set(body "0x00")
endif()

get_filename_component(source_name "${INPUT}" NAME)
set(text "// Generated from ${source_name} by resources/embed.cmake; do not edit.
#include \"resources/resources.h\"

namespace quelvo::resources {
namespace {
alignas(16) const unsigned char kBytes[] = {
    ${body}
};
}  // namespace

std::span<const unsigned char> ${FUNCTION}() { return {kBytes, ${size}}; }

}  // namespace quelvo::resources
")
file(WRITE "${OUTPUT}" "${text}")
