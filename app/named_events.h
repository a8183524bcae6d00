#pragma once
// The 208 macro trigger events: named semaphores "/Quorvel_Event_Main_01" to
// "/Quorvel_Event_Main_208", initially not signalled. The program neither waits on them nor
// signals them; other processes open them by name while the program runs.
#include <semaphore.h>

#include <string>
#include <vector>

namespace quorvel {

inline constexpr int MACRO_EVENT_COUNT = 208;

// The name of event number (1 to 208), as sem_open takes it.
std::string MacroEventName(int number);

class NamedEvents {
public:
    NamedEvents() = default;
    ~NamedEvents();
    NamedEvents(const NamedEvents&) = delete;
    NamedEvents& operator=(const NamedEvents&) = delete;

    // Creates every event; one that cannot be created is left out. Returns how many exist.
    int Create();
    // Closes the events and removes their names.
    void Close();

private:
    std::vector<sem_t*> events_;
};

}  // namespace quorvel
