#include "convert.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include "util/file_writer.h"

namespace kestrel::hex2ccf {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string Reason(int error) {
    return std::generic_category().message(error);
}

CcfTimestamp FromTm(const std::tm& tm) {
    return CcfTimestamp{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                        tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

}  // namespace

Result<std::string> ReadWholeFile(const std::string& path) {
    std::string bytes;
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return Refused("cannot open input file " + Quoted(path) + ": " + Reason(errno));
    char buffer[1 << 16];
    for (;;) {
        size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) {
        const int error = errno;
        return Refused("cannot read input file " + Quoted(path) + ": " + Reason(error));
    }
    return bytes;
}

std::string DeviceNameFor(const std::string& outputPath) {
    return fs::path(outputPath).stem().string();
}

std::optional<CcfTimestamp> TimestampFromEpochText(const std::string& text) {
    // Up to 12 digits reach far beyond the year 9999 without overflowing.
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        count = count * 10 + (c - '0');
    }
    using namespace std::chrono;
    const sys_seconds moment{std::chrono::seconds{count}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<std::chrono::seconds> time{moment - day};
    const int yearNumber = static_cast<int>(date.year());
    if (yearNumber > 9999) return std::nullopt;
    return CcfTimestamp{yearNumber,
                        static_cast<int>(static_cast<unsigned>(date.month())),
                        static_cast<int>(static_cast<unsigned>(date.day())),
                        static_cast<int>(time.hours().count()),
                        static_cast<int>(time.minutes().count()),
                        static_cast<int>(time.seconds().count())};
}

CcfTimestamp TimestampNow() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        if (std::optional<CcfTimestamp> fixed = TimestampFromEpochText(epoch)) return *fixed;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return FromTm(local);
}

Status ConvertFile(const std::string& input, const std::string& output,
                   const CcfTimestamp& modified, std::vector<std::string>* warnings) {
    const Result<std::string> text = ReadWholeFile(input);
    if (!text) return Refused(text.reason());

    const Result<std::vector<HexEntry>> entries = ReadHexText(*text);
    if (!entries) return Refused(Quoted(input) + " " + entries.reason());

    CcfOptions options;
    options.deviceName = DeviceNameFor(output);
    options.modified = modified;
    const Result<CcfFile> built = BuildCcf(*entries, options);
    if (!built) return Refused(Quoted(input) + " " + built.reason());
    if (warnings) {
        for (const std::string& warning : built->warnings)
            warnings->push_back(Quoted(input) + " " + warning);
    }
    // Whole or not at all; a link is followed, a pipe or device written in place.
    const Status written = WriteFile(
        output,
        std::string_view(reinterpret_cast<const char*>(built->bytes.data()), built->bytes.size()));
    if (!written)
        return Refused("cannot write the output file " + Quoted(output) + ": " + written.reason());
    return {};
}

}  // namespace kestrel::hex2ccf
