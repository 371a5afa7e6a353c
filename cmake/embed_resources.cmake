# Script mode: writes OUT, a C++ file that builds the bytes of RES (a .res
# file that windres compiled) into the program and hands them to our Win32
# layer, as Windows finds the resources linked into an .exe.
file(READ "${RES}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name "${RES}" NAME)
file(WRITE "${OUT}.tmp"
"// Made by cmake/embed_resources.cmake from ${name}; do not edit.\n"
"#include \"win32qt/win32_qt.h\"\n\n"
"namespace {\n\n"
"alignas(4) const unsigned char res[] = {${bytes}};\n\n"
"const bool registered = win32qt::register_resources(res, sizeof res);\n\n"
"} // namespace\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
