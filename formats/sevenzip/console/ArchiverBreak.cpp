// The archiver's break handler: while a run is in progress SIGINT and
// SIGTERM only count, and the archiver, which polls the count, stops the
// run with a break (status 255). The handler never ends the process, and
// the handlers that were there before come back when the run ends.
#include "CPP/7zip/UI/Console/StdAfx.h"

#include <csignal>

#include "CPP/7zip/UI/Console/ConsoleClose.h"

namespace NConsoleClose {

unsigned g_BreakCounter = 0;

namespace {
void HandlerRoutine(int) { ++g_BreakCounter; }
}  // namespace

CCtrlHandlerSetter::CCtrlHandlerSetter() {
    g_BreakCounter = 0;
    memo_sig_int = std::signal(SIGINT, HandlerRoutine);
    if (memo_sig_int == SIG_ERR) throw "SetConsoleCtrlHandler fails (SIGINT)";
    memo_sig_term = std::signal(SIGTERM, HandlerRoutine);
    if (memo_sig_term == SIG_ERR) {
        std::signal(SIGINT, memo_sig_int);
        throw "SetConsoleCtrlHandler fails (SIGTERM)";
    }
}

CCtrlHandlerSetter::~CCtrlHandlerSetter() {
    std::signal(SIGINT, memo_sig_int);
    std::signal(SIGTERM, memo_sig_term);
}

}  // namespace NConsoleClose
