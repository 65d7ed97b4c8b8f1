# The sources of the project's builds, the desktop one (CMakeLists.txt) and the web page (web/),
# listed once, so that the page runs the very readers, models and viewer of the desktop's
# plyview. Paths are relative to the project root; PLYVIEWER_ROOT names it.

# What both viewers stand on: arithmetic, the readers and models, program building.
set(PLY_SHARED_SOURCES
  math/linalg.cpp
  math/view_geometry.cpp
  model/ply_parser.cpp
  model/ply_header.cpp
  model/ply_body.cpp
  model/ply_attributes.cpp
  model/ply_fit.cpp
  model/scan.cpp
  model/file_io.cpp
  model/file_model.cpp
  model/file_walk.cpp
  model/file_facts.cpp
  model/edges.cpp
  model/proxy.cpp
  model/normals.cpp
  model/image.cpp
  model/splat_half.cpp
  model/splat_read.cpp
  model/splat_colour.cpp
  model/splat_sort.cpp
  model/splat_merge.cpp
  gpu/program.cpp)

# The catalogue viewer: its catalogue and store, its GPU set-up, frames, keys and animations,
# less its main.
set(PLYVIEWER_SOURCES
  model/catalogue.cpp
  model/loader.cpp
  model/model_store.cpp
  gpu/buffers.cpp
  render/assembly.cpp
  render/frame.cpp
  render/view_store.cpp
  input/keyboard.cpp
  input/animation.cpp
  app/startup.cpp)

# The file viewer's parts that know no platform: each platform adds its own window or page,
# memory figure, proxy thread (or none) and shader version line.
set(PLYVIEW_SHARED_SOURCES
  plyview/animation.cpp
  plyview/camera.cpp
  plyview/navigation.cpp
  plyview/pick.cpp
  plyview/measure.cpp
  plyview/input.cpp
  plyview/read_file.cpp
  plyview/info.cpp
  plyview/gpu_geometry.cpp
  plyview/gpu_splats.cpp
  plyview/splat_order.cpp
  plyview/scene_splats.cpp
  plyview/texture.cpp
  plyview/scene.cpp
  plyview/scene_draw.cpp
  plyview/scene_geometry.cpp
  plyview/text.cpp
  plyview/panel.cpp
  plyview/colour_scale.cpp
  plyview/colouring.cpp
  plyview/legend.cpp
  plyview/steps.cpp
  plyview/eye_dome.cpp
  plyview/proxy_job.cpp
  plyview/front.cpp)

# The file viewer's shaders as a C++ source, `out`, generated at build time.
function(plyview_shader_text out)
  set(dir ${PLYVIEWER_ROOT}/plyview/shaders)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND}
            "-DSHADERS=kFlatVertexShader=${dir}/flat.vert,kFlatFragmentShader=${dir}/flat.frag,kLitVertexShader=${dir}/lit.vert,kLitFragmentShader=${dir}/lit.frag,kPickFragmentShader=${dir}/pick.frag,kEyeDomeVertexShader=${dir}/eye_dome.vert,kEyeDomeFragmentShader=${dir}/eye_dome.frag,kSplatVertexShader=${dir}/splat.vert,kSplatFragmentShader=${dir}/splat.frag"
            -DOUT=${out} -P ${PLYVIEWER_ROOT}/plyview/embed_shaders.cmake
    DEPENDS ${dir}/flat.vert ${dir}/flat.frag ${dir}/lit.vert ${dir}/lit.frag ${dir}/pick.frag
            ${dir}/eye_dome.vert ${dir}/eye_dome.frag ${dir}/splat.vert ${dir}/splat.frag
            ${PLYVIEWER_ROOT}/plyview/embed_shaders.cmake
    COMMENT "Building the shaders into plyview")
endfunction()
