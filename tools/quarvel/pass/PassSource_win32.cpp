#include "tools/quarvel/pass/PassSource.h"

namespace quarvel {

namespace {

// On Windows the reader's own file source serves: its large reads go straight
// to the caller, and the system's read-ahead needs no hint.
class ReaderFile : public RawFile {
  public:
    explicit ReaderFile(std::unique_ptr<mkv::ByteSource> inner) : inner_(std::move(inner)) {}
    uint64_t Size() const override { return inner_->Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        return inner_->ReadAt(offset, dst, n);
    }

  private:
    std::unique_ptr<mkv::ByteSource> inner_;
};

}  // namespace

std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error) {
    auto inner = mkv::OpenFile(path, error);
    if (!inner) {
        return nullptr;
    }
    return std::make_unique<PassSource>(std::make_unique<ReaderFile>(std::move(inner)));
}

}  // namespace quarvel
