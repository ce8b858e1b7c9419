#include "app/MobileListWriter.h"

#include <stdexcept>

#include "app/DeviceNames.h"

namespace korvel {

void TMobileListWriter::Create(const std::string& preferencesPath, const std::string& listPath) {
    preferences_.Create(preferencesPath);
    list_.Create(listPath);
    preferences_writer_.WriteHeader();
}

void TMobileListWriter::BeginDevice(std::string_view name) {
    names_.emplace_back(name);
    record_.SetName(name);
    record_.ClearU();
    record_.ClearP();
    record_.ClearS();
}

void TMobileListWriter::AddValue(DeviceKey key, std::string_view ansiValue) {
    if (names_.empty()) throw std::logic_error("TMobileListWriter::AddValue before BeginDevice");
    preferences_writer_.WriteEntry(names_.back(), static_cast<char>(key), ansiValue);
    switch (key) {
    case DeviceKey::U: record_.SetU(ansiValue); break;
    case DeviceKey::P: record_.SetP(ansiValue); break;
    case DeviceKey::S: record_.SetS(ansiValue); break;
    }
}

void TMobileListWriter::EndDevice() {
    preferences_.Flush();
    auto bytes = record_.Bytes();
    list_.Write(bytes.data(), bytes.size());
    list_.Flush();
}

void TMobileListWriter::Finish() {
    preferences_writer_.WriteNames(JoinDeviceNames(names_));
    preferences_writer_.WriteEnd();
    preferences_.Close();
    list_.Close();
}

}  // namespace korvel
