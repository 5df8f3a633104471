// A fresh simulated machine for every test of a fixture.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/base/Machine.h"

namespace testsupport {

class MachineTest : public ::testing::Test {
protected:
    platform::ScopedMachine machine;

    // Host path of a Windows path on the test machine.
    std::string Host(const std::wstring& windowsPath) const { return machine.Host(windowsPath); }

    static std::string ReadHostFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void WriteHostFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
};

}  // namespace testsupport
