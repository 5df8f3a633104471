// A multipart/form-data body taken apart, for the loopback server.
#pragma once

#include <string>
#include <vector>

namespace statstest {

struct FormPartSeen {
    std::string name;
    std::string fileName;  // "" for a plain part
    std::string contentType;
    std::string data;
};

// The boundary of a "multipart/form-data; boundary=..." content type, "" when none.
std::string BoundaryOf(const std::string& contentType);

// The parts of `body` in order; false when the body is not well formed.
bool ParseMultipart(const std::string& body, const std::string& boundary, std::vector<FormPartSeen>& parts);

}  // namespace statstest
