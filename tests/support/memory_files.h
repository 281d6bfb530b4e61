// OutputFiles for tests: files kept in memory, and failures on demand.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "catalogue/output_file.h"

namespace kestrel::test {

class MemoryFiles : public OutputFiles {
  public:
    struct Content {
        std::string bytes;
        bool closed = false;
    };

    std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error) override {
        if (failCreate.count(path) != 0) {
            error = "Permission denied";
            return nullptr;
        }
        files[path] = Content{};
        return std::make_unique<File>(*this, path);
    }

    // The file at path fails once this many bytes of the run have been
    // written to it (as a full disk would).
    std::map<std::string, size_t> failAfter;
    std::map<std::string, int> failCreate;
    std::map<std::string, Content> files;

  private:
    class File : public OutputFile {
      public:
        File(MemoryFiles& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
        bool Write(std::string_view bytes) override {
            Content& content = owner_.files[path_];
            const auto limit = owner_.failAfter.find(path_);
            if (limit != owner_.failAfter.end() &&
                content.bytes.size() + bytes.size() > limit->second) {
                content.bytes.append(bytes.substr(0, limit->second - content.bytes.size()));
                error_ = "No space left on device";
                return false;
            }
            content.bytes.append(bytes);
            return true;
        }
        bool Close() override {
            owner_.files[path_].closed = true;
            return error_.empty();
        }
        const std::string& Error() const override { return error_; }

      private:
        MemoryFiles& owner_;
        std::string path_;
        std::string error_;
    };
};

}  // namespace kestrel::test
