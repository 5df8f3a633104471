// Machine identity: the MAC identity text (physical adapters preferred), the
// plain adapter list, random and GUID identifiers.
#pragma once

#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

// The MAC identity, computed once per process (again while it is empty).
std::string GetMachineMac();
std::string GetMacAddressString();
// MAC texts of the first three adapters joined by ":", unfiltered.
std::string GetMacAddressesPlain();
bool IsPhysicalAdapterByClass(const char* adapterName);
bool IsPciAdapterByConnection(const char* adapterName);
// Sorts the ":"-separated items ascending (a single item stays as it is).
void SortMacText(std::string& text);
std::string JoinStrings(const std::vector<std::string>& items, const std::string& separator);
// MAC texts of the first three adapters without virtual-machine addresses, sorted.
std::vector<std::string> GetMacAddressList();
// 32 lower-case hex digits, different on every call, thread and run.
std::string MakeRandomId();
// A max-per-cent chance; logs the draw.
bool Random(int max);
// A new GUID as 32 upper-case hex digits.
std::string MakeGuidString();

// Forgets the computed MAC identity (for tests that change the adapters).
void ResetMachineMacForTest();
