// Helpers of the zip tests: running the reference tools (Info-ZIP zip and
// unzip, Python's zipfile) on host files, and reading archive fields.
#pragma once

#include <cstdint>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ziptest {

struct ToolRun {
    int status = -1;     // exit status, -1 when the tool could not run
    std::string output;  // standard output and error together
};

// Runs a shell command (arguments quoted with Quote) and collects its output.
inline ToolRun Run(const std::string& command) {
    ToolRun run;
    std::FILE* pipe = ::popen(("exec 2>&1; " + command).c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, got);
    int status = ::pclose(pipe);
    run.status = (status >= 0 && (status & 0x7F) == 0) ? (status >> 8) & 0xFF : -1;
    return run;
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

// Runs a Python script given as text (through a here-document) with arguments.
inline ToolRun Python(const std::string& script, const std::vector<std::string>& arguments) {
    // The system interpreter: wrappers around it start slowly.
    std::string command = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3 - " : "python3 - ";
    for (const std::string& argument : arguments) command += Quote(argument) + " ";
    return Run(command + "<<'PYTHON_SCRIPT_END'\n" + script + "\nPYTHON_SCRIPT_END");
}

inline std::uint16_t Read16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      (static_cast<unsigned char>(bytes.at(at + 1)) << 8));
}

inline std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    return Read16(bytes, at) | (static_cast<std::uint32_t>(Read16(bytes, at + 2)) << 16);
}

// Bytes that deflate well but not trivially: log-like lines.
inline std::string LogText(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 128);
    unsigned state = 12345;
    for (unsigned line = 0; text.size() < bytes; ++line) {
        state = state * 1103515245u + 12345u;
        char buffer[160];
        std::snprintf(buffer, sizeof(buffer), "2026-12-10 14:%02u:%02u : part %u: %u bytes at %u, speed %u KiB/s\r\n",
                      line / 60 % 60, line % 60, state % 7, (state >> 8) % 1048576, line * 4096u, (state >> 4) % 9000);
        text += buffer;
    }
    text.resize(bytes);
    return text;
}

}  // namespace ziptest
