#include "app/named_events.h"

#include <fcntl.h>

#include <cstdio>

namespace quorvel {

std::string MacroEventName(int number) {
    char name[40];
    std::snprintf(name, sizeof name, "/%sMain_%02d", "Quorvel_Event_", number);
    return name;
}

NamedEvents::~NamedEvents() {
    Close();
}

int NamedEvents::Create() {
    Close();
    for (int number = 1; number <= MACRO_EVENT_COUNT; ++number) {
        // Only the one running copy creates them, so a name still there was left by a copy
        // that crashed, possibly signalled: it goes, and the new event starts unsignalled.
        sem_unlink(MacroEventName(number).c_str());
        sem_t* event = sem_open(MacroEventName(number).c_str(), O_CREAT, 0600, 0);
        events_.push_back(event == SEM_FAILED ? nullptr : event);
    }
    int created = 0;
    for (sem_t* event : events_) created += event != nullptr;
    return created;
}

void NamedEvents::Close() {
    for (size_t i = 0; i < events_.size(); ++i) {
        if (events_[i] == nullptr) continue;
        sem_close(events_[i]);
        sem_unlink(MacroEventName(static_cast<int>(i) + 1).c_str());
    }
    events_.clear();
}

}  // namespace quorvel
