#pragma once
// What the profile document's writer (profile_json_write.cpp) and reader (profile_json_read.cpp)
// share: the JSON type, and what a key-area entry holds when a document gives only its words.
#include <nlohmann/json.hpp>

#include "model/key_table.h"
#include "model/macro_list.h"
#include "model/profile_json_names.h"
#include "model/working_set.h"

namespace quorvel::profile_json {

// Keys stay in the order they are written, so a document reads as the program wrote it.
using Json = nlohmann::ordered_json;

inline bool IsGKeyEntry(int entry) {
    return entry >= G_KEY_ENTRY_BANK_A && entry < G_KEY_ENTRY_BANK_B + G_KEY_COUNT;
}

// What an entry holds when only its words are known: the G keys of the on-board profiles keep
// their key codes, and a macro key written by the key editor carries a copy of its macro's
// cycles ("macro:IDxN"), while one read back from the keyboard carries none ("macro:ID").
inline KeyAssignment DerivedEntry(int area, int entry, int16_t type, int32_t value,
                                  const MacroList& macros, bool cyclesCopy = false) {
    KeyAssignment a;
    a.type = type;
    a.value = type == ASSIGN_PROGRAM || type == ASSIGN_TEXT ? 0 : value;
    if (type == ASSIGN_MACRO && cyclesCopy) {
        const MacroRecord* macro = macros.FindId(value);
        a.aux = macro ? macro->cycles : 0;
    } else if (area < ONBOARD_PROFILE_COUNT && IsGKeyEntry(entry)) {
        a.aux = FreshKeyArea()[static_cast<size_t>(entry)].aux;
    }
    return a;
}

}  // namespace quorvel::profile_json
