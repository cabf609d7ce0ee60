// What our own writers share: one output file, an error and a warning.
#pragma once

#include <string>
#include <utility>

#include "tools/quarvel/ByteOrder.h"
#include "tools/quarvel/writers/BufferedOutputFile.h"
#include "tools/quarvel/writers/TrackWriter.h"

namespace quarvel {

class FileWriter : public TrackWriter {
  public:
    bool Begin(TrackInfo track, const std::string& path) override {
        track_ = std::move(track);
        if (!out_.Open(path)) {
            error_ = out_.Error();
            return false;
        }
        return Start();
    }
    bool Finish() override {
        if (!End()) {
            return false;
        }
        if (!out_.Close()) {
            return Fail(out_.Error());
        }
        return true;
    }
    void Settle() override {
        if (!out_.Settle()) {
            Fail(out_.Error());
        }
    }
    void Abort() override { out_.Discard(); }
    std::vector<std::pair<std::string, std::string>> Files() const override {
        if (out_.Path().empty()) {
            return {};
        }
        return {{out_.Path(), out_.Target()}};
    }
    std::string Error() const override { return error_; }
    std::string Warning() const override { return warning_; }

  protected:
    // Writes what comes before the first frame.
    virtual bool Start() { return true; }
    // Writes what comes after the last frame.
    virtual bool End() { return true; }

    bool Fail(const std::string& message) {
        if (error_.empty()) {
            error_ = message;
        }
        return false;
    }
    bool Put(const void* data, size_t size) { return out_.Write(data, size) || Fail(out_.Error()); }
    bool Put(const std::string& text) { return Put(text.data(), text.size()); }
    bool Put(const std::vector<uint8_t>& bytes) { return Put(bytes.data(), bytes.size()); }
    // A frame's data, unchanged.
    bool PutFrame(const Frame& f) { return Put(f.data, f.size, f.inSource); }
    // Bytes that may be written from where they lie when `inSource` (see Frame).
    bool Put(const uint8_t* data, size_t size, bool inSource) {
        return (inSource ? out_.WriteInPlace(data, size) : out_.Write(data, size)) ||
               Fail(out_.Error());
    }
    void Warn(const std::string& message) {
        if (warning_.empty()) {
            warning_ = message;
        }
    }

    TrackInfo track_;
    OutputFile out_;
    std::string error_;
    std::string warning_;
};

}  // namespace quarvel
