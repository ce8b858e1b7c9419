#include "app/PreferencesReader.h"

#include <unordered_map>

#include "app/DeviceNames.h"
#include "app/PreferencesFile.h"
#include "common/TextUtil.h"
#include "platform/CodePage.h"

namespace korvel {

namespace {
constexpr std::string_view kKeyAttribute = "name";

using EntryIndex = std::unordered_map<std::string, const TXMLItem*>;

// Key -> last entry with that key: one pass instead of a search per name and key.
EntryIndex IndexEntries(const TXMLItem& root) {
    EntryIndex index;
    index.reserve(root.SubItemCount());
    for (size_t i = 0; i < root.SubItemCount(); ++i) {
        const TXMLItem& entry = root.SubItems(static_cast<long long>(i));
        index[entry.Params().Value(kKeyAttribute)] = &entry;
    }
    return index;
}

// The value of the entry keyed name + suffix, decoded from UTF-8 to ANSI.
std::optional<std::string> EntryValue(const EntryIndex& index, std::string& key, const std::string& name, char suffix) {
    key.assign(name).push_back(suffix);
    auto found = index.find(key);
    if (found == index.end()) return std::nullopt;
    return WideToAnsi(Utf8ToUtf16(found->second->Text()));
}
}  // namespace

std::vector<TPreferencesDevice> ReadPreferencesDevices(const TXMLItem& root) {
    std::vector<std::string> names;
    for (size_t i = 0; i < root.SubItemCount(); ++i) {
        const TXMLItem& entry = root.SubItems(static_cast<long long>(i));
        if (entry.Params().Value(kKeyAttribute) == kPreferencesNamesKey) {
            names = SplitDeviceNames(entry.Text());
            break;
        }
    }
    std::vector<TPreferencesDevice> devices;
    if (names.empty()) return devices;
    EntryIndex index = IndexEntries(root);
    std::string key;
    devices.reserve(names.size());
    for (std::string& name : names) {
        TPreferencesDevice device;
        device.u = EntryValue(index, key, name, 'U');
        device.p = EntryValue(index, key, name, 'P');
        device.s = EntryValue(index, key, name, 'S');
        device.name = std::move(name);
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace korvel
