# Writes OUT, a C++ source holding the two shader files as string constants (cmake -P).
file(READ ${VERTEX} vertex)
file(READ ${FRAGMENT} fragment)
file(WRITE ${OUT}.tmp
  "// Generated from the shader files at build time; do not edit.\n"
  "#include \"plyview/shader_text.h\"\n\n"
  "namespace plyview {\n\n"
  "const char kVertexShaderText[] = R\"glsl(${vertex})glsl\";\n\n"
  "const char kFragmentShaderText[] = R\"glsl(${fragment})glsl\";\n\n"
  "}  // namespace plyview\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
