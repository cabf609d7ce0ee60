#include "matroska/ByteSource.h"

#include <algorithm>
#include <cstring>

#include "matroska/BufferedFile.h"

namespace mkv {
namespace {

// A read that does not go on from the last one fetches 64 bytes: enough for an
// element header and a small value, little enough that walking the headers of
// thousands of Clusters reads a few hundred KiB at most. Reads in sequence
// double that up to 256 KiB.
constexpr WindowSizes kReaderWindow{size_t{256} * 1024, 64, 1, size_t{256} * 1024};

class MemoryBytes : public ByteSource {
  public:
    explicit MemoryBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    uint64_t BytesRead() const override { return bytesRead_; }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (offset >= bytes_.size())
            return 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - offset));
        if (n > 0)
            std::memcpy(dst, bytes_.data() + offset, n);
        bytesRead_ += n;
        return n;
    }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t bytesRead_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFile(const std::string& path, std::string* error) {
    auto file = OpenRawFile(path, Accept::kRegularFilesAndDisks, error);
    if (!file)
        return nullptr;
    return std::make_unique<BufferedFile>(std::move(file), kReaderWindow);
}

std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes) {
    return std::make_unique<MemoryBytes>(std::move(bytes));
}

}  // namespace mkv
