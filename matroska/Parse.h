// Table-driven reading of master elements (internal to the reader). Each
// master is described by a table of its children: ID, value type, whether it
// may repeat, and what to do with the value. One loop walks every master.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "matroska/ByteSource.h"
#include "matroska/Ebml.h"
#include "matroska/Error.h"
#include "matroska/Ids.h"
#include "matroska/Limits.h"

namespace mkv::detail {

enum class Kind { kUint, kSint, kFloat, kText, kBinary, kMaster, kLocation };

// A decoded value; only the member matching the rule's Kind is set.
struct Value {
    uint64_t u = 0;
    int64_t i = 0;
    std::optional<double> f;
    std::string s;
    std::vector<uint8_t> b;
};

class Parser;

// The limits of Limits.h past which elements are passed over.
enum class Limit {
    kTracks,
    kAttachments,
    kSeekEntries,
    kContentEncodings,
    kChapterAtoms,
    kSimpleTags,
    kTagsElements,
    kMetadataBytes,
    kCount
};

template <class T>
struct Rule {
    uint32_t id;
    Kind kind;
    bool repeatable;
    // For kMaster and kLocation `header` is the child, its size clamped to
    // what its parent holds; for values, `value` is decoded, and may be moved
    // from.
    void (*apply)(T& target, Parser& parser, const ElementHeader& header, Value& value);
    uint64_t uintDefault = 0;   // what an empty uint element means
    double floatDefault = 0.0;  // what an empty float element means
};

class Parser {
  public:
    Parser(ByteSource& source, std::vector<Error>& problems)
        : source_(source), problems_(problems) {}

    ByteSource& Source() { return source_; }
    void Problem(uint64_t offset, std::string message) {
        problems_.push_back(Error{offset, std::move(message)});
    }

    // Counters shared by every master of one file, checked against Limits.h.
    size_t chapterAtoms = 0;
    size_t simpleTags = 0;

    // Reports an element passed over for `limit`: the first one as a problem
    // at `offset`, the others only by their count in that same problem, so a
    // file far past a limit gives one line, not one per element.
    void PassOver(Limit limit, uint64_t offset);

    // Walks the children of `parent` (its size already clamped to its own
    // parent) and applies the matching rules. Void, CRC-32 (checked when the
    // master is small) and unknown IDs are passed over by their size. A child
    // that runs past its parent is reported and ends the walk; a master child
    // cut that way is still read up to where its parent ends.
    template <class T, size_t N>
    void Walk(const ElementHeader& parent, T& target, const Rule<T> (&rules)[N]);

    // Helpers of Walk.
    bool ReadChild(uint64_t pos, const ElementHeader& parent, ElementHeader& child);
    bool DecodeValue(const ElementHeader& child, Kind kind, uint64_t uintDefault,
                     double floatDefault, Value& value);
    void VerifyCrc(const ElementHeader& parent, const ElementHeader& crc);
    void ReportOverrun(const ElementHeader& parent, const ElementHeader& child);
    bool EnterMaster(const ElementHeader& parent);
    void LeaveMaster() { --depth_; }
    // False once kMaxMetadataElements children have been visited (reported once).
    bool CountElement(uint64_t pos);

  private:
    bool DecodeNumber(const ElementHeader& child, Kind kind, uint64_t uintDefault,
                      double floatDefault, Value& value);
    bool DecodeBytes(const ElementHeader& child, Kind kind, Value& value);

    ByteSource& source_;
    std::vector<Error>& problems_;
    int depth_ = 0;
    uint64_t elements_ = 0;
    uint64_t heldBytes_ = 0;  // of text and binary values, against kMaxMetadataBytes
    struct Passed {
        size_t problem = 0;  // index in problems_
        uint64_t count = 0;
    };
    Passed passed_[static_cast<size_t>(Limit::kCount)];
};

template <class T, size_t N>
void Parser::Walk(const ElementHeader& parent, T& target, const Rule<T> (&rules)[N]) {
    static_assert(N <= 64, "a master's rule table holds at most 64 rules");
    if (!EnterMaster(parent))
        return;
    const uint64_t end = parent.End();
    uint64_t seen = 0;
    uint64_t pos = parent.dataOffset;
    bool first = true;
    while (pos < end) {
        ElementHeader child;
        if (!CountElement(pos) || !ReadChild(pos, parent, child))
            break;
        const bool truncated = child.End() > end;
        if (truncated) {
            ReportOverrun(parent, child);
            child.size = end - child.dataOffset;
        }
        if (child.id == id::kCrc32) {
            if (first && !truncated)
                VerifyCrc(parent, child);
        } else if (child.id != id::kVoid) {
            for (size_t r = 0; r < N; ++r) {
                const Rule<T>& rule = rules[r];
                if (rule.id != child.id)
                    continue;
                if (!rule.repeatable && (seen & (uint64_t{1} << r)))
                    break;  // keep the first
                seen |= uint64_t{1} << r;
                if (rule.kind == Kind::kMaster) {
                    Value none;
                    rule.apply(target, *this, child, none);
                } else if (!truncated) {
                    Value value;
                    if (DecodeValue(child, rule.kind, rule.uintDefault, rule.floatDefault, value)) {
                        rule.apply(target, *this, child, value);
                    }
                }
                break;
            }
        }
        first = false;
        if (truncated)
            break;
        pos = child.End();
    }
    LeaveMaster();
}

// Stores a decoded value into a member, by the member's type.
template <class T, auto Member>
void Set(T& target, Parser&, const ElementHeader&, Value& v) {
    using M = std::remove_reference_t<decltype(target.*Member)>;
    M& m = target.*Member;
    if constexpr (std::is_same_v<M, uint64_t> || std::is_same_v<M, std::optional<uint64_t>>) {
        m = v.u;
    } else if constexpr (std::is_same_v<M, bool>) {
        m = v.u != 0;
    } else if constexpr (std::is_same_v<M, std::optional<int64_t>> || std::is_same_v<M, int64_t>) {
        m = v.i;
    } else if constexpr (std::is_same_v<M, double> || std::is_same_v<M, std::optional<double>>) {
        if (v.f)
            m = *v.f;
    } else if constexpr (std::is_same_v<M, std::string> ||
                         std::is_same_v<M, std::optional<std::string>>) {
        m = std::move(v.s);
    } else if constexpr (std::is_same_v<M, std::vector<uint8_t>> ||
                         std::is_same_v<M, std::optional<std::vector<uint8_t>>>) {
        m = std::move(v.b);
    } else if constexpr (std::is_same_v<M, std::vector<uint64_t>>) {
        m.push_back(v.u);
    } else if constexpr (std::is_same_v<M, std::vector<std::string>>) {
        m.push_back(std::move(v.s));
    } else {
        static_assert(sizeof(M) == 0, "no rule to store this member");
    }
}

}  // namespace mkv::detail
