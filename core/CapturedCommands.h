// The command lines of the captured tool runs that read a source file: its
// identification listing, its chapters and its tags. The main window and the
// batch read a source alike.
#pragma once

#include <string>

#include "core/CommandLine.h"

namespace torvane {

// "FOLDERostrem -i SOURCE": the listing run names its tool through the long
// program folder.
std::string ListingCommand(const std::string& programFolder, const std::string& shortSource);

// "FOLDERquarvel chapters SOURCE", with " -s" for the simple format, the
// tool named through the short form of the program folder.
std::string ChaptersCommand(const std::string& programFolder, const std::string& shortSource,
                            ChapterFormat format);

// "FOLDERquarvel tags SOURCE", the tool named as for the chapters.
std::string TagsCommand(const std::string& programFolder, const std::string& shortSource);

}  // namespace torvane
