#include "stats/ApiServerList.h"

#include "stats/ServiceHosts.h"

ApiServerList::ApiServerList(const std::map<std::string, std::string>& servers, const std::string& preferredRegion,
                             const std::string& defaultLabel)
    : m_preferredRegion(preferredRegion), m_defaultLabel(defaultLabel) {
    for (const auto& [region, baseUrl] : servers) m_entries.push_back({region, baseUrl, true});
}

int ApiServerList::Pick() const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& entry = m_entries[i];
        if (!entry.available) continue;
        const bool isDefault = !m_defaultLabel.empty() && entry.baseUrl.find(m_defaultLabel) != std::string::npos;
        if (isDefault || entry.region == m_preferredRegion) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].available) return static_cast<int>(i);
    return -1;
}

void ApiServerList::MarkUnavailable(int entry) {
    if (entry >= 0 && static_cast<std::size_t>(entry) < m_entries.size())
        m_entries[static_cast<std::size_t>(entry)].available = false;
}

std::map<std::string, std::string> MakeApiServerTable(const std::string& path, bool testServers) {
    const ServiceHosts hosts = GetServiceHosts();
    auto base = [&path](const std::string& host) { return "https://" + host + "/api/" + path + "/"; };
    if (testServers)
        return {{"*", base(hosts.apiTest)},
                {"ENU", base(hosts.apiTest)},
                {"GER", base(hosts.apiTest)},
                {"JPN", base(hosts.apiTest)}};
    return {{"*", base(hosts.apiDefault)},
            {"ENU", base(hosts.apiEnglish)},
            {"GER", base(hosts.apiGerman)},
            {"JPN", base(hosts.apiJapan)}};
}
