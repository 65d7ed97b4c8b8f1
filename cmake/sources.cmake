# The sources both builds compile, the desktop one (CMakeLists.txt) and the web page (web/), so
# that the page runs the very readers, model storage, renderer and keys of the desktop viewer.
# Paths are relative to the project root; PLYVIEWER_ROOT names it.

# The catalogue viewer's core, less its start-up (a window of freeglut's own).
set(PLYVIEWER_SHARED_SOURCES
  math/linalg.cpp
  model/catalogue.cpp
  model/ply_parser.cpp
  model/ply_header.cpp
  model/ply_body.cpp
  model/ply_attributes.cpp
  model/ply_fit.cpp
  model/scan.cpp
  model/loader.cpp
  model/model_store.cpp
  model/file_model.cpp
  model/edges.cpp
  model/proxy.cpp
  model/normals.cpp
  model/large.cpp
  gpu/program.cpp
  gpu/buffers.cpp
  render/assembly.cpp
  render/frame.cpp
  render/view_store.cpp
  input/keyboard.cpp
  input/animation.cpp)

# The file viewer's parts that know no platform: each platform adds its own window, memory
# figure, proxy thread (or none) and shader version line.
set(PLYVIEW_SHARED_SOURCES
  plyview/camera.cpp
  plyview/controls.cpp
  plyview/files.cpp
  plyview/read_file.cpp
  plyview/gpu_geometry.cpp
  plyview/scene.cpp
  plyview/scene_draw.cpp
  plyview/scene_geometry.cpp
  plyview/steps.cpp
  plyview/proxy_job.cpp)

# The file viewer's shaders as a C++ source, `out`, generated at build time.
function(plyview_shader_text out)
  set(dir ${PLYVIEWER_ROOT}/plyview/shaders)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND}
            "-DSHADERS=kFlatVertexShader=${dir}/flat.vert,kFlatFragmentShader=${dir}/flat.frag,kLitVertexShader=${dir}/lit.vert,kLitFragmentShader=${dir}/lit.frag"
            -DOUT=${out} -P ${PLYVIEWER_ROOT}/plyview/embed_shaders.cmake
    DEPENDS ${dir}/flat.vert ${dir}/flat.frag ${dir}/lit.vert ${dir}/lit.frag
            ${PLYVIEWER_ROOT}/plyview/embed_shaders.cmake
    COMMENT "Building the shaders into plyview")
endfunction()
