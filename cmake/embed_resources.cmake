# Script mode: writes OUT, a C++ file that hands the files in FILES (a
# ;-separated list) to our Win32 layer under their base names, so the layer
# reads the program's resource scripts as the Windows resource compiler does.
set(body "")
set(entries "")
set(index 0)
foreach(file IN LISTS FILES)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  get_filename_component(name "${file}" NAME)
  string(APPEND body "const unsigned char file${index}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", reinterpret_cast<const char*>(file${index})},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUT}.tmp"
"// Made by cmake/embed_resources.cmake; do not edit.\n"
"#include \"win32qt/win32_qt.h\"\n\n"
"namespace {\n\n${body}\n"
"const win32qt::ResourceFile files[] = {\n${entries}};\n\n"
"const bool registered = win32qt::register_resource_files(files, ${index});\n\n"
"} // namespace\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
