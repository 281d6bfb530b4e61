#include "util/program_folder.h"

#include <filesystem>
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

}  // namespace kestrel
