#include "util/program_folder.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "util/text.h"

namespace kestrel {

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !exe.is_absolute()) return {};
    const std::string folder = FolderOf(exe.string());
    // An executable in the root folder: its folder is "/", not "".
    return folder.empty() ? std::string("/") : folder;
}

std::string UserDevicesFolder(const char* xdgDataHome, const char* home) {
    // A relative or empty value is no usable folder. A trailing "/" is
    // dropped, so that "/" and "/home/u/" join cleanly.
    const auto folder = [](const char* path) -> std::optional<std::string> {
        if (path == nullptr || path[0] != '/') return std::nullopt;
        std::string text = path;
        while (!text.empty() && text.back() == '/')
            text.pop_back();
        return text;
    };
    if (const auto dataHome = folder(xdgDataHome)) return *dataHome + "/kestrel/devices";
    if (const auto homeFolder = folder(home)) return *homeFolder + "/.local/share/kestrel/devices";
    return {};
}

}  // namespace kestrel
