// The archiver's percent line. Every report first goes to the run's
// progress callback (ArchiverReportPercent): the percentage when the total
// is known, the completed MiB when there is no total (all ones), nothing
// when the total is 0 or the value is 0. The line itself is then printed,
// at most once per tick step, and erased with backspaces before the next.
#include "CPP/7zip/UI/Console/StdAfx.h"

#include "CPP/Common/IntToString.h"
#include "CPP/7zip/UI/Console/PercentPrinter.h"
#include "formats/sevenzip/console/ArchiverHost.h"

namespace {

const UInt64 kNoTotal = static_cast<UInt64>(static_cast<Int64>(-1));
const unsigned kPercentsWidth = 4;

// The value and its unit ('%' or 'M').
UInt64 ArchiverReportPercent(const CPercentPrinterState& state, char& unit) {
    unit = '%';
    if (state.Total == kNoTotal) {
        unit = 'M';
        return state.Completed >> 20;
    }
    if (state.Total == 0) return 0;
    unsigned __int128 scaled = static_cast<unsigned __int128>(state.Completed) * 100;
    return static_cast<UInt64>(scaled / state.Total);
}

}  // namespace

CPercentPrinter::~CPercentPrinter() { ClosePrint(false); }

void CPercentPrinterState::ClearCurState() {
    Completed = 0;
    Total = kNoTotal;
    Files = 0;
    Command.Empty();
    FileName.Empty();
}

void CPercentPrinter::ClosePrint(bool needFlush) {
    const unsigned n = _printedString.Len();
    if (n != 0 && _so) {
        _temp.Empty();
        for (unsigned i = 0; i < n; ++i) _temp += '\b';
        for (unsigned i = 0; i < n; ++i) _temp += ' ';
        for (unsigned i = 0; i < n; ++i) _temp += '\b';
        *_so << _temp;
    }
    if (needFlush && _so) _so->Flush();
    _printedString.Empty();
}

void CPercentPrinter::GetPercents() {
    char unit = '%';
    UInt64 value = ArchiverReportPercent(*this, unit);
    if (Total == 0 && Completed != 0) {
        // Printed like a missing total; the callback had 0 and stays quiet.
        value = Completed >> 20;
        unit = 'M';
    }
    char text[32];
    ConvertUInt64ToString(value, text);
    AString number(text);
    number += unit;
    for (unsigned size = number.Len(); size < kPercentsWidth; ++size) _s.Add_Space();
    _s += number;
}

void CPercentPrinter::Print() {
    char unit = '%';
    archiver_host::SendProgress(ArchiverReportPercent(*this, unit));
    if (DisablePrint || _so == nullptr) return;

    DWORD tick = 0;
    if (_tickStep != 0) tick = GetTickCount();
    bool onlyPercentsChanged = false;
    if (!_printedString.IsEmpty()) {
        if (_tickStep != 0 && static_cast<UInt32>(tick - _prevTick) < _tickStep) return;
        if (_printedState.Command == Command && _printedState.FileName == FileName && _printedState.Files == Files) {
            if (_printedState.Total == Total && _printedState.Completed == Completed) return;
            onlyPercentsChanged = true;
        }
    }

    _s.Empty();
    GetPercents();
    if (onlyPercentsChanged && _s == _printedPercents) return;
    _printedPercents = _s;

    if (Files != 0) {
        char text[32];
        ConvertUInt64ToString(Files, text);
        _s.Add_Space();
        _s += text;
    }
    if (!Command.IsEmpty()) {
        _s.Add_Space();
        _s += Command;
    }
    if (!FileName.IsEmpty() && _s.Len() < MaxLen) {
        _tempU = FileName;
        _so->Normalize_UString_Path(_tempU);
        _so->Convert_UString_to_AString(_tempU, _temp);
        // A long name keeps its end, the part that tells files apart.
        const unsigned room = MaxLen - _s.Len() - 1;
        if (_temp.Len() > room) _temp.DeleteFrontal(_temp.Len() - room);
        _s.Add_Space();
        _s += _temp;
    }

    if (_printedString != _s) {
        ClosePrint(false);
        *_so << _s;
        if (NeedFlush) _so->Flush();
        _printedString = _s;
    }
    _printedState = *this;
    if (_tickStep != 0) _prevTick = tick;
}
