#include "device/keyboard_picture.h"

#include <algorithm>

#include "base/byte_order.h"
#include "device/command_frame.h"

namespace quorvel {
namespace {

// The file: the magic, the plug-in's identity (u32 length, text), then per area its length and
// its known stretches (u32 count; per stretch u32 offset, u32 length, the bytes). Only what is
// known is stored, in ascending order.
constexpr uint8_t FILE_MAGIC[] = {'Q', 'P', 'I', 'C', 2};
// Addresses are 16 bits and a frame carries at most 56 bytes past one.
constexpr size_t AREA_LIMIT = 0x10000 + FRAME_DATA_SIZE;

size_t Index(PictureArea area) {
    return static_cast<size_t>(area);
}

// Calls visit(offset, length) for each stretch of known bytes, in order.
template <typename Visit>
void ForEachKnownStretch(const std::vector<uint8_t>& known, Visit&& visit) {
    for (size_t start = 0; start < known.size();) {
        if (known[start] == 0) {
            ++start;
            continue;
        }
        size_t end = start;
        while (end < known.size() && known[end] != 0) ++end;
        visit(start, end - start);
        start = end;
    }
}

}  // namespace

std::optional<PictureArea> AreaOfCommand(uint8_t command) {
    switch (command) {
        case OP_READ_SETTINGS_BLOCK:
        case OP_WRITE_SETTINGS_BLOCK:
            return PictureArea::SETTINGS;
        case OP_READ_PARAMS:
        case OP_WRITE_PARAMS:
            return PictureArea::PARAMS;
        case OP_WRITE_KEY_COLOURS:
            return PictureArea::KEY_COLOURS;
        case OP_READ_KEY_BLOCK:
        case OP_WRITE_KEY_BLOCK:
            return PictureArea::KEY_BLOCKS;
        case OP_READ_MACRO_AREA:
        case OP_WRITE_MACRO_AREA:
            return PictureArea::MACRO_AREA;
        case OP_READ_DEFAULT_LAYOUT:
            return PictureArea::DEFAULT_LAYOUT;
        default:
            return std::nullopt;
    }
}

bool IsWriteCommand(uint8_t command) {
    return command == OP_BEGIN || command == OP_END || command == OP_WRITE_SETTINGS_BLOCK ||
           command == OP_WRITE_PARAMS || command == OP_WRITE_KEY_BLOCK ||
           command == OP_WRITE_MACRO_AREA || command == OP_WRITE_KEY_COLOURS;
}

bool KeyboardPicture::Holds(PictureArea area, uint32_t address,
                            std::span<const uint8_t> bytes) const {
    std::lock_guard lock(mutex_);
    const Area& a = areas_[Index(area)];
    if (address + bytes.size() > a.bytes.size()) return false;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!a.known[address + i] || a.bytes[address + i] != bytes[i]) return false;
    return true;
}

bool KeyboardPicture::CopyKnown(PictureArea area, uint32_t address, std::span<uint8_t> out) const {
    std::lock_guard lock(mutex_);
    const Area& a = areas_[Index(area)];
    if (address + out.size() > a.bytes.size()) return false;
    if (!std::all_of(a.known.begin() + address, a.known.begin() + address + out.size(),
                     [](uint8_t k) { return k != 0; }))
        return false;
    std::copy_n(a.bytes.begin() + address, out.size(), out.begin());
    return true;
}

void KeyboardPicture::Learn(PictureArea area, uint32_t address, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (address + bytes.size() > AREA_LIMIT) return;
    Area& a = areas_[Index(area)];
    if (a.bytes.size() < address + bytes.size()) {
        a.bytes.resize(address + bytes.size(), 0);
        a.known.resize(address + bytes.size(), 0);
    }
    // A read that confirms what was known leaves nothing new to save.
    bool changed = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        changed = changed || !a.known[address + i] || a.bytes[address + i] != bytes[i];
        a.bytes[address + i] = bytes[i];
        a.known[address + i] = 1;
    }
    if (changed) ++version_;
}

void KeyboardPicture::ForgetLocked(PictureArea area, uint32_t address, size_t length) {
    Area& a = areas_[Index(area)];
    if (address >= a.known.size()) return;
    const auto first = a.known.begin() + address;
    const auto last = first + static_cast<ptrdiff_t>(std::min(length, a.known.size() - address));
    if (std::none_of(first, last, [](uint8_t k) { return k != 0; })) return;
    std::fill(first, last, 0);
    ++version_;
}

void KeyboardPicture::Forget(PictureArea area, uint32_t address, size_t length) {
    std::lock_guard lock(mutex_);
    ForgetLocked(area, address, length);
}

void KeyboardPicture::ForgetArea(PictureArea area) {
    std::lock_guard lock(mutex_);
    areas_[Index(area)] = {};
    ++version_;
}

void KeyboardPicture::ForgetAll() {
    std::lock_guard lock(mutex_);
    for (Area& a : areas_) a = {};
    for (const PictureChunk& chunk : pending_)
        ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
    ++version_;
}

void KeyboardPicture::OpenSession(uint64_t departures) {
    std::lock_guard lock(mutex_);
    for (const PictureChunk& chunk : pending_)
        ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
    pending_.clear();
    sessionOpen_ = true;
    sessionDepartures_ = departures;
}

void KeyboardPicture::NoteWrite(PictureChunk chunk, bool taken) {
    std::unique_lock lock(mutex_);
    if (sessionOpen_) {
        // Unknown until the end confirms it; a write the keyboard did not confirm stays unknown
        // whatever the end says (after a lost reply it may hold either).
        ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
        if (taken) pending_.push_back(std::move(chunk));
        return;
    }
    if (!taken) {
        ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
        return;
    }
    lock.unlock();
    Learn(chunk.area, chunk.address, chunk.bytes);
}

std::vector<PictureChunk> KeyboardPicture::CloseSession(bool confirmed, uint64_t departures) {
    std::vector<PictureChunk> written;
    {
        std::lock_guard lock(mutex_);
        written.swap(pending_);
        confirmed = confirmed && sessionOpen_ && departures == sessionDepartures_;
        sessionOpen_ = false;
        if (!confirmed) {
            for (const PictureChunk& chunk : written)
                ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
            return {};
        }
    }
    for (const PictureChunk& chunk : written) Learn(chunk.area, chunk.address, chunk.bytes);
    return written;
}

std::string KeyboardPicture::PlugIdentity() const {
    std::lock_guard lock(mutex_);
    return identity_;
}

void KeyboardPicture::SetPlugIdentity(const std::string& identity) {
    {
        std::lock_guard lock(mutex_);
        if (identity == identity_) return;
        identity_ = identity;
    }
    ForgetAll();
}

uint64_t KeyboardPicture::Version() const {
    std::lock_guard lock(mutex_);
    return version_;
}

std::vector<uint8_t> KeyboardPicture::Encode() const {
    std::lock_guard lock(mutex_);
    size_t total = sizeof FILE_MAGIC + 4 + identity_.size();
    for (const Area& a : areas_) {
        total += 8;
        ForEachKnownStretch(a.known, [&](size_t, size_t length) { total += 8 + length; });
    }
    // Sized once: growing it step by step would copy the macro area several times over.
    std::vector<uint8_t> out(total);
    uint8_t* at = std::copy(std::begin(FILE_MAGIC), std::end(FILE_MAGIC), out.data());
    auto putSize = [&](size_t size) {
        WriteLe32(at, static_cast<uint32_t>(size));
        at += 4;
    };
    putSize(identity_.size());
    at = std::copy(identity_.begin(), identity_.end(), at);
    for (const Area& a : areas_) {
        putSize(a.bytes.size());
        size_t stretches = 0;
        ForEachKnownStretch(a.known, [&](size_t, size_t) { ++stretches; });
        putSize(stretches);
        ForEachKnownStretch(a.known, [&](size_t offset, size_t length) {
            putSize(offset);
            putSize(length);
            at = std::copy_n(a.bytes.begin() + static_cast<std::ptrdiff_t>(offset), length, at);
        });
    }
    return out;
}

bool KeyboardPicture::TakeEncoded(std::span<const uint8_t> data) {
    size_t at = sizeof FILE_MAGIC;
    if (data.size() < at || !std::equal(std::begin(FILE_MAGIC), std::end(FILE_MAGIC), data.begin()))
        return false;
    auto takeSize = [&](size_t& value) {
        if (data.size() - at < 4) return false;
        value = ReadLe32(&data[at]);
        at += 4;
        return true;
    };
    size_t identityLength = 0;
    if (!takeSize(identityLength) || data.size() - at < identityLength) return false;
    const std::string identity(data.begin() + at, data.begin() + at + identityLength);
    at += identityLength;
    Area areas[PICTURE_AREA_COUNT];
    for (Area& a : areas) {
        size_t length = 0;
        size_t stretches = 0;
        if (!takeSize(length) || length > AREA_LIMIT || !takeSize(stretches) || stretches > length)
            return false;
        a.bytes.assign(length, 0);
        a.known.assign(length, 0);
        for (size_t end = 0; stretches > 0; --stretches) {
            size_t offset = 0;
            size_t size = 0;
            // In order, not overlapping, inside the area and inside the file.
            if (!takeSize(offset) || !takeSize(size) || size == 0 || offset < end ||
                offset > length || size > length - offset || data.size() - at < size)
                return false;
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), size,
                        a.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
            std::fill_n(a.known.begin() + static_cast<std::ptrdiff_t>(offset), size, 1);
            at += size;
            end = offset + size;
        }
    }
    if (at != data.size()) return false;
    std::lock_guard lock(mutex_);
    if (identity != identity_) return false;
    for (size_t i = 0; i < PICTURE_AREA_COUNT; ++i) areas_[i] = std::move(areas[i]);
    // What this process wrote but has not confirmed is unknown whatever another one saved.
    for (const PictureChunk& chunk : pending_)
        ForgetLocked(chunk.area, chunk.address, chunk.bytes.size());
    ++version_;
    return true;
}

}  // namespace quorvel
