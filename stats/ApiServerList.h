// ApiServerList: the regional API servers one HttpClient may post to, with
// the ones that failed put aside for the rest of the client's life.
#pragma once

#include <map>
#include <string>
#include <vector>

class ApiServerList {
public:
    struct Entry {
        std::string region;   // "*" (the default host), "ENU", "GER", "JPN", ...
        std::string baseUrl;  // "https://host/api/<path>/"
        bool available = true;
    };

    // Entries in the map's (region) order; `defaultLabel` recognises the
    // default host in a base url.
    ApiServerList(const std::map<std::string, std::string>& servers, const std::string& preferredRegion,
                  const std::string& defaultLabel);

    // The first available entry that is the default host or of the preferred
    // region, else the first available one; -1 when none is left.
    int Pick() const;
    void MarkUnavailable(int entry);
    const Entry& At(int entry) const { return m_entries[static_cast<std::size_t>(entry)]; }
    std::size_t Size() const { return m_entries.size(); }

    std::string index;  // appended as "?index=" when not empty

private:
    std::vector<Entry> m_entries;
    std::string m_preferredRegion;
    std::string m_defaultLabel;
};

// The server table of an API path: production ("*", JPN, ENU, GER on their
// hosts) or every region on the test host.
std::map<std::string, std::string> MakeApiServerTable(const std::string& path, bool testServers);
