#include "core/CapturedCommands.h"

#include "core/ShortPath.h"
#include "platform/ProgramFolder.h"

namespace torvane {
namespace {

std::string ExtractionTool(const std::string& programFolder) {
    return ExtractShortPathName(programFolder) + ToolFileName(kExtractToolName);
}

}  // namespace

std::string ListingCommand(const std::string& programFolder, const std::string& shortSource) {
    return programFolder + ToolFileName(kIdentifyToolName) + " -i " + CommandWord(shortSource);
}

std::string ChaptersCommand(const std::string& programFolder, const std::string& shortSource,
                            ChapterFormat format) {
    return ExtractionTool(programFolder) + " chapters " + CommandWord(shortSource) +
           (format == ChapterFormat::SimpleText ? " -s" : "");
}

std::string TagsCommand(const std::string& programFolder, const std::string& shortSource) {
    return ExtractionTool(programFolder) + " tags " + CommandWord(shortSource);
}

}  // namespace torvane
