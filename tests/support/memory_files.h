// OutputFiles for tests: files kept in memory, and failures on demand.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "catalogue/output_file.h"

namespace kestrel::test {

class MemoryFiles : public OutputFiles {
  public:
    struct Content {
        std::string bytes;
        bool closed = false;
    };

    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override {
        if (failCreate.count(path) != 0) return Refused("Permission denied");
        files[path] = Content{};
        return std::unique_ptr<OutputFile>(std::make_unique<File>(*this, path));
    }

    // The file at path fails once this many bytes have been written to it
    // (as a full disk would); one in failClose fails as it is closed.
    std::map<std::string, size_t> failAfter;
    std::set<std::string> failCreate;
    std::set<std::string> failClose;
    std::map<std::string, Content> files;

  private:
    class File : public OutputFile {
      public:
        File(MemoryFiles& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
        Status Write(std::string_view bytes) override {
            std::string& content = owner_.files[path_].bytes;
            const auto limit = owner_.failAfter.find(path_);
            if (limit != owner_.failAfter.end() && content.size() + bytes.size() > limit->second) {
                content.append(bytes.substr(0, limit->second - content.size()));
                full_ = true;
            }
            if (full_) return Refused("No space left on device");
            content.append(bytes);
            return {};
        }
        Status Close() override {
            owner_.files[path_].closed = true;
            if (full_) return Refused("No space left on device");
            if (owner_.failClose.count(path_) != 0) return Refused("Input/output error");
            return {};
        }

      private:
        MemoryFiles& owner_;
        std::string path_;
        bool full_ = false;
    };
};

}  // namespace kestrel::test
