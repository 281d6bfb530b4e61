// OutputFiles for tests: files kept in memory, failing on demand.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "export/output_file.h"

namespace kestrel::test {

class MemoryFiles : public OutputFiles {
  public:
    struct Content {
        std::string bytes;
        bool closed = false;
    };
    std::map<std::string, Content> files;
    // A file of failCreate cannot be created; one of failAfter is full once
    // it holds that many bytes; one of failClose fails as it is closed.
    std::set<std::string> failCreate, failClose;
    std::map<std::string, size_t> failAfter;

    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override {
        if (failCreate.count(path) != 0) return Refused("Permission denied");
        files[path] = Content{};
        return std::unique_ptr<OutputFile>(std::make_unique<File>(*this, path));
    }

  private:
    struct File : OutputFile {
        File(MemoryFiles& owner, const std::string& path) : owner(owner), path(path) {}
        Status Write(std::string_view bytes) override {
            std::string& content = owner.files[path].bytes;
            const auto limit = owner.failAfter.find(path);
            if (limit != owner.failAfter.end() && content.size() + bytes.size() > limit->second) {
                content.append(bytes.substr(0, limit->second - content.size()));
                full = true;
            }
            if (full) return Refused("No space left on device");
            content.append(bytes);
            return {};
        }
        Status Close() override {
            owner.files[path].closed = true;
            if (full) return Refused("No space left on device");
            if (owner.failClose.count(path) != 0) return Refused("Input/output error");
            return {};
        }
        MemoryFiles& owner;
        std::string path;
        bool full = false;
    };
};

}  // namespace kestrel::test
