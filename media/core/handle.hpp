// Media handles: the kind/check/slot encoding, one reusable table per kind, and
// handle chains (intrusive lists of handle and data pairs).
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

// A media resource's name: slot in bits 0-15, check number in bits 16-26, kind
// in bits 27-30; never negative (-1 stands for no handle and for failure).
using MEDIA_HANDLE = std::int32_t;

enum : int {
    HANDLEKIND_GRAPH = 1,
    HANDLEKIND_SOUND = 2,
    HANDLEKIND_MOVIE = 3,
    HANDLEKIND_FONT = 4,
    HANDLEKIND_MASK = 8,
    HANDLEKIND_NETWORK = 9,
    HANDLEKIND_KEYINPUT = 10,
    HANDLEKIND_MIDI = 11,
    HANDLEKIND_LIGHT = 12,
    HANDLEKIND_MODEL = 13,
    HANDLEKIND_SOFTIMAGE = 14,
    HANDLEKIND_RESOURCE = 15,
};

// One link of a handle chain. The two end nodes carry the handle -1.
struct HANDLENODE {
    std::int32_t handle;
    void* data;
    HANDLENODE* previous;
    HANDLENODE* next;
};

// Makes the empty chain head <-> tail (outer links null); 0.
int InitHandleChain(HANDLENODE* head, HANDLENODE* tail);
// Fills the node and links it directly after the head, so the newest comes
// first; 0.
int InsertHandleChain(HANDLENODE* head, HANDLENODE* node, int handle, void* data);
// Unlinks the node from its neighbours and leaves its own links as they were
// (a walk may go on from a removed node); 0, or -1 for an end node or a
// zero-filled node that was never linked.
int RemoveHandleChain(HANDLENODE* node);

namespace media::core {

inline constexpr int handle_slot_bits = 16;
inline constexpr int handle_check_shift = 16;
inline constexpr int handle_check_mask = 0x7FF;  // 11 bits, 0 to 2047
inline constexpr int handle_kind_shift = 27;

// How a table picks the slot of a new handle.
enum class slot_choice {
    lowest_free,  // the lowest empty slot
    // The slot at the high-water index (one past the highest slot taken since
    // the index last fell) while that is below the table's size, else the
    // lowest empty slot; freed slots below the index wait until it reaches the
    // end. The soft images, the graphs and the lights share this choice.
    high_water,
};

// The table of one handle kind: Slots record pointers, each with the check
// number its handle was made with, and the kind's creation counter. The owner
// keeps one instance in its state record, creates and frees the records, and
// decides what a full table means. Zero-initialised, it is the empty table of
// process start, so it may live in a global without a constructor running.
template <class Record, int Kind, int Slots, slot_choice Choice = slot_choice::lowest_free>
class handle_table {
    static_assert(Kind >= 1 && Kind <= 15, "a kind fits in bits 27-30");
    static_assert(Slots >= 1 && Slots <= (1 << handle_slot_bits), "a slot fits in bits 0-15");

public:
    static constexpr int kind = Kind;
    static constexpr int slots = Slots;

    // Stores the record in the slot the choice picks and returns its handle; the
    // counter then advances, 2047 wrapping to 0 (so a handle 2048 creations
    // stale passes the check again). -1, with nothing changed, when every slot
    // is taken or the record is null.
    MEDIA_HANDLE create(Record* record)
    {
        if (record == nullptr) return -1;
        const int slot = Choice == slot_choice::high_water && high_water_ < Slots ? high_water_ : lowest_free();
        if (slot < 0) return -1;
        slots_[slot] = {record, counter_};
        mark_used(slot);
        ++count_;
        if (slot == high_water_) ++high_water_;
        const MEDIA_HANDLE handle = slot | (counter_ << handle_check_shift) | (Kind << handle_kind_shift);
        counter_ = (counter_ + 1) & handle_check_mask;
        return handle;
    }

    // As create, in a given slot (-1: the choice picks) with a given check
    // number (-1: the counter's, which then advances; a given one leaves the
    // counter alone), so that a resource made again keeps its handle value.
    // -1, with nothing changed, for a slot that is taken or past the table, a
    // check number past 11 bits, a full table or a null record.
    MEDIA_HANDLE create_in(Record* record, int slot, int check)
    {
        if (slot == -1 && check == -1) return create(record);
        if (record == nullptr || slot < -1 || slot >= Slots || check < -1 || check > handle_check_mask) return -1;
        if (slot == -1) slot = Choice == slot_choice::high_water && high_water_ < Slots ? high_water_ : lowest_free();
        if (slot < 0 || slots_[slot].record != nullptr) return -1;
        const bool counted = check == -1;
        if (counted) check = counter_;
        slots_[slot] = {record, check};
        mark_used(slot);
        ++count_;
        if (slot >= high_water_) high_water_ = slot + 1;
        if (counted) counter_ = (counter_ + 1) & handle_check_mask;
        return slot | (check << handle_check_shift) | (Kind << handle_kind_shift);
    }

    // The record the handle names, or null when the value is negative, carries
    // another kind, a slot past the table, an empty slot or a check number
    // other than the slot's.
    Record* find(MEDIA_HANDLE handle) const
    {
        const int slot = slot_of(handle);
        return slot < 0 ? nullptr : slots_[slot].record;
    }

    // Points the handle's live slot at another record (one its owner moved
    // when resizing it); the handle stays valid. False, with nothing changed,
    // when look-up fails or the record is null.
    bool replace(MEDIA_HANDLE handle, Record* record)
    {
        const int slot = slot_of(handle);
        if (slot < 0 || record == nullptr) return false;
        slots_[slot].record = record;
        return true;
    }

    // Empties the handle's slot and returns the record that was there (the
    // owner frees it), or null when look-up fails. The counter is untouched.
    Record* remove(MEDIA_HANDLE handle)
    {
        const int slot = slot_of(handle);
        if (slot < 0) return nullptr;
        Record* record = slots_[slot].record;
        slots_[slot].record = nullptr;
        mark_free(slot);
        --count_;
        // freeing the highest slot drops the index past the empty slots below
        if (slot == high_water_ - 1) {
            while (high_water_ > 0 && slots_[high_water_ - 1].record == nullptr) --high_water_;
        }
        return record;
    }

    // The record in a slot, or null when the slot is empty or out of range;
    // with handle_at, lets an owner walk every live resource.
    Record* at(int slot) const { return slot >= 0 && slot < Slots ? slots_[slot].record : nullptr; }
    // The handle of the record in a slot, or -1 when the slot is empty.
    MEDIA_HANDLE handle_at(int slot) const
    {
        if (at(slot) == nullptr) return -1;
        return slot | (slots_[slot].check << handle_check_shift) | (Kind << handle_kind_shift);
    }

    // Number of slots in use.
    int count() const { return count_; }
    // The check number the next counted creation takes.
    int counter() const { return counter_; }
    // Advances the counter as a counted creation does: for an owner that made
    // a handle with create_in and counter() and keeps the counter still until
    // the resource is sure to stay.
    void advance_counter() { counter_ = (counter_ + 1) & handle_check_mask; }
    // One past the highest slot taken since the index last fell; 0 when the
    // table is empty. Walks over the live records may stop here.
    int high_water() const { return high_water_; }

    // Back to the empty table with the counter at 0; the records are not freed.
    // (Clears in place: a large table is too big for a temporary on the stack.)
    void clear()
    {
        std::fill(std::begin(slots_), std::end(slots_), entry{});
        std::fill(std::begin(used_), std::end(used_), 0);
        std::fill(std::begin(full_), std::end(full_), 0);
        count_ = 0;
        counter_ = 0;
        high_water_ = 0;
    }

private:
    static constexpr int words = (Slots + 63) / 64;
    static constexpr int summary_words = (words + 63) / 64;
    static constexpr std::uint64_t all_used = ~std::uint64_t{0};

    // The slot a handle names when look-up succeeds, else -1.
    int slot_of(MEDIA_HANDLE handle) const
    {
        if (handle < 0 || (handle >> handle_kind_shift) != Kind) return -1;
        const int slot = handle & ((1 << handle_slot_bits) - 1);
        if (slot >= Slots || slots_[slot].record == nullptr) return -1;
        if (slots_[slot].check != ((handle >> handle_check_shift) & handle_check_mask)) return -1;
        return slot;
    }

    // Finds the lowest free slot in at most summary_words + 1 word tests: a bit
    // of used_ per slot, and a bit of full_ per word of used_ that has no free
    // slot left. Bits past the last slot stay 0 in both, so the search lands
    // past the end only when every real slot is taken.
    int lowest_free() const
    {
        for (int s = 0; s < summary_words; ++s) {
            if (full_[s] == all_used) continue;
            const int word = s * 64 + __builtin_ctzll(~full_[s]);
            if (word >= words) return -1;
            const int slot = word * 64 + __builtin_ctzll(~used_[word]);
            return slot < Slots ? slot : -1;
        }
        return -1;
    }

    void mark_used(int slot)
    {
        const int word = slot / 64;
        used_[word] |= std::uint64_t{1} << slot % 64;
        if (used_[word] == all_used) full_[word / 64] |= std::uint64_t{1} << word % 64;
    }

    void mark_free(int slot)
    {
        const int word = slot / 64;
        used_[word] &= ~(std::uint64_t{1} << slot % 64);
        full_[word / 64] &= ~(std::uint64_t{1} << word % 64);
    }

    // a record and the check number its handle carries, side by side so that
    // a look-up reads one cache line
    struct entry {
        Record* record;
        int check;
    };
    entry slots_[Slots] = {};
    std::uint64_t used_[words] = {};
    std::uint64_t full_[summary_words] = {};
    int count_ = 0;
    int counter_ = 0;
    int high_water_ = 0;
};

}  // namespace media::core
