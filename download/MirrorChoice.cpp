#include "download/MirrorChoice.h"

#include <algorithm>
#include <cstring>
#include <vector>

void RecordPartData(DownloadItem& item, std::uint64_t bytes, DWORD now) {
    item.lastDataTick = now;
    auto perSecond = [](std::uint64_t count, std::uint64_t ms) {
        const std::uint64_t speed = count * 1000 / (ms > 0 ? ms : 1);
        return static_cast<int>(speed > 0x7FFFFFFF ? 0x7FFFFFFF : speed);
    };
    if (!item.speedWindowOpen) {
        // The first bytes open the window. Until the window has a length the
        // estimate counts from the part's start, set-up time included.
        item.speedWindowOpen = true;
        item.speedWindowTick = now;
        item.speedWindowBytes = bytes;
        item.previousWindowBytes = 0;
        item.previousWindowMs = 0;
        item.speed = perSecond(bytes, now - item.startTick);
        return;
    }
    item.speedWindowBytes += bytes;
    const DWORD elapsed = now - item.speedWindowTick;
    if (elapsed > 0 || item.previousWindowMs > 0)
        item.speed = perSecond(item.previousWindowBytes + item.speedWindowBytes,
                               static_cast<std::uint64_t>(item.previousWindowMs) + elapsed);
    if (elapsed >= kSpeedBucketMs) {
        item.previousWindowBytes = item.speedWindowBytes;
        item.previousWindowMs = elapsed;
        item.speedWindowBytes = 0;
        item.speedWindowTick = now;
    }
}

int CurrentPartSpeed(const DownloadItem& item, DWORD now) {
    if (item.status == E_Status_Succeed) return item.speed;
    if (now - item.lastDataTick > kSilentPartMs) return 0;
    return item.speed;
}

namespace {
bool Selectable(const DownloadItem& item) {
    return item.status == E_Status_Runing || item.status == E_Status_Succeed || item.status == E_Status_StopByDispatch;
}
}  // namespace

const DownloadItem* FastestPart(const std::map<int, DownloadItem>& parts, const char* excluded, std::uint32_t avoid,
                                const MirrorBitOf& bitOf, DWORD now, int slots) {
    std::uint32_t stalled = 0;
    for (const auto& [id, item] : parts)
        if (item.status == E_Status_Runing && item.url && now - item.lastDataTick > kSilentPartMs)
            stalled |= bitOf(item.url);
    struct Mirror {
        const DownloadItem* fastest = nullptr;
        int fastestSpeed = 0;
        int running = 0;
        std::uint64_t runningSpeed = 0;
    };
    std::map<std::uint32_t, Mirror> mirrors;
    std::vector<std::uint32_t> order;  // mirrors by their first selectable part's id
    for (const auto& [id, item] : parts) {
        if (!Selectable(item)) continue;
        if (excluded && item.url && std::strcmp(item.url, excluded) == 0) continue;
        const std::uint32_t bit = item.url ? bitOf(item.url) : 0;
        if (bit & (avoid | stalled)) continue;
        const int speed = CurrentPartSpeed(item, now);
        // Parts without a url (none in a real table) each stand alone.
        const std::uint32_t key = item.url ? bit : 0x80000000u | static_cast<std::uint32_t>(id);
        auto [entry, added] = mirrors.try_emplace(key);
        if (added) order.push_back(key);
        Mirror& mirror = entry->second;
        if (!mirror.fastest || speed > mirror.fastestSpeed) {
            mirror.fastest = &item;
            mirror.fastestSpeed = speed;
        }
        if (item.status == E_Status_Runing) {
            ++mirror.running;
            mirror.runningSpeed += static_cast<std::uint64_t>(speed);
        }
    }
    const DownloadItem* best = nullptr;
    std::uint64_t bestSpeed = 0;
    int bestId = 0;
    auto consider = [&](const DownloadItem* part, std::uint64_t speed) {
        if (speed > bestSpeed || (speed == bestSpeed && speed > 0 && part->id < bestId)) {
            best = part;
            bestSpeed = speed;
            bestId = part->id;
        }
    };
    for (const std::uint32_t key : order) {
        const Mirror& mirror = mirrors[key];
        if (slots <= 0 || key & 0x80000000u) {
            // Per part: the mirror's fastest part stands for it.
            consider(mirror.fastest, static_cast<std::uint64_t>(mirror.fastestSpeed));
            continue;
        }
        // A full mirror's capacity: what its running parts carry, or, while
        // they have not measured yet, what its fastest part did.
        const std::uint64_t fastest = static_cast<std::uint64_t>(mirror.fastestSpeed);
        const std::uint64_t offered = mirror.running < slots ? fastest
                                                             : std::max(mirror.runningSpeed, fastest) /
                                                                   static_cast<std::uint64_t>(mirror.running + 1);
        consider(mirror.fastest, offered);
    }
    return best;
}
