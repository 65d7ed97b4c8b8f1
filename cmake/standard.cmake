# The language and strictness every build of the project uses (the desktop build, the web page,
# the fuzzers): C++17 without extensions, warnings as errors on our own code. A build type not
# given on the command line is PLYVIEWER_DEFAULT_BUILD_TYPE, or Release.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT PLYVIEWER_DEFAULT_BUILD_TYPE)
  set(PLYVIEWER_DEFAULT_BUILD_TYPE Release)
endif()
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE ${PLYVIEWER_DEFAULT_BUILD_TYPE} CACHE STRING "Build type" FORCE)
endif()
set(PLYVIEWER_WARNINGS -Wall -Wextra -Werror)
