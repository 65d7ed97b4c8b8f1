// What --info tells of each file: its facts as lines for a person, or as one JSON object per
// line for a script. Used by plyview's command line and its tests.
#pragma once

#include <string>
#include <vector>

#include "model/file_facts.h"

namespace plyview {

// The facts as lines for a person: the path, then indented declarations, comments, the box
// and what the viewer shows, or why the file is refused.
std::vector<std::string> infoLines(const FileFacts& facts);

// The facts as one JSON object on one line (keys in the README's plyview section).
std::string infoJson(const FileFacts& facts);

// Describes each file on standard output, as text or JSON lines; a refused file is also named
// on standard error as the viewer names it. The process status: 1 when any file was refused.
int printInfo(const std::vector<std::string>& paths, bool json);

}  // namespace plyview
