// What --info tells of each file: its facts as lines for a person, or as one JSON object per
// line for a script. Used by plyview's command line and its tests.
#pragma once

#include <string>
#include <vector>

#include "model/file_facts.h"
#include "plyview/options.h"

namespace plyview {

// What the viewer first colours the file by when `wanted` (--color-by, or empty) is asked for:
// that, when the file has it; else its own colours, or none.
std::string startingColourSource(const FileFacts& facts, const std::string& wanted);

// The facts as lines for a person: the path, then indented declarations, comments, the box
// and what the viewer shows (coloured by `colourBy`, as --color-by says), or why the file is
// refused.
std::vector<std::string> infoLines(const FileFacts& facts, const std::string& colourBy = "");

// The facts as one JSON object on one line (keys in the README's plyview section).
std::string infoJson(const FileFacts& facts, const std::string& colourBy = "");

// Describes each file on standard output, as text or JSON lines; a refused file is also named
// on standard error as the viewer names it. The process status: 1 when any file was refused.
int printInfo(const std::vector<std::string>& paths, bool json, const std::string& colourBy = "");

}  // namespace plyview
