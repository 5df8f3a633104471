#include "download/MirrorChoice.h"

#include <cstring>

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
                                const MirrorBitOf& bitOf, DWORD now) {
    std::uint32_t stalled = 0;
    for (const auto& [id, item] : parts)
        if (item.status == E_Status_Runing && item.url && now - item.lastDataTick > kSilentPartMs) stalled |= bitOf(item.url);
    const DownloadItem* best = nullptr;
    int bestSpeed = 0;
    for (const auto& [id, item] : parts) {
        if (!Selectable(item)) continue;
        if (excluded && item.url && std::strcmp(item.url, excluded) == 0) continue;
        const std::uint32_t bit = item.url ? bitOf(item.url) : 0;
        if (bit & (avoid | stalled)) continue;
        const int speed = CurrentPartSpeed(item, now);
        if (speed > bestSpeed) {
            best = &item;
            bestSpeed = speed;
        }
    }
    return best;
}
