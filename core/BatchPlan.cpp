#include "core/BatchPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "core/Formats.h"
#include "core/OutputFolder.h"
#include "platform/ProgramFolder.h"

namespace torvane {
namespace {

using Kind = PlannedOutput::Kind;

// The name of a source without its extension; a name that would be left
// empty, or would name the folder itself or its parent, stays whole.
std::string StemOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return stem.empty() || stem == "." || stem == ".." ? name : stem;
}

std::string BlankFree(std::string text) {
    for (char& c : text) {
        if (c == ' ' || c == '\t' || c == '/' || c == '\\') {
            c = '_';
        }
    }
    return text;
}

// Folders are told apart by their spelling, made plain ("a/./b/" is "a/b/").
std::string FolderKey(const std::string& folder) {
    return std::filesystem::path(folder).lexically_normal().string();
}

bool IsExtension(const std::string& kind) {
    return !kind.empty() && kind != kKindAttachment && kind != kKindChapters && kind != kKindTags &&
           kind != kKindUnknown;
}

PlannedOutput Output(Kind kind, std::string id, std::string name) {
    PlannedOutput output;
    output.kind = kind;
    output.id = std::move(id);
    output.name = std::move(name);
    return output;
}

// The outputs the rule gives one readable source, not yet named apart from
// the rest of the batch: a track's name is "Track" n "." extension.
void ChooseOutputs(const BatchSource& source, const BatchRule& rule,
                   const TrackClassifier& classify, FilePlan& file) {
    const SourceContents& contents = source.contents;
    for (const SourceTrack& track : contents.tracks) {
        if (!Takes(rule, track)) {
            continue;
        }
        const std::string kind = classify(track.line);
        if (!IsExtension(kind)) {
            file.unnamed.push_back({track.number, track.codec, track.line});
            continue;
        }
        PlannedOutput output = Output(Kind::Track, std::to_string(track.number),
                                      "Track" + std::to_string(track.number) + "." + kind);
        output.type = track.type;
        output.codec = track.codec;
        output.language = track.language;
        file.outputs.push_back(std::move(output));
    }
    for (const SourceAttachment& attachment : contents.attachments) {
        if (Takes(rule, attachment)) {
            PlannedOutput output = Output(Kind::Attachment, attachment.id, attachment.name);
            output.attachmentKind = attachment.kind;
            file.outputs.push_back(std::move(output));
        }
    }
    if (rule.chapters && contents.chapters) {
        file.chapterFormat = *rule.chapters;
        file.outputs.push_back(
            Output(Kind::Chapters, {}, std::string(ChaptersFile(*rule.chapters))));
    }
    if (rule.tags && contents.tags) {
        file.outputs.push_back(Output(Kind::Tags, {}, std::string(kTagsFile)));
    }
}

struct FolderNames {
    OutputNames entries;  // files and subfolders in the folder
    OutputNames labels;   // the prefixes of the sources writing there
};

}  // namespace

std::vector<FilePlan> PlanBatch(const std::vector<BatchSource>& sources, const BatchRule& rule,
                                OutputLayout layout, const std::string& outputFolder,
                                const TrackClassifier& classify) {
    std::map<std::string, FolderNames> folders;
    // No output may replace a source of the batch.
    for (const BatchSource& source : sources) {
        folders[FolderKey(FolderOf(source.path))].entries.Reserve(FileNameOf(source.path));
    }

    std::vector<FilePlan> plan(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const BatchSource& source = sources[i];
        FilePlan& file = plan[i];
        file.source = source.path;
        if (source.state != BatchSource::State::Readable) {
            file.state = source.state == BatchSource::State::Identifying
                             ? FilePlan::State::Identifying
                             : FilePlan::State::Unreadable;
            continue;
        }
        ChooseOutputs(source, rule, classify, file);
        file.state = file.outputs.empty() ? FilePlan::State::Nothing : FilePlan::State::Outputs;
        if (file.outputs.empty() && file.unnamed.empty()) {
            continue;
        }
        const std::string base =
            outputFolder.empty() ? FolderOf(source.path) : OutputFolderPrefix(outputFolder);
        FolderNames& names = folders[FolderKey(base)];
        if (layout == OutputLayout::FolderPerSource) {
            file.subfolder = names.entries.DistinctWhole(StemOf(source.path));
            file.folder = base + file.subfolder + kPathSeparator;
        } else {
            file.folder = base;
            file.prefix = names.labels.DistinctWhole(BlankFree(StemOf(source.path))) + ".";
        }
    }

    // The fixed names first, so that an attachment never takes a track's.
    for (const bool attachments : {false, true}) {
        for (std::size_t i = 0; i < plan.size(); ++i) {
            for (PlannedOutput& output : plan[i].outputs) {
                if ((output.kind == Kind::Attachment) == attachments) {
                    output.name = folders[FolderKey(plan[i].folder)].entries.Distinct(
                        plan[i].prefix + output.name);
                }
            }
        }
    }
    return plan;
}

bool PlanGivesOutputs(const std::vector<FilePlan>& plan) {
    return std::any_of(plan.begin(), plan.end(), [](const FilePlan& file) {
        return file.state == FilePlan::State::Outputs || !file.unnamed.empty();
    });
}

std::vector<std::string> UnknownCodecLines(const std::vector<FilePlan>& plan) {
    std::vector<std::string> lines;
    std::set<std::string> codecs;
    for (const FilePlan& file : plan) {
        for (const UnnamedTrack& track : file.unnamed) {
            if (codecs.insert(track.codec).second) {
                lines.push_back(track.line);
            }
        }
    }
    return lines;
}

namespace {

std::string BelowOutputFolder(const FilePlan& file, const std::string& name) {
    return file.subfolder.empty() ? name : file.subfolder + kPathSeparator + name;
}

}  // namespace

std::string ShownPath(const FilePlan& file, const PlannedOutput& output) {
    return BelowOutputFolder(file, output.name);
}

std::string ShownPath(const FilePlan& file, const UnnamedTrack& track) {
    return BelowOutputFolder(file, file.prefix + "Track" + std::to_string(track.number) + ".?");
}

}  // namespace torvane
