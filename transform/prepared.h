// Look-up data prepared once per code page, on first demand, and then only read. Like the tables
// it is filled without a lock by the one caller that claims it; a caller that meets it being
// filled does not wait but goes on without it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace namefold {

template <typename Data, std::size_t kCount>
struct PreparedSlots {
  // Per slot: 0 while free, then the key shifted left by 2 with 1 while it is filled, 2 once it
  // is ready and 3 when filling failed for good.
  std::atomic<std::uint64_t> words[kCount];
  Data data[kCount];
};

// The data for `key` in `slots` when it is ready, or null; claims and fills nothing.
template <typename Data, std::size_t kCount>
const Data* FindPrepared(PreparedSlots<Data, kCount>& slots, std::uint32_t key) {
  const std::uint64_t ready = (std::uint64_t{key} << 2) | 2;
  for (std::size_t i = 0; i < kCount; ++i) {
    if (slots.words[i].load(std::memory_order_acquire) == ready) return &slots.data[i];
  }
  return nullptr;
}

// The data for `key` in `slots`, filled by `fill(Data&) -> bool` in a free slot by the first
// caller that asks; null while another caller fills it, when its filling failed, or when every
// slot holds another key. Costs one atomic load per slot passed once the data is ready.
template <typename Data, std::size_t kCount, typename Fill>
const Data* Prepared(PreparedSlots<Data, kCount>& slots, std::uint32_t key, Fill fill) {
  const std::uint64_t tag = std::uint64_t{key} << 2;
  for (std::size_t i = 0; i < kCount; ++i) {
    std::uint64_t word = slots.words[i].load(std::memory_order_acquire);
    if (word == 0 && slots.words[i].compare_exchange_strong(
                         word, tag | 1, std::memory_order_acq_rel, std::memory_order_acquire)) {
      const bool filled = fill(slots.data[i]);
      slots.words[i].store(tag | (filled ? 2 : 3), std::memory_order_release);
      return filled ? &slots.data[i] : nullptr;
    }
    if ((word & ~std::uint64_t{3}) == tag) return (word & 3) == 2 ? &slots.data[i] : nullptr;
  }
  return nullptr;
}

}  // namespace namefold
