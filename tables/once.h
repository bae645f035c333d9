// Data built once, on first demand, without a lock and without waiting: the first caller that
// claims it builds it; a caller that meets it being built does not wait but goes on without it.
// Whoever sees it ready sees all that the build wrote (one word, release then acquire). The
// replacement tables, their index, the unit actions and the code-page folds are all built so.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace namefold {

// Where a build stands. It only moves forward: kFree -> kBuilding -> kReady or kFailed, the last
// two for good.
enum class OnceState : std::uint8_t {
  kFree = 0,
  kBuilding = 1,
  kReady = 2,
  kFailed = 3,
};

// One thing built once.
struct Once {
  std::atomic<std::uint8_t> state{static_cast<std::uint8_t>(OnceState::kFree)};
};

[[nodiscard]] inline OnceState StateOf(const Once& once) {
  return static_cast<OnceState>(once.state.load(std::memory_order_acquire));
}

// Whether the build is over, whatever its outcome: from then on its state never changes.
[[nodiscard]] inline bool IsSettled(OnceState state) {
  return state == OnceState::kReady || state == OnceState::kFailed;
}

// The claim and the build of BuildOnce, kept out of line: later calls only read the state.
template <typename Build>
[[gnu::noinline]] OnceState ClaimAndBuild(Once& once, Build build) {
  auto found = static_cast<std::uint8_t>(OnceState::kFree);
  if (!once.state.compare_exchange_strong(found, static_cast<std::uint8_t>(OnceState::kBuilding),
                                          std::memory_order_acq_rel, std::memory_order_acquire)) {
    return static_cast<OnceState>(found);
  }
  const OnceState result = build() ? OnceState::kReady : OnceState::kFailed;
  once.state.store(static_cast<std::uint8_t>(result), std::memory_order_release);
  return result;
}

// Runs `build() -> bool` for the one caller that finds `once` free and returns kReady or kFailed
// to it; every other caller gets at once the state it finds, kBuilding while the build is under
// way. A failed build is never tried again.
template <typename Build>
OnceState BuildOnce(Once& once, Build build) {
  const OnceState found = StateOf(once);
  if (found != OnceState::kFree) return found;
  return ClaimAndBuild(once, build);
}

// A few things of one kind built once each, told apart by a key (a code page number).
template <typename Data, std::size_t kCount>
struct OnceSlots {
  // Per slot: 0 while free, then the key shifted left by 2 with the slot's OnceState.
  std::atomic<std::uint64_t> words[kCount];
  Data data[kCount];
};

// The data for `key` in `slots` when it is ready, or null; claims and builds nothing.
template <typename Data, std::size_t kCount>
const Data* FindBuilt(OnceSlots<Data, kCount>& slots, std::uint32_t key) {
  const std::uint64_t ready =
      (std::uint64_t{key} << 2) | static_cast<std::uint64_t>(OnceState::kReady);
  for (std::size_t i = 0; i < kCount; ++i) {
    if (slots.words[i].load(std::memory_order_acquire) == ready) return &slots.data[i];
  }
  return nullptr;
}

// The data for `key` in `slots`, built by `build(Data&) -> bool` in a free slot by the first
// caller that asks; null while another caller builds it, when its build failed, or when every
// slot holds another key. Costs one atomic load per slot passed once the data is ready.
template <typename Data, std::size_t kCount, typename Build>
const Data* BuildOnceFor(OnceSlots<Data, kCount>& slots, std::uint32_t key, Build build) {
  constexpr auto kBuilding = static_cast<std::uint64_t>(OnceState::kBuilding);
  constexpr auto kReady = static_cast<std::uint64_t>(OnceState::kReady);
  constexpr auto kFailed = static_cast<std::uint64_t>(OnceState::kFailed);
  const std::uint64_t tag = std::uint64_t{key} << 2;
  for (std::size_t i = 0; i < kCount; ++i) {
    std::uint64_t word = slots.words[i].load(std::memory_order_acquire);
    if (word == 0 &&
        slots.words[i].compare_exchange_strong(word, tag | kBuilding, std::memory_order_acq_rel,
                                               std::memory_order_acquire)) {
      const bool built = build(slots.data[i]);
      slots.words[i].store(tag | (built ? kReady : kFailed), std::memory_order_release);
      return built ? &slots.data[i] : nullptr;
    }
    if ((word & ~std::uint64_t{3}) == tag) return (word & 3) == kReady ? &slots.data[i] : nullptr;
  }
  return nullptr;
}

}  // namespace namefold
