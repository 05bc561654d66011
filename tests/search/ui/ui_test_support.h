// Shared by the dialog, document and view tests: a scripted message service
// installed for one test, and a settings store that records every write.
#pragma once

#include <string>
#include <vector>

#include "ui/message_service.h"
#include "search/settings.h"

namespace vorel::testing {

// Installs a scripted message service for the life of the object.
class ScopedMessages {
  public:
    ScopedMessages() { SetMessageService(&service); }
    ~ScopedMessages() { SetMessageService(nullptr); }
    ScopedMessages(const ScopedMessages&) = delete;
    ScopedMessages& operator=(const ScopedMessages&) = delete;

    ScriptedMessageService service;
};

// A memory store that also lists the keys written, in order.
class RecordingStore : public MemorySettingsStore {
  public:
    void WriteInt(std::string_view section, std::string_view key, int value) override {
        writes.emplace_back(key);
        MemorySettingsStore::WriteInt(section, key, value);
    }
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override {
        writes.emplace_back(key);
        MemorySettingsStore::WriteString(section, key, value);
    }
    std::vector<std::string> writes;
};

}  // namespace vorel::testing
