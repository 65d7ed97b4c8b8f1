#!/bin/sh
# Starts the installed catalogue viewer in its data folder, where its shaders and models are.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../share/plyviewer" || exit 1
exec ./plyviewer "$@"
