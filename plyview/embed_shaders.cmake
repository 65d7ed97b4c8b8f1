# Writes OUT, a C++ source holding shader files as string constants (cmake -P): SHADERS is a list
# of NAME=FILE pairs, each becoming `const char NAME[]` in namespace plyview. The texts carry no
# version line: the platform puts its own in front (desktop GLSL or WebGL's).
set(body "// Generated from the shader files at build time; do not edit.\n#include \"plyview/shader_text.h\"\n\nnamespace plyview {\n\n")
string(REPLACE "," ";" pairs "${SHADERS}")
foreach(pair ${pairs})
  string(REGEX MATCH "^([^=]+)=(.+)$" matched "${pair}")
  file(READ ${CMAKE_MATCH_2} text)
  string(APPEND body "const char ${CMAKE_MATCH_1}[] = R\"glsl(${text})glsl\";\n\n")
endforeach()
string(APPEND body "}  // namespace plyview\n")
file(WRITE ${OUT}.tmp "${body}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
