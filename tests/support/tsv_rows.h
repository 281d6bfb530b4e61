// The rows of a tab-separated data file of the tests, lines that are empty
// or start with "#" left out. In a field \t, \r, \n and \0 stand for a tab,
// the line ends and a zero byte, \xHH for the byte HH, and \ before any
// other character for it.
#pragma once

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::test {

using TsvRow = std::vector<std::string>;

inline std::vector<TsvRow> TsvRows(const std::string& path) {
    constexpr std::string_view kEscapes = "trn0", kBytes("\t\r\n\0", 4);
    std::ifstream in(path);
    std::vector<TsvRow> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        TsvRow& row = rows.emplace_back(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\t') {
                row.emplace_back();
            } else if (line.compare(i, 2, "\\x") == 0 && i + 3 < line.size()) {
                row.back() += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else if (line[i] == '\\' && i + 1 < line.size()) {
                const size_t escape = kEscapes.find(line[++i]);
                row.back() += escape == std::string_view::npos ? line[i] : kBytes[escape];
            } else {
                row.back() += line[i];
            }
        }
    }
    return rows;
}

}  // namespace kestrel::test
