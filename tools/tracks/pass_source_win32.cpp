#include "pass_source.h"

namespace quarvel {

namespace {

// On Windows the reader's own buffered file source serves; nothing is viewed.
class BufferedSource : public PassSource {
  public:
    explicit BufferedSource(std::unique_ptr<mkv::ByteSource> inner) : inner_(std::move(inner)) {}
    uint64_t Size() const override { return inner_->Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        return inner_->ReadAt(offset, dst, n);
    }
    uint64_t BytesRead() const override { return inner_->BytesRead(); }
    const uint8_t* View(uint64_t, size_t) override { return nullptr; }

  private:
    std::unique_ptr<mkv::ByteSource> inner_;
};

}  // namespace

std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error) {
    auto inner = mkv::OpenFile(path, error);
    if (!inner) {
        return nullptr;
    }
    return std::make_unique<BufferedSource>(std::move(inner));
}

}  // namespace quarvel
