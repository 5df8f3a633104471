// The registry's persistent store: one tree per hive, one file per hive.
//
// Hive files are Machine::StatePath("registry-HKLM.hive") and
// "registry-HKCU.hive". Each is UTF-8 text, one entry per line, fields
// separated by a tab:
//   WEBINSTALLER-REGISTRY-HIVE 1      first line
//   K <key path>                      a key, path relative to the hive root, "\" between names
//   V <type> <value name> <hex data>  a value of the key named by the K line before it
//   END                               last line; a file without it is not loaded
// Names escape "%", tab, CR, LF and other control characters as %XX. String
// data is held as UTF-16 little-endian bytes, as Windows holds it.
//
// A change rewrites the whole hive into "<hive>.tmp" and renames it over the
// hive (then flushes the folder), under an exclusive lock on "<hive>.lock",
// so a crash never leaves a half-written hive and processes sharing the
// machine see each other's changes (a reader reloads the file when it changed
// since its last look). Neither file is opened through a link.
// A file that does not parse as a complete hive is damaged: it is not loaded,
// and the next change moves it aside under a name of its own
// ("<hive>.damaged", "<hive>.damaged.1", ...) before writing a new hive. A
// file that cannot be read (no descriptor, an I/O error, over the size limit)
// is not damage: the call fails with the error and the file stays as it is.
// A new HKLM hive is seeded with the network adapter keys of the machine.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform::registry {

struct Value {
    std::wstring name;  // empty: the default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct Key {
    std::wstring name;
    std::map<std::wstring, std::unique_ptr<Key>> subKeys;  // by case-folded name: enumerated in that order
    std::vector<Value> values;                             // in creation order

    Key* Find(const std::wstring& subName) const;
    Key& Child(const std::wstring& subName);  // found or created
    Value* FindValue(const std::wstring& valueName);
    bool RemoveChild(const std::wstring& subName);
};

enum class Hive { LocalMachine, CurrentUser };

// Runs `action` on the hive of the current machine under the store's lock.
// With `write`, the action's changes are saved when it returns ERROR_SUCCESS
// and `changed` was set; a failed save undoes them in memory too and returns
// the error. A hive that cannot be read fails the call before the action
// runs. Returns the action's result.
LONG WithHive(Hive hive, bool write, const std::function<LONG(Key& root, bool& changed)>& action);

// Case-folded form of a name (the map key of Key::subKeys).
std::wstring FoldName(const std::wstring& name);

}  // namespace platform::registry
