# Writes the icon file INPUT as a byte array into the C++ source OUTPUT.
file(READ "${INPUT}" _hex HEX)
string(LENGTH "${_hex}" _length)
math(EXPR _size "${_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" _bytes "${_bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}.\n#include <cstddef>\n\nnamespace shell {\n\n"
  "extern const unsigned char kProgramIconPng[${_size}] = {\n${_bytes}\n};\n"
  "extern const std::size_t kProgramIconPngSize = ${_size};\n\n}  // namespace shell\n")
