// The close record of the final statistics, from the dialog's state.
#pragma once

#include <string>

#include "stats/StatsRecords.h"

// What the dialog knows when it closes.
struct DialogCloseState {
    bool downloadDone = false;
    bool autoStarted = false;
    bool productStarted = false;
    bool runAfter = true;
    bool pathChanged = false;
    bool joinBox = true;
    bool desktopBox = true;
    int pageOpenResult = -1;
    std::string closeReason;
    // The package run's elevation record.
    bool elevationAsked = false;
    bool continueChosen = false;
    bool processStarted = false;
    bool callReturned = false;
    bool elevationDeclined = false;
};

// The record the final document is built from: an empty close reason is
// "other", and "run_app" is the product-started flag unless the product was
// started by the run-after box.
CloseStatsInfo MakeCloseStatsInfo(const DialogCloseState& state);
