# Writes plyview's desktop entry, thumbnailer and MIME package from their templates and installs
# them under the prefix. Run by `cmake --install` (install(CODE) in the top CMakeLists.txt),
# where CMAKE_INSTALL_PREFIX is the prefix finally chosen, --prefix included, so their Exec
# lines name the plyview that is being installed.
# In: PLYVIEW_TEMPLATES (this folder), PLYVIEW_STAGE (a folder of the build tree to write into),
# PLYVIEW_BINDIR and PLYVIEW_DATADIR (as GNUInstallDirs gives them), PLYVIEW_MIME_TYPE.

# ===== Quoting =====

# A string value of a desktop key file: a backslash is written as two.
function(plyview_key_file_string text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The program of an Exec line: in double quotes, with " ` $ \ escaped inside, when it holds
# anything but letters, digits and / . _ + , : = @ -; a % doubled so it is no field code.
function(plyview_exec_program path out)
  set(arg "${path}")
  if(NOT arg MATCHES "^[A-Za-z0-9/._+,:=@%-]+$")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" arg "${arg}")
    set(arg "\"${arg}\"")
  endif()
  string(REPLACE "%" "%%" arg "${arg}")
  plyview_key_file_string("${arg}" arg)
  set(${out} "${arg}" PARENT_SCOPE)
endfunction()

# ===== Paths =====

# A relative --prefix installs below the folder cmake --install runs in; the Exec lines need it
# whole.
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE OUTPUT_VARIABLE prefix)
cmake_path(ABSOLUTE_PATH PLYVIEW_BINDIR BASE_DIRECTORY "${prefix}" NORMALIZE
  OUTPUT_VARIABLE bindir)
cmake_path(ABSOLUTE_PATH PLYVIEW_DATADIR BASE_DIRECTORY "${prefix}" NORMALIZE
  OUTPUT_VARIABLE datadir)

plyview_exec_program("${bindir}/plyview" PLYVIEW_EXEC)
plyview_key_file_string("${bindir}/plyview" PLYVIEW_TRY_EXEC)

# ===== Files =====

foreach(entry IN ITEMS "plyview.desktop applications" "plyview.thumbnailer thumbnailers"
                       "plyview.xml mime/packages")
  separate_arguments(entry)
  list(GET entry 0 name)
  list(GET entry 1 folder)
  configure_file("${PLYVIEW_TEMPLATES}/${name}.in" "${PLYVIEW_STAGE}/${name}" @ONLY)
  file(INSTALL "${PLYVIEW_STAGE}/${name}" DESTINATION "${datadir}/${folder}")
endforeach()
